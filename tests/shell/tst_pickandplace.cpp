#include "form.h"
#include "formregistry.h"
#include "pickandplace.h"

#include <QtTest>

namespace {

// Three phrases in their home boxes along the top, three slots in a row below, handled as
// the drag engines handle them: a phrase's centre follows the pointer, a release is a drop.
class Board : public Form
{
public:
    explicit Board(FormRegistry &registry)
        : Form(registry, QStringLiteral("board"))
    {
        std::vector<Control *> targets;
        for (int i = 0; i < 3; ++i)
            targets.push_back(&box(QStringLiteral("Label1"), i, 1000 + 3500 * i, 5000));
        for (int i = 0; i < 3; ++i)
            targets.push_back(&box(QStringLiteral("Label4"), i, 1000 + 3500 * i, 2000));
        for (int i = 0; i < 3; ++i) {
            Control &phrase = box(QStringLiteral("Label2"), i, 1000 + 3500 * i, 2000);
            phrase.onMouseMove = [this](int index, int button, int, float x, float y) {
                if (button != MouseButton::Left)
                    return;
                Control &p = *control(QStringLiteral("Label2"), index);
                p.left += x - p.width / 2;
                p.top += y - p.height / 2;
            };
            phrase.onMouseUp = [this](int index, int, int, float, float) { drops << index; };
        }
        picker.attach(*this, QStringLiteral("Label2"), 3, targets, 3, [this](int item, int target) {
            placed << qMakePair(item, target);
        });
    }

    Control &box(const QString &name, int index, float left, float top)
    {
        Control &c = add(ControlKind::Label, name, index);
        c.left = left;
        c.top = top;
        c.width = 3000;
        c.height = 500;
        return c;
    }
    Control &phrase(int i) const { return *control(QStringLiteral("Label2"), i); }
    Control &slot(int i) const { return *control(QStringLiteral("Label1"), i); }

    // The pointer pressed at the first point (twips on the form), moved through the
    // others and released at the last, as the view reports it.
    void pointer(int i, const QList<QPointF> &path, int button = MouseButton::Left)
    {
        Control &p = phrase(i);
        const auto at = [&p](const QPointF &point) { return QPointF(point.x() - p.left, point.y() - p.top); };
        QPointF local = at(path.front());
        p.onMouseDown(i, button, 0, float(local.x()), float(local.y()));
        for (qsizetype k = 1; k < path.size(); ++k) {
            local = at(path[k]);
            p.onMouseMove(i, button, 0, float(local.x()), float(local.y()));
        }
        local = at(path.back());
        p.onMouseUp(i, button, 0, float(local.x()), float(local.y()));
    }
    void tap(int i) { pointer(i, {phrase(i).rect().center()}); }
    // A press on target t and a release at `at` (relative to it; its middle when null).
    void pressTarget(int t, int button, QPointF at = QPointF())
    {
        Control &target = *control(t < 3 ? QStringLiteral("Label1") : QStringLiteral("Label4"), t % 3);
        if (at.isNull())
            at = QPointF(target.width / 2, target.height / 2);
        target.onMouseUp(t % 3, button, 0, float(at.x()), float(at.y()));
    }
    void tapTarget(int t) { pressTarget(t, MouseButton::Left); }

    PickAndPlace picker;
    QList<int> drops;
    QList<QPair<int, int>> placed;
};

struct Fixture
{
    FormRegistry forms;
    Board board{forms};
};

} // namespace

class tst_PickAndPlace : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aReleaseThatHardlyMovedSelects_data();
    void aReleaseThatHardlyMovedSelects();
    void aTapOnATargetPlacesTheSelectedItem();
    void onlyShownEnabledItemsCanBeSelected();
    void keyboardSelectsMovesTheCursorAndPlaces();
    void cursorSkipsTargetsThatCannotBeSeen();
    void arrowsGoToTheNearestTargetOnThatSide_data();
    void arrowsGoToTheNearestTargetOnThatSide();
};

void tst_PickAndPlace::aReleaseThatHardlyMovedSelects_data()
{
    QTest::addColumn<QList<QPointF>>("moves"); // pointer offsets from the press, in twips
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("selects");
    QTest::newRow("press and release in one place") << QList<QPointF>{} << MouseButton::Left << true;
    QTest::newRow("a wobble within the slop") << QList<QPointF>{{100, 0}, {0, 100}, {60, -60}} << MouseButton::Left << true;
    QTest::newRow("released just past the slop") << QList<QPointF>{{151, 0}} << MouseButton::Left << false;
    QTest::newRow("moved away and back: a drag") << QList<QPointF>{{2000, 1500}, {0, 0}} << MouseButton::Left << false;
    QTest::newRow("right button: a drop, never a selection") << QList<QPointF>{} << MouseButton::Right << false;
}

void tst_PickAndPlace::aReleaseThatHardlyMovedSelects()
{
    QFETCH(QList<QPointF>, moves);
    QFETCH(int, button);
    QFETCH(bool, selects);
    Fixture f;
    f.board.tap(2); // something already selected, which a drag puts down
    QCOMPARE(f.board.picker.selected(), 2);
    const QPointF press = f.board.phrase(0).rect().center();
    QList<QPointF> path{press};
    for (const QPointF &move : moves)
        path << press + move;
    f.board.pointer(0, path, button);
    QCOMPARE(f.board.drops, (QList<int>{2, 0})); // every release still drops
    QCOMPARE(f.board.picker.selected() == 0, selects);
    QCOMPARE(f.board.phrase(0).selected, selects);
    if (button == MouseButton::Left) // a left tap moves the selection, a drag clears it
        QVERIFY(!f.board.phrase(2).selected);
    else
        QCOMPARE(f.board.picker.selected(), 2);
}

void tst_PickAndPlace::aTapOnATargetPlacesTheSelectedItem()
{
    Fixture f;
    Board &b = f.board;
    b.tapTarget(1); // nothing selected: nothing happens
    QVERIFY(b.placed.isEmpty());
    b.tap(0);
    b.tap(1); // another item: it is selected instead
    QVERIFY(!b.phrase(0).selected);
    QVERIFY(b.phrase(1).selected);
    QVERIFY(b.phrase(1).zOrder > b.phrase(0).zOrder); // drawn over the others
    b.pressTarget(2, MouseButton::Right); // only the left button taps
    QVERIFY(b.placed.isEmpty());
    b.pressTarget(2, MouseButton::Left, QPointF(3100, 100)); // let go off the slot
    QVERIFY(b.placed.isEmpty());
    b.tapTarget(2);
    QCOMPARE(b.placed, (QList<QPair<int, int>>{{1, 2}}));
    QCOMPARE(b.picker.selected(), -1); // put down
    QVERIFY(!b.phrase(1).selected);
    // Items are pressed from the keyboard; targets are reached by the cursor instead.
    QVERIFY(b.phrase(1).isPressable() && !b.slot(2).isPressable());
    b.tapTarget(3); // a home box, with nothing selected again
    QCOMPARE(b.placed.size(), 1);
}

void tst_PickAndPlace::onlyShownEnabledItemsCanBeSelected()
{
    Fixture f;
    Board &b = f.board;
    b.phrase(0).enabled = false;
    b.tap(0);
    QCOMPARE(b.picker.selected(), -1);
    b.phrase(1).visible = false;
    b.picker.activateItem(1);
    QCOMPARE(b.picker.selected(), -1);
    QCOMPARE(b.cursor, nullptr);
    // Selected, then hidden before the target is tapped: nothing moves.
    b.tap(2);
    b.phrase(2).visible = false;
    b.tapTarget(0);
    QVERIFY(b.placed.isEmpty());
}

void tst_PickAndPlace::keyboardSelectsMovesTheCursorAndPlaces()
{
    Fixture f;
    Board &b = f.board;
    QVERIFY(!b.keyDown(Qt::Key_Right, 0)); // nothing selected: the arrows are not ours
    QVERIFY(!b.keyDown(Qt::Key_Space, 0));
    b.phrase(1).onActivate(1); // Space on the focused item
    QCOMPARE(b.picker.selected(), 1);
    QVERIFY(b.drops.isEmpty()); // selecting from the keyboard drops nothing
    QCOMPARE(b.cursor, &b.slot(0)); // the first slot in reading order, not a home box
    QVERIFY(!b.keyDown(Qt::Key_Right, ShiftKey::Ctrl));
    QVERIFY(b.keyDown(Qt::Key_Right, 0));
    QVERIFY(b.keyDown(Qt::Key_Right, 0));
    QCOMPARE(b.cursor, &b.slot(2));
    QVERIFY(b.keyDown(Qt::Key_Right, 0)); // nothing further right: it stays
    QCOMPARE(b.picker.cursor(), 2);
    QVERIFY(b.keyDown(Qt::Key_Up, 0));
    QCOMPARE(b.picker.cursor(), 5); // the home box above
    QVERIFY(b.keyDown(Qt::Key_Down, 0));
    QVERIFY(b.keyDown(Qt::Key_Return, 0));
    QCOMPARE(b.placed, (QList<QPair<int, int>>{{1, 2}}));
    QCOMPARE(b.cursor, nullptr);
    QCOMPARE(b.picker.selected(), -1);

    // Tapped first, then Space on it: the cursor comes back where it was; Space again places.
    b.tap(0);
    QCOMPARE(b.cursor, nullptr); // a tap shows no cursor
    b.phrase(0).onActivate(0);
    QCOMPARE(b.picker.cursor(), 2);
    b.phrase(0).onActivate(0);
    QCOMPARE(b.placed.last(), qMakePair(0, 2));
}

void tst_PickAndPlace::cursorSkipsTargetsThatCannotBeSeen()
{
    Fixture f;
    Board &b = f.board;
    b.slot(0).visible = false;
    b.slot(1).top = 9000; // just below the bottom edge
    b.phrase(0).onActivate(0);
    QCOMPARE(b.picker.cursor(), 2);
    QVERIFY(b.keyDown(Qt::Key_Left, 0));
    QCOMPARE(b.picker.cursor(), 4); // not the slots out of sight: the home box up and to the left
    b.picker.clear();
    b.phrase(1).onActivate(1);
    QCOMPARE(b.picker.cursor(), 4); // back where it was left

    // No slot to be seen: the home boxes.
    Fixture g;
    for (int i = 0; i < 3; ++i)
        g.board.slot(i).visible = false;
    g.board.phrase(0).onActivate(0);
    QCOMPARE(g.board.picker.cursor(), 3);
}

void tst_PickAndPlace::arrowsGoToTheNearestTargetOnThatSide_data()
{
    // Chronological Order's places: home boxes 0 to 3 in two rows of two, the four slots
    // in one column below them.
    const std::vector<QRectF> places{{300, 2520, 5355, 435}, {300, 3240, 5355, 435}, {6300, 2520, 5355, 435},
                                     {6300, 3240, 5355, 435}, {3240, 4320, 5355, 435}, {3240, 5040, 5355, 435},
                                     {3240, 5760, 5355, 435}, {3240, 6480, 5355, 435}};
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");
    QTest::newRow("down the column of slots") << 4 << int(Qt::Key_Down) << 5;
    QTest::newRow("up from the top slot: the nearer home box") << 4 << int(Qt::Key_Up) << 1;
    QTest::newRow("right along a row of home boxes") << 1 << int(Qt::Key_Right) << 3;
    QTest::newRow("left along a row of home boxes") << 2 << int(Qt::Key_Left) << 0;
    QTest::newRow("down from a home box: the next row first") << 0 << int(Qt::Key_Down) << 1;
    QTest::newRow("nothing below the last slot") << 7 << int(Qt::Key_Down) << -1;
    QTest::newRow("nothing in the row right of a slot: the nearest up and to the right") << 5 << int(Qt::Key_Right) << 3;
    QTest::newRow("nothing left of a home box") << 0 << int(Qt::Key_Left) << -1;
    QTest::newRow("hidden targets are passed over") << 4 << int(Qt::Key_Down) << 6;
    QTest::newRow("not an arrow") << 4 << int(Qt::Key_Space) << -1;
}

void tst_PickAndPlace::arrowsGoToTheNearestTargetOnThatSide()
{
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);
    const std::vector<QRectF> places{{300, 2520, 5355, 435}, {300, 3240, 5355, 435}, {6300, 2520, 5355, 435},
                                     {6300, 3240, 5355, 435}, {3240, 4320, 5355, 435}, {3240, 5040, 5355, 435},
                                     {3240, 5760, 5355, 435}, {3240, 6480, 5355, 435}};
    std::vector<bool> available(places.size(), true);
    if (QByteArray(QTest::currentDataTag()).startsWith("hidden"))
        available[5] = false;
    QCOMPARE(PickAndPlace::neighbour(places, available, from, key), to);
}

QTEST_GUILESS_MAIN(tst_PickAndPlace)
#include "tst_pickandplace.moc"
