#include "controlwidget.h"
#include "form.h"
#include "formregistry.h"
#include "formview.h"
#include "mainwindow.h"
#include "readingorder.h"

#include <QAccessible>
#include <QtTest>

namespace {

// A screen with four answers in two rows (made in a scrambled order, the first one set a
// little lower than its neighbour on the right), a phrase that is picked up rather than clicked, the
// Exit and Next buttons, a caption lying over the first answer, and controls the keyboard
// must pass over.
class Panel : public Form
{
public:
    explicit Panel(FormRegistry &registry)
        : Form(registry, QStringLiteral("panel"))
    {
        for (const auto &[index, left, top] : {std::tuple{3, 6600, 4000}, std::tuple{0, 600, 2060},
                                               std::tuple{2, 600, 4000}, std::tuple{1, 6600, 2000}}) {
            Control &answer = at(ControlKind::Label, QStringLiteral("Label5"), index, left, top, 4800, 600);
            answer.setCaption(QStringLiteral("answer %1").arg(index));
            answer.onClick = [this](int i) { log << QStringLiteral("click %1").arg(i); };
        }
        Control &phrase = at(ControlKind::Label, QStringLiteral("Label2"), 0, 3000, 6000, 5000, 435);
        phrase.setCaption(QStringLiteral("We dawdled into school."));
        phrase.onMouseUp = [this](int, int, int, float, float) { log << QStringLiteral("drop"); };
        phrase.onActivate = [this](int) { log << QStringLiteral("pick up"); };
        for (const auto &[name, left] : {std::pair{"cmdgo", 10020}, std::pair{"cmdexit", 90}}) {
            Control &button = at(ControlKind::CommandButton, QString::fromLatin1(name), -1, left, 7920, 1785, 500);
            button.onClick = [this, name](int) { log << QString::fromLatin1(name); };
        }
        // A caption over the lower half of answer 0: it does nothing with the pointer.
        Control &caption = at(ControlKind::Label, QStringLiteral("Label6"), -1, 600, 2300, 4800, 300);
        caption.opaque = false;
        caption.setCaption(QStringLiteral("a caption"));
        // Clickable, but not to be reached by Tab: hidden, disabled.
        at(ControlKind::Label, QStringLiteral("Label8"), -1, 0, 400, 900, 300).visible = false;
        at(ControlKind::Label, QStringLiteral("Label9"), -1, 0, 800, 900, 300).enabled = false;
        for (const char *name : {"Label8", "Label9"})
            control(QString::fromLatin1(name))->onClick = [this](int) { log << QStringLiteral("never"); };
        // Only hovering: no keyboard press for it either.
        at(ControlKind::Label, QStringLiteral("Label1"), -1, 0, 1200, 900, 300).onMouseMove = [](int, int, int, float, float) {};

        addKeyHandler([this](int key, int) {
            keys << key;
            return key == Qt::Key_N || key == Qt::Key_Right;
        });
    }

    Control &at(ControlKind kind, const QString &name, int index, float left, float top, float width, float height)
    {
        Control &c = add(kind, name, index);
        c.left = left;
        c.top = top;
        c.width = width;
        c.height = height;
        return c;
    }

    QStringList log;
    QList<int> keys;
};

struct Shown
{
    Shown()
    {
        forms.registerForm(QStringLiteral("panel"), [](FormRegistry &r) { return std::make_unique<Panel>(r); });
        panel = static_cast<Panel *>(forms.get(QStringLiteral("panel")));
        panel->Show();
        view.resize(800, 600);
        view.refresh();
        view.show();
        view.activateWindow();
    }
    ControlWidget *widget(const QString &name, int index = -1) const { return view.widgetFor(panel->control(name, index)); }
    QString focused() const
    {
        QWidget *w = QApplication::focusWidget();
        return w ? w->objectName() : QString();
    }
    // A key as the keyboard delivers it: to the focused control, or the window.
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &view;
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }

    FormRegistry forms;
    Panel *panel = nullptr;
    FormView view{forms};
};

} // namespace

class tst_Keyboard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readingOrderGoesLineByLine_data();
    void readingOrderGoesLineByLine();
    void tabGoesThroughPressableControlsInReadingOrder();
    void focusMovesOnWhenItsControlGoesAway();
    void keysGoToTheFocusedControlAndThenTheScreen();
    void aHeldKeyPressesOnceButArrowsRepeat();
    void pressesPassThroughControlsThatIgnoreThePointer();
    void cursorRingIsDrawnOverEverything();
    void screenReadersCanPickUpAPhrase();
};

void tst_Keyboard::readingOrderGoesLineByLine_data()
{
    QTest::addColumn<QList<QRectF>>("rects");
    QTest::addColumn<QList<int>>("order");
    QTest::newRow("two rows of two, made out of order")
        << QList<QRectF>{{6600, 4000, 4800, 600}, {600, 2000, 4800, 600}, {600, 4000, 4800, 600}, {6600, 2000, 4800, 600}}
        << QList<int>{1, 3, 2, 0};
    QTest::newRow("a left neighbour set a little lower is on the same line")
        << QList<QRectF>{{600, 2250, 4800, 600}, {6600, 2000, 4800, 600}} << QList<int>{0, 1};
    QTest::newRow("half a line lower starts a new line")
        << QList<QRectF>{{600, 2300, 4800, 600}, {6600, 2000, 4800, 600}} << QList<int>{1, 0};
    QTest::newRow("buttons at the foot read after everything above")
        << QList<QRectF>{{10020, 7920, 1785, 500}, {90, 7920, 1785, 500}, {3000, 6000, 5000, 435}} << QList<int>{2, 1, 0};
    QTest::newRow("nothing") << QList<QRectF>{} << QList<int>{};
}

void tst_Keyboard::readingOrderGoesLineByLine()
{
    QFETCH(QList<QRectF>, rects);
    QFETCH(QList<int>, order);
    const std::vector<int> got = readingOrder(std::vector<QRectF>(rects.begin(), rects.end()));
    QCOMPARE(QList<int>(got.begin(), got.end()), order);
}

void tst_Keyboard::tabGoesThroughPressableControlsInReadingOrder()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowActive(&s.view));
    QStringList forwards;
    for (int i = 0; i < 8; ++i) {
        s.key(Qt::Key_Tab);
        forwards << s.focused();
    }
    QCOMPARE(forwards, (QStringList{"Label5(0)", "Label5(1)", "Label5(2)", "Label5(3)", "Label2(0)", "cmdexit", "cmdgo",
                                    "Label5(0)"}));
    QVERIFY(s.widget(QStringLiteral("Label5"), 0)->showsFocusRing()); // the keyboard brought it: the ring shows
    s.key(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(s.focused(), QStringLiteral("cmdgo"));
    s.key(Qt::Key_Backtab);
    QCOMPARE(s.focused(), QStringLiteral("cmdexit"));
}

void tst_Keyboard::focusMovesOnWhenItsControlGoesAway()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowActive(&s.view));
    s.key(Qt::Key_Tab);
    s.key(Qt::Key_Tab);
    QCOMPARE(s.focused(), QStringLiteral("Label5(1)"));
    Panel *panel = s.panel;
    s.view.dispatch([panel] { panel->control(QStringLiteral("Label5"), 1)->enabled = false; });
    QCOMPARE(s.focused(), QStringLiteral("Label5(2)")); // the next in reading order
    QVERIFY(s.widget(QStringLiteral("Label5"), 2)->showsFocusRing());

    // A focus the keyboard did not bring moves on without a ring.
    s.widget(QStringLiteral("Label5"), 3)->setFocus(Qt::ActiveWindowFocusReason);
    s.view.dispatch([panel] { panel->control(QStringLiteral("Label5"), 3)->visible = false; });
    QCOMPARE(s.focused(), QStringLiteral("Label2(0)"));
    QVERIFY(!s.widget(QStringLiteral("Label2"), 0)->showsFocusRing());
}

void tst_Keyboard::keysGoToTheFocusedControlAndThenTheScreen()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowActive(&s.view));
    s.key(Qt::Key_Tab);
    s.key(Qt::Key_Space); // an answer: clicked
    s.key(Qt::Key_N);     // not the answer's: the screen's
    for (int i = 0; i < 4; ++i)
        s.key(Qt::Key_Tab);
    QCOMPARE(s.focused(), QStringLiteral("Label2(0)"));
    s.key(Qt::Key_Enter); // a phrase is picked up, not clicked or dropped
    s.key(Qt::Key_Return);
    QCOMPARE(s.panel->log, (QStringList{"click 0", "pick up", "pick up"}));
    QCOMPARE(s.panel->keys, QList<int>{Qt::Key_N});

    // Handlers added later are asked first, and the first that uses a key keeps it.
    QStringList asked;
    s.panel->addKeyHandler([&asked](int key, int) {
        asked << QStringLiteral("later");
        return key == Qt::Key_N;
    });
    s.widget(QStringLiteral("Label2"), 0)->clearFocus(); // nothing focused: the window has the key
    s.key(Qt::Key_N);
    s.key(Qt::Key_Right);
    QCOMPARE(asked, (QStringList{"later", "later"}));
    QCOMPARE(s.panel->keys, (QList<int>{Qt::Key_N, Qt::Key_Right}));

    // In the main window, with nothing focused, the screen still hears the key.
    MainWindow window(s.forms);
    window.view().refresh();
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    if (QWidget *focused = QApplication::focusWidget())
        focused->clearFocus();
    QTest::keyClick(&window, Qt::Key_Right);
    QCOMPARE(s.panel->keys.last(), int(Qt::Key_Right));
    QCOMPARE(s.panel->keys.size(), 3);
}

void tst_Keyboard::aHeldKeyPressesOnceButArrowsRepeat()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowActive(&s.view));
    const auto hold = [&s](int key, QWidget *target) {
        for (const bool repeat : {false, true, true}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), repeat);
            QApplication::sendEvent(target, &press);
        }
    };
    hold(Qt::Key_N, &s.view);
    hold(Qt::Key_Right, &s.view);
    QCOMPARE(s.panel->keys, (QList<int>{Qt::Key_N, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right}));
    ControlWidget *next = s.widget(QStringLiteral("cmdgo"));
    next->setFocus(Qt::TabFocusReason);
    hold(Qt::Key_Space, next);
    QCOMPARE(s.panel->log, QStringList{"cmdgo"});
}

void tst_Keyboard::pressesPassThroughControlsThatIgnoreThePointer()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    const Scaling &scaling = s.view.scaling();
    // On the caption, which lies over answer 0.
    QTest::mouseClick(s.view.windowHandle(), Qt::LeftButton, {}, scaling.toPixels(QPointF(3000, 2450)).toPoint());
    QCOMPARE(s.panel->log, QStringList{"click 0"});
    // The phrase takes the pointer itself.
    QTest::mouseClick(s.view.windowHandle(), Qt::LeftButton, {}, scaling.toPixels(QPointF(5500, 6200)).toPoint());
    QCOMPARE(s.panel->log, (QStringList{"click 0", "drop"}));
}

void tst_Keyboard::cursorRingIsDrawnOverEverything()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    Panel *panel = s.panel;
    QWidget *ring = s.view.cursorRing();
    QVERIFY(!ring->isVisible());
    // The phrase lies over answer 3; the cursor on answer 3 still shows, around it.
    s.view.dispatch([panel] {
        Control &phrase = *panel->control(QStringLiteral("Label2"), 0);
        phrase.left = 6600;
        phrase.top = 4000;
        panel->cursor = panel->control(QStringLiteral("Label5"), 3);
    });
    QVERIFY(ring->isVisible());
    const QRect target = s.widget(QStringLiteral("Label5"), 3)->geometry();
    QVERIFY(ring->geometry().contains(target));
    QVERIFY(ring->geometry() != target);
    QCOMPARE(s.view.children().last(), ring); // over every control
    QCOMPARE(ring->accessibleName(), QStringLiteral("Target: answer 3"));
    // The pointer goes through the ring to the phrase.
    QTest::mouseClick(s.view.windowHandle(), Qt::LeftButton, {}, target.center());
    QCOMPARE(panel->log, QStringList{"drop"});
    s.view.dispatch([panel] { panel->control(QStringLiteral("Label5"), 3)->visible = false; });
    QVERIFY(!ring->isVisible()); // a hidden target has no cursor
    s.view.dispatch([panel] {
        panel->control(QStringLiteral("Label5"), 3)->visible = true;
        panel->cursor = nullptr;
    });
    QVERIFY(!ring->isVisible());
}

void tst_Keyboard::screenReadersCanPickUpAPhrase()
{
    Shown s;
    QAccessibleInterface *phrase = QAccessible::queryAccessibleInterface(s.widget(QStringLiteral("Label2"), 0));
    QCOMPARE(phrase->role(), QAccessible::Button);
    QCOMPARE(phrase->text(QAccessible::Name), QStringLiteral("We dawdled into school."));
    phrase->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(s.panel->log, QStringList{"pick up"});
    s.view.dispatch([&s] { s.panel->control(QStringLiteral("Label2"), 0)->selected = true; });
    QVERIFY(phrase->state().selected);
    QAccessibleInterface *caption = QAccessible::queryAccessibleInterface(s.widget(QStringLiteral("Label6")));
    QCOMPARE(caption->role(), QAccessible::StaticText);
    QVERIFY(caption->actionInterface() == nullptr || caption->actionInterface()->actionNames().isEmpty());
}

QTEST_MAIN(tst_Keyboard)
#include "tst_keyboard.moc"
