#include "sortfixture.h"

#include "controlwidget.h"
#include "fonts.h"
#include "formview.h"
#include "mainwindow.h"

namespace {

// A drag-and-sort screen in the program's window.
struct OnScreen
{
    explicit OnScreen(Sorting &sorting)
        : s(sorting)
        , window(sorting.app.forms)
    {
        s.screen->Show();
        window.resize(1000, 750);
        window.view().refresh();
        window.show();
    }
    QPoint pixel(const QPointF &twips) const
    {
        return window.view().mapTo(&window, window.view().scaling().toPixels(twips).toPoint());
    }
    void click(const QPointF &twips) { QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, pixel(twips)); }
    void drag(const QPointF &from, const QPointF &to)
    {
        QWindow *win = window.windowHandle();
        QTest::mousePress(win, Qt::LeftButton, {}, pixel(from));
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(win, pixel(from + (to - from) * step / 4));
        QTest::mouseRelease(win, Qt::LeftButton, {}, pixel(to));
    }
    // A key as the keyboard delivers it: to the focused control, or else the window.
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }

    Sorting &s;
    MainWindow window;
};

const Control &targetOf(const Sorting &s, int target)
{
    const int n = s.row().phraseCount;
    return target < n ? s.c("Label1", target) : s.c("Label4", target - n);
}

// Everything a drop can change, to set a tap beside a drag.
QStringList outcome(const Sorting &s)
{
    QStringList lines;
    for (int i = 0; i < s.row().phraseCount; ++i) {
        const Control &p = s.c("Label2", i);
        lines << QStringLiteral("phrase %1 \"%2\" at %3, %4%5")
                     .arg(i)
                     .arg(p.caption())
                     .arg(double(p.left))
                     .arg(double(p.top))
                     .arg(p.selected ? QStringLiteral(", selected") : QString());
    }
    lines << QStringLiteral("message \"%1\"%2").arg(s.c("Label6").caption(), s.c("Label6").visible ? " shown" : " hidden");
    lines << QStringLiteral("restart %1, check %2").arg(s.c("Label3").visible).arg(s.c("cmdcheckit").visible);
    lines << QStringLiteral("tick %1, cross %2").arg(s.timerOn("tmrtick")).arg(s.timerOn("tmrcross"));
    lines << QStringLiteral("cues ") + s.app.sound.played.join(QLatin1Char(' '));
    return lines;
}

} // namespace

class tst_SortTap : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); }
    void cleanup();
    void tapToPlaceEndsAsADragDoes_data();
    void tapToPlaceEndsAsADragDoes();
    void keyboardPlacesAPhrase();
    void nextRestartAndExitPutTheSelectionDown();
    void everyTargetOnScreenIsReachedWithTheArrows_data();
    void everyTargetOnScreenIsReachedWithTheArrows();
};

void tst_SortTap::cleanup()
{
    // A failed drag must not leave the button held for the next test.
    if (QWidget *w = QApplication::activeWindow())
        QTest::mouseRelease(w->windowHandle(), Qt::LeftButton);
}

void tst_SortTap::tapToPlaceEndsAsADragDoes_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("target");  // slots 0 .. N-1, then the home boxes
    QTest::addColumn<QPointF>("tapAt"); // where the target is tapped; its middle when null
    QTest::newRow("cv: the unsuitable statement into the dustbin, tapped on its caption")
        << QStringLiteral("cv") << 0 << 0 << QPointF(5880, 6900);
    QTest::newRow("cv: a suitable statement into the dustbin") << QStringLiteral("cv") << 2 << 0 << QPointF();
    QTest::newRow("chronological: a sentence into the third slot") << QStringLiteral("chronological") << 0 << 2 << QPointF();
    QTest::newRow("genre: a title under the first heading") << QStringLiteral("genre") << 2 << 0 << QPointF();
    QTest::newRow("similarity: a word into the second dustbin, tapped on its caption")
        << QStringLiteral("similarity") << 3 << 5 << QPointF(6037, 6667);
    QTest::newRow("key2: a fragment into Notepad 1") << QStringLiteral("key2") << 1 << 4 << QPointF();
}

void tst_SortTap::tapToPlaceEndsAsADragDoes()
{
    QFETCH(QString, id);
    QFETCH(int, item);
    QFETCH(int, target);
    QFETCH(QPointF, tapAt);

    QStringList dragged;
    {
        Sorting s(id);
        OnScreen on(s);
        QVERIFY(QTest::qWaitForWindowExposed(&on.window));
        const Control &p = s.c("Label2", item);
        const Control &t = targetOf(s, target);
        // The phrase's centre follows the pointer: let go where its corner meets the target's.
        on.drag(p.rect().center(), QPointF(t.left + p.width / 2, t.top + p.height / 2));
        dragged = outcome(s);
        QCOMPARE(on.window.view().faults(), 0);
    }
    Sorting s(id);
    OnScreen on(s);
    QVERIFY(QTest::qWaitForWindowExposed(&on.window));
    const Control &p = s.c("Label2", item);
    const Control &t = targetOf(s, target);
    on.click(p.rect().center());
    QVERIFY(p.selected);
    s.app.sound.played.clear(); // the tap's own drop, where the phrase lay
    on.click(tapAt.isNull() ? t.rect().center() : tapAt);
    QCOMPARE(outcome(s), dragged);
    QCOMPARE(on.window.view().faults(), 0);
}

void tst_SortTap::keyboardPlacesAPhrase()
{
    Sorting s(QStringLiteral("chronological"));
    OnScreen on(s);
    on.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&on.window));
    if (QWidget *focused = QApplication::focusWidget())
        focused->clearFocus();
    const Control &phrase = s.c("Label2", 0);
    on.key(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), on.window.view().widgetFor(&phrase)); // the top left phrase first
    on.key(Qt::Key_Space);
    QVERIFY(phrase.selected);
    QCOMPARE(s.screen->cursor, &s.c("Label1", 0));
    QVERIFY(on.window.view().cursorRing()->isVisible());
    QVERIFY(s.app.sound.played.isEmpty()); // picking up drops nothing
    on.key(Qt::Key_Down);
    on.key(Qt::Key_Down);
    QCOMPARE(s.screen->cursor, &s.c("Label1", 2));
    on.key(Qt::Key_Space);
    QCOMPARE(phrase.left, 3240.0f);
    QCOMPARE(phrase.top, 5760.0f);
    QCOMPARE(s.app.sound.played, QStringList{QStringLiteral("wav\\thud3.wav")});
    QVERIFY(!phrase.selected);
    QCOMPARE(s.screen->cursor, nullptr);
    QVERIFY(!on.window.view().cursorRing()->isVisible());

    // The other three from the keyboard: the cursor comes back where it was left (slot 2).
    const QList<QPair<int, QList<int>>> moves{{1, {Qt::Key_Up, Qt::Key_Up}},   // slot 0
                                              {2, {Qt::Key_Down}},             // slot 1
                                              {3, {Qt::Key_Down, Qt::Key_Down}}}; // slot 3
    for (const auto &[index, keys] : moves) {
        on.window.view().widgetFor(&s.c("Label2", index))->setFocus(Qt::TabFocusReason);
        on.key(Qt::Key_Enter);
        for (const int k : keys)
            on.key(k);
        on.key(Qt::Key_Enter);
    }
    for (const auto &[index, slot] : {std::pair{1, 0}, std::pair{2, 1}, std::pair{3, 3}})
        QCOMPARE(s.c("Label2", index).top, s.c("Label1", slot).top);
    QVERIFY(s.c("cmdcheckit").visible);
    on.window.view().widgetFor(&s.c("cmdcheckit"))->setFocus(Qt::TabFocusReason);
    on.key(Qt::Key_Return);
    QCOMPARE(s.c("Label6").caption(), QStringLiteral("Try Again")); // 1, 2, 0, 3 is not the order
    QCOMPARE(on.window.view().faults(), 0);
}

void tst_SortTap::nextRestartAndExitPutTheSelectionDown()
{
    Sorting s(QStringLiteral("similarity"));
    OnScreen on(s);
    on.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&on.window));
    if (QWidget *focused = QApplication::focusWidget())
        focused->clearFocus();
    const auto pickUp = [&s] {
        s.c("Label2", 2).press();
        QVERIFY(s.c("Label2", 2).selected);
        QVERIFY(s.screen->cursor);
    };
    pickUp();
    s.queueDeal(1);
    on.key(Qt::Key_N);
    QCOMPARE(s.app.state.LastItem, 1); // Next dealt the next set
    QCOMPARE(s.screen->picker().selected(), -1);
    QCOMPARE(s.screen->cursor, nullptr);
    QVERIFY(!s.c("Label2", 2).selected);
    pickUp();
    on.click(s.c("Label3").rect().center()); // Restart ("Try Again")
    QCOMPARE(s.screen->picker().selected(), -1);
    QVERIFY(!s.c("Label2", 2).selected);
    pickUp();
    on.key(Qt::Key_Escape);
    QVERIFY(!s.app.forms.isLoaded(QStringLiteral("similarity")));
    QCOMPARE(on.window.view().faults(), 0);
}

void tst_SortTap::everyTargetOnScreenIsReachedWithTheArrows_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("reachable");
    QTest::newRow("chronological: 4 slots and 4 home boxes") << QStringLiteral("chronological") << 8;
    QTest::newRow("genre: 3 slots and 3 home boxes") << QStringLiteral("genre") << 6;
    QTest::newRow("cv: the dustbin, 3 small boxes and 4 home boxes") << QStringLiteral("cv") << 8;
    QTest::newRow("similarity: 3 dustbins, 4 small boxes and 7 home boxes") << QStringLiteral("similarity") << 14;
    QTest::newRow("key2: 2 notepads, 3 small boxes and the home boxes of set 0") << QStringLiteral("key2") << 10;
}

void tst_SortTap::everyTargetOnScreenIsReachedWithTheArrows()
{
    QFETCH(QString, id);
    QFETCH(int, reachable);
    Sorting s(id);
    const int n = s.row().phraseCount;
    std::vector<QRectF> places;
    std::vector<bool> available;
    for (int t = 0; t < 2 * n; ++t) {
        const Control &target = targetOf(s, t);
        places.push_back(target.rect());
        available.push_back(target.visible && target.rect().intersects(QRectF(0, 0, 12000, 9000)));
    }
    s.c("Label2", 0).press();
    QVERIFY(s.screen->picker().cursor() >= 0);
    QVERIFY(s.screen->picker().cursor() < n); // it starts on a slot
    QSet<int> seen{s.screen->picker().cursor()};
    QList<int> todo{s.screen->picker().cursor()};
    while (!todo.isEmpty()) {
        const int from = todo.takeFirst();
        for (const int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}) {
            const int to = PickAndPlace::neighbour(places, available, from, key);
            if (to >= 0 && !seen.contains(to)) {
                seen.insert(to);
                todo << to;
            }
        }
    }
    QCOMPARE(int(seen.size()), reachable);
    QCOMPARE(int(seen.size()), int(std::count(available.begin(), available.end(), true)));
}

QTEST_MAIN(tst_SortTap)
#include "tst_sorttap.moc"
