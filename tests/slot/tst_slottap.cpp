#include "controlwidget.h"
#include "fonts.h"
#include "formview.h"
#include "mainwindow.h"
#include "playcue.h"
#include "slotactivities.h"
#include "slotengine.h"
#include "testsupport.h"

#include <QtTest>

namespace {

// An activity opened as its menu opens it, its first sentence dealt.
struct Opened
{
    explicit Opened(const QString &id)
    {
        registerSlotActivities(app.context);
        app.forms.registerForm(QString::fromLatin1(Grey::Name), [this](FormRegistry &) { return std::make_unique<Grey>(app.context); });
        app.state.SoundOn = 1;
        form = app.forms.get<SlotScreen>(id);
        form->Show();
        form->timer(QStringLiteral("Timer1"))->fire();
        app.sound.played.clear();
    }
    Control &c(const char *name, int i = -1) const { return form->ctl(QString::fromLatin1(name), i); }
    // Drags word i with the left button until its corner is at (left, top), and lets go.
    void drag(int i, const QPointF &corner) const
    {
        Control &w = c("Label7", i);
        w.onMouseMove(i, MouseButton::Left, 0, float(corner.x()) - w.left + w.width / 2, float(corner.y()) - w.top + w.height / 2);
        w.onMouseUp(i, MouseButton::Left, 0, w.width / 2, w.height / 2);
    }

    TestApp app;
    SlotScreen *form = nullptr;
};

// The program's window showing the activity.
struct OnScreen
{
    explicit OnScreen(Opened &o)
        : window(o.app.forms)
    {
        window.resize(1000, 750);
        window.view().refresh();
        window.show();
    }
    void click(const QPointF &twips)
    {
        const QPoint pixel = window.view().mapTo(&window, window.view().scaling().toPixels(twips).toPoint());
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, pixel);
    }
    void key(int key)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QTest::keyClick(target, Qt::Key(key));
    }
    MainWindow window;
};

// Everything a drop can change, to set a tap beside a drag.
QStringList outcome(const Opened &o)
{
    QStringList lines;
    for (int i = 0; i < o.form->wordCount(); ++i) {
        const Control &w = o.c("Label7", i);
        const Control &copy = o.c("Label2", i);
        const Control &overlay = o.c("Label11", i);
        lines << QStringLiteral("word %1 \"%2\" at %3, %4%5%6")
                     .arg(i)
                     .arg(w.caption())
                     .arg(double(w.left))
                     .arg(double(w.top))
                     .arg(w.enabled ? "" : ", placed")
                     .arg(w.selected ? ", selected" : "");
        if (copy.visible)
            lines << QStringLiteral("  copy \"%1\" at %2, %3").arg(copy.caption()).arg(double(copy.left)).arg(double(copy.top));
        if (overlay.visible)
            lines << QStringLiteral("  green \"%1\" at %2, %3").arg(overlay.caption()).arg(double(overlay.left)).arg(double(overlay.top));
    }
    lines << QStringLiteral("verdict \"%1\"%2").arg(o.c("Label1").caption(), o.c("Label1").visible ? " shown" : " hidden");
    lines << QStringLiteral("score \"%1\" read as \"%2\"").arg(o.c("Label9").caption(), o.c("Label9").accessibleName);
    lines << QStringLiteral("tick %1, cross %2")
                 .arg(o.form->timer(QStringLiteral("tmrtick"))->enabled)
                 .arg(o.form->timer(QStringLiteral("tmrcross"))->enabled);
    lines << QStringLiteral("cues ") + o.app.sound.played.join(QLatin1Char(' '));
    return lines;
}

} // namespace

class tst_SlotTap : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); }
    void tapToPlaceScoresAsADragDoes_data();
    void tapToPlaceScoresAsADragDoes();
    void copiesInABoxLieInRowsInsideIt();
    void keyboardPlacesAWord();
    void everyBoxOnScreenIsReachedWithTheArrows_data();
    void everyBoxOnScreenIsReachedWithTheArrows();
};

void tst_SlotTap::tapToPlaceScoresAsADragDoes_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("box");
    QTest::addColumn<QPointF>("tapAt"); // where the box is tapped; its middle when null
    QTest::addColumn<QString>("verdict");
    QTest::newRow("person: \"you\" into 2nd Person") << QStringLiteral("person") << 4 << 1 << QPointF() << QStringLiteral("Correct");
    QTest::newRow("person: \"you\" into 1st Person") << QStringLiteral("person") << 4 << 0 << QPointF() << QStringLiteral("Wrong");
    QTest::newRow("person: \"This\", which belongs in no box") << QStringLiteral("person") << 0 << 2 << QPointF() << QStringLiteral("Wrong");
    QTest::newRow("notemaking: \"visitors\" into the note pad") << QStringLiteral("notemaking") << 1 << 0 << QPointF() << QStringLiteral("Correct");
    QTest::newRow("notemaking: \"The\" into the pad's bottom right corner")
        << QStringLiteral("notemaking") << 0 << 0 << QPointF(5900, 6700) << QStringLiteral("Wrong");
}

void tst_SlotTap::tapToPlaceScoresAsADragDoes()
{
    QFETCH(QString, id);
    QFETCH(int, word);
    QFETCH(int, box);
    QFETCH(QPointF, tapAt);
    QFETCH(QString, verdict);

    // Dragged in near the box's top left; tapped in elsewhere: the same outcome.
    Opened dragged(id);
    const Control &into = dragged.c("Label5", box);
    dragged.drag(word, QPointF(into.left + 30, into.top + 30));

    Opened tapped(id);
    OnScreen on(tapped);
    QVERIFY(QTest::qWaitForWindowExposed(&on.window));
    on.click(tapped.c("Label7", word).rect().center());
    QVERIFY(tapped.c("Label7", word).selected);
    QVERIFY(tapped.app.sound.played.isEmpty()); // a word let go in the sentence: no drop
    const Control &target = tapped.c("Label5", box);
    on.click(tapAt.isNull() ? target.rect().center() : tapAt);

    QCOMPARE(tapped.c("Label1").caption(), verdict);
    QCOMPARE(outcome(tapped), outcome(dragged));
    QCOMPARE(on.window.view().faults(), 0);
}

void tst_SlotTap::copiesInABoxLieInRowsInsideIt()
{
    // "This is my book; you know it belongs to me. ": every word but "it" into box 0, by
    // tap, by drag (let go at different heights in the drop window) and from the keyboard.
    Opened o(QStringLiteral("person"));
    const Control &box = o.c("Label5", 0);
    const QRectF inside = box.rect().adjusted(Slot::BoxInset, Slot::BoxInset, -Slot::BoxInset, -Slot::BoxInset);
    const QList<int> order{2, 9, 4, 0, 1, 3, 5, 7, 8};
    for (int k = 0; k < order.size(); ++k) {
        const int word = order[k];
        if (k % 3 == 0) {
            o.form->picker().select(word);
            o.c("Label5", 0).onMouseUp(0, MouseButton::Left, 0, box.width / 2, box.height - 10);
        } else if (k % 3 == 1) {
            o.drag(word, QPointF(box.left - 400 + 300 * k, box.top - 900 + 250 * k));
        } else {
            QCOMPARE(o.form->placeWord(word, 0), 0);
        }
        // Each copy after the one before it, on its row or a lower one, all inside the box
        // in one size; none over another (the checks of tst_slotlayout).
        const Control &copy = o.c("Label2", word);
        QVERIFY2(inside.contains(copy.rect()), qPrintable(copy.caption()));
        if (k > 0) {
            const Control &before = o.c("Label2", order[k - 1]);
            QVERIFY(copy.top > before.top || (copy.top == before.top && copy.left > before.left + before.width));
            QCOMPARE(copy.shownFont().pointSize, before.shownFont().pointSize);
        }
    }
    QVERIFY(o.c("Label2", 2).shownFont().pointSize < o.c("Label7", 2).font().pointSize * 0.9); // nine copies: smaller
    QCOMPARE(o.c("Label9").caption(), scoreText(2 - 7)); // "my" and "me." right, the rest wrong
}

void tst_SlotTap::keyboardPlacesAWord()
{
    Opened o(QStringLiteral("person"));
    OnScreen on(o);
    on.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&on.window));
    if (QWidget *focused = QApplication::focusWidget())
        focused->clearFocus();
    FormView &view = on.window.view();
    for (int i = 0; i < 5; ++i)
        on.key(Qt::Key_Tab);
    const Control &you = o.c("Label7", 4);
    QCOMPARE(QApplication::focusWidget(), view.widgetFor(&you)); // the words in the order they are read
    on.key(Qt::Key_Space);
    QVERIFY(you.selected);
    QCOMPARE(o.form->cursor, &o.c("Label5", 0));
    QCOMPARE(view.cursorRing()->accessibleName(), QStringLiteral("Target: 1st Person"));
    on.key(Qt::Key_Right);
    QCOMPARE(o.form->cursor, &o.c("Label5", 1));
    on.key(Qt::Key_Enter);
    QCOMPARE(o.c("Label1").caption(), QStringLiteral("Correct"));
    QCOMPARE(o.c("Label9").caption(), QStringLiteral(" 1"));
    QCOMPARE(o.c("Label9").accessibleName, QStringLiteral("Score 1"));
    QVERIFY(!you.enabled);
    // The placed word cannot take the focus or be picked up again; the next word has the focus.
    QCOMPARE(QApplication::focusWidget(), view.widgetFor(&o.c("Label7", 5)));
    QVERIFY(view.widgetFor(&o.c("Label7", 5))->showsFocusRing());
    o.form->picker().select(4);
    QCOMPARE(o.form->picker().selected(), -1);
    on.click(you.rect().center());
    QCOMPARE(o.form->picker().selected(), -1);

    // Next from the keyboard puts a selection down and deals the next sentence.
    on.key(Qt::Key_Space);
    QVERIFY(o.c("Label7", 5).selected);
    on.key(Qt::Key_N);
    QCOMPARE(o.app.state.ItemCounter, 1);
    QCOMPARE(o.form->picker().selected(), -1);
    QVERIFY(!o.c("Label7", 5).selected);
    QCOMPARE(o.form->cursor, nullptr);
    QCOMPARE(view.faults(), 0);
}

void tst_SlotTap::everyBoxOnScreenIsReachedWithTheArrows_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QList<int>>("route"); // boxes the cursor visits going right from the first
    QTest::newRow("person: three containers in a row") << QStringLiteral("person") << QList<int>{0, 1, 2};
    QTest::newRow("notemaking: the note pad alone") << QStringLiteral("notemaking") << QList<int>{0};
}

void tst_SlotTap::everyBoxOnScreenIsReachedWithTheArrows()
{
    QFETCH(QString, id);
    QFETCH(QList<int>, route);
    Opened o(id);
    o.c("Label7", 0).press();
    QList<int> visited{o.form->picker().cursor()};
    for (int k = 0; k < 3; ++k) {
        QVERIFY(o.form->keyDown(Qt::Key_Right, 0));
        if (o.form->picker().cursor() != visited.last())
            visited << o.form->picker().cursor();
    }
    QCOMPARE(visited, route);
}

QTEST_MAIN(tst_SlotTap)
#include "tst_slottap.moc"
