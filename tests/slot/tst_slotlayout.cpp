#include "fonts.h"
#include "formview.h"
#include "mainwindow.h"
#include "screenchecks.h"
#include "slotactivities.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QtTest>

// What the pupil sees after every drag or tap through the real window: every word and copy
// wholly on the screen, none over another or over a button, every copy inside a box, and
// the verdict over no other text. A failure names its seed and step, to be replayed.

namespace {

const QString Word = QStringLiteral("Label7");
const QString Copy = QStringLiteral("Label2");

struct Opened
{
    explicit Opened(const QString &id)
    {
        registerSlotActivities(app.context);
        form = app.forms.get<SlotScreen>(id);
        form->Show();
        form->timer(QStringLiteral("Timer1"))->fire();
    }
    Control &c(const QString &name, int i = -1) const { return form->ctl(name, i); }
    QRectF box(int j) const { return c(QStringLiteral("Label5"), j).rect(); }
    QStringList findings() const
    {
        QStringList found = ScreenChecks::pieceFindings(*form, {Word, Copy})
            + ScreenChecks::verdictFindings(*form, QStringLiteral("Label1"));
        for (int i = 0; i < form->wordCount(); ++i) {
            bool inABox = !c(Copy, i).visible;
            for (int j = 0; j < form->boxCount(); ++j)
                inABox = inABox || box(j).contains(c(Copy, i).rect());
            if (!inABox)
                found << QStringLiteral("copy outside its box: ") + ScreenChecks::where(c(Copy, i));
        }
        return found;
    }
    // One of the words still to be placed, dealing the next sentence when there are none.
    int freeWord(QRandomGenerator &random) const
    {
        QList<int> words;
        for (int i = 0; i < form->wordCount(); ++i) {
            if (c(Word, i).enabled)
                words << i;
        }
        return words.isEmpty() ? -1 : words[int(random.bounded(quint32(words.size())))];
    }
    // Where the copies lie, in what size.
    QStringList copies() const
    {
        QStringList lines;
        for (int i = 0; i < form->wordCount(); ++i) {
            const Control &copy = c(Copy, i);
            if (copy.visible)
                lines << QStringLiteral("%1 %2,%3 %4pt").arg(copy.caption()).arg(copy.left).arg(copy.top).arg(copy.shownFont().pointSize);
        }
        return lines;
    }

    TestApp app;
    SlotScreen *form = nullptr;
};

struct OnScreen
{
    explicit OnScreen(Opened &o)
        : window(o.app.forms)
    {
        window.resize(1300, 900); // letter-boxed left and right
        window.show();
        window.view().refresh();
    }
    QPoint pixel(const QPointF &twips) const
    {
        return window.view().mapTo(&window, window.view().scaling().toPixels(twips).toPoint());
    }
    void drag(const QPointF &from, const QPointF &to)
    {
        QWindow *win = window.windowHandle();
        QTest::mousePress(win, Qt::LeftButton, {}, pixel(from));
        QTest::mouseMove(win, (pixel(from) + pixel(to)) / 2);
        QTest::mouseMove(win, pixel(to));
        QTest::mouseRelease(win, Qt::LeftButton, {}, pixel(to));
    }
    void click(const QPointF &twips) { QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, pixel(twips)); }
    MainWindow window;
};

QPointF somewhereIn(QRandomGenerator &random, const QRectF &r)
{
    return {r.left() + random.bounded(r.width()), r.top() + random.bounded(r.height())};
}

QString report(const QString &what, const QStringList &found)
{
    return what + QStringLiteral("\n  ") + found.join(QStringLiteral("\n  "));
}

} // namespace

class tst_SlotLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); }
    void cleanup()
    {
        if (QWidget *w = QApplication::activeWindow())
            QTest::mouseRelease(w->windowHandle(), Qt::LeftButton);
    }
    void activities_data();
    void randomDragsLeaveEverythingInSight_data() { activities_data(); }
    void randomDragsLeaveEverythingInSight();
    void tapsAnywhereInABoxPlaceAsTheKeysDo_data() { activities_data(); }
    void tapsAnywhereInABoxPlaceAsTheKeysDo();
    void everySentenceFitsOneBox_data();
    void everySentenceFitsOneBox();
};

void tst_SlotLayout::activities_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<quint32>("seed");
    for (const QString &id : {QStringLiteral("person"), QStringLiteral("notemaking")}) {
        for (const quint32 seed : {1u, 2u, 3u})
            QTest::newRow(qPrintable(QStringLiteral("%1, seed %2").arg(id).arg(seed))) << id << seed;
    }
}

void tst_SlotLayout::randomDragsLeaveEverythingInSight()
{
    QFETCH(QString, id);
    QFETCH(quint32, seed);
    Opened o(id);
    OnScreen on(o);
    QVERIFY(QTest::qWaitForWindowExposed(&on.window));
    QRandomGenerator random(seed);
    const QRectF screen(0, 0, Slot::ScreenWidth, Slot::ScreenHeight);
    const SlotRect &verdict = findSlotActivity(id)->feedback;
    // Where the pointer lets go (the word's centre comes there), by what is aimed at.
    const QList<QPair<QString, std::function<QPointF(const Control &)>>> aims{
        {"a box", [&](const Control &) { return somewhereIn(random, o.box(int(random.bounded(quint32(o.form->boxCount()))))); }},
        {"a copy", [&](const Control &) {
             const int k = int(random.bounded(quint32(o.form->wordCount())));
             return o.c(Copy, k).visible ? o.c(Copy, k).rect().center() : somewhereIn(random, o.box(0));
         }},
        {"another word", [&](const Control &) { return o.c(Word, int(random.bounded(quint32(o.form->wordCount())))).rect().center(); }},
        {"past the left edge", [&](const Control &) { return QPointF(-random.bounded(600.0), random.bounded(screen.height())); }},
        {"past the right edge", [&](const Control &w) { return QPointF(screen.width() - w.width / 3, random.bounded(screen.height())); }},
        {"past the top edge", [&](const Control &) { return QPointF(random.bounded(screen.width()), -random.bounded(600.0)); }},
        {"past the bottom edge", [&](const Control &w) { return QPointF(random.bounded(screen.width()), screen.height() - w.height / 3); }},
        {"Next", [&](const Control &) { return somewhereIn(random, o.c(QStringLiteral("cmdgo")).rect()); }},
        {"Exit", [&](const Control &) { return somewhereIn(random, o.c(QStringLiteral("cmdexit")).rect()); }},
        {"the verdict's place", [&](const Control &) {
             return somewhereIn(random, QRectF(verdict.left + 1000, verdict.top, verdict.width - 2000, verdict.height));
         }},
        {"anywhere", [&](const Control &) { return somewhereIn(random, screen); }},
    };
    for (int step = 0; step < 60; ++step) {
        int i = o.freeWord(random);
        if (i < 0 || step % 12 == 11) {
            on.click(o.c(QStringLiteral("cmdgo")).rect().center());
            i = o.freeWord(random);
        }
        const Control &w = o.c(Word, i);
        const auto &[aim, at] = aims[int(random.bounded(quint32(aims.size())))];
        const QPointF to = at(w);
        const QString what = QStringLiteral("seed %1, step %2: \"%3\" to %4 (%5, %6)").arg(seed).arg(step).arg(w.caption(), aim).arg(to.x()).arg(to.y());
        on.drag(w.rect().center(), to);
        QVERIFY2(o.findings().isEmpty(), qPrintable(report(what, o.findings())));
        QVERIFY2(o.app.forms.current() == o.form, qPrintable(what + QStringLiteral(": the activity was left")));
    }
    QCOMPARE(on.window.view().faults(), 0);
}

void tst_SlotLayout::tapsAnywhereInABoxPlaceAsTheKeysDo()
{
    QFETCH(QString, id);
    QFETCH(quint32, seed);
    Opened tapped(id);
    Opened keyed(id);
    OnScreen on(tapped);
    QVERIFY(QTest::qWaitForWindowExposed(&on.window));
    QRandomGenerator random(seed);
    for (int step = 0; step < 25; ++step) {
        int i = tapped.freeWord(random);
        if (i < 0) {
            on.click(tapped.c(QStringLiteral("cmdgo")).rect().center());
            keyed.form->cmdgo_Click();
            i = tapped.freeWord(random);
        }
        const int box = int(random.bounded(quint32(tapped.form->boxCount())));
        const QPointF at = somewhereIn(random, tapped.box(box).adjusted(10, 10, -10, -10));
        const QString what = QStringLiteral("seed %1, step %2: \"%3\" tapped into box %4 at (%5, %6)")
                                 .arg(seed).arg(step).arg(tapped.c(Word, i).caption()).arg(box).arg(at.x()).arg(at.y());
        on.click(tapped.c(Word, i).rect().center());
        on.click(at);
        // Space on the word, the arrows to the box (they stand in a row), Space again.
        keyed.c(Word, i).press();
        for (int j = 0; j < Slot::BoxCount; ++j)
            keyed.form->keyDown(Qt::Key_Left, 0);
        for (int j = 0; j < box; ++j)
            keyed.form->keyDown(Qt::Key_Right, 0);
        keyed.c(Word, i).press();
        QVERIFY2(!tapped.c(Word, i).enabled, qPrintable(what));
        QCOMPARE(tapped.copies(), keyed.copies());
        QVERIFY2(tapped.findings().isEmpty(), qPrintable(report(what, tapped.findings())));
    }
    QCOMPARE(tapped.c(QStringLiteral("Label9")).caption(), keyed.c(QStringLiteral("Label9")).caption());
    QCOMPARE(on.window.view().faults(), 0);
}

void tst_SlotLayout::everySentenceFitsOneBox_data()
{
    QTest::addColumn<QString>("id");
    QTest::newRow("person") << QStringLiteral("person");
    QTest::newRow("notemaking") << QStringLiteral("notemaking");
}

void tst_SlotLayout::everySentenceFitsOneBox()
{
    // The most a box is ever given, every word of a sentence, in every sentence of the bank.
    QFETCH(QString, id);
    Opened o(id);
    const int box = o.form->boxCount() - 1;
    for (int r = 0; r < findSlotActivity(id)->recordCount; ++r) {
        if (r > 0)
            o.form->cmdgo_Click();
        for (int i = 0; i < o.form->wordCount(); ++i)
            QCOMPARE(o.form->placeWord(i, box), box);
        QVERIFY2(o.findings().isEmpty(), qPrintable(report(QStringLiteral("record %1").arg(r), o.findings())));
        for (int i = 0; i < o.form->wordCount(); ++i) {
            const Control &w = o.c(Word, i);
            QVERIFY2(w.left + w.width <= Slot::ScreenWidth - Slot::LineLeft, qPrintable(w.caption()));
            QVERIFY2(w.top >= o.c(QStringLiteral("Label9")).rect().bottom(), qPrintable(w.caption())); // under the score
        }
    }
}

QTEST_MAIN(tst_SlotLayout)
#include "tst_slotlayout.moc"
