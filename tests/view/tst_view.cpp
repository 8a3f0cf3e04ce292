#include "controlwidget.h"
#include "form.h"
#include "formregistry.h"
#include "formview.h"
#include "mainwindow.h"
#include "scaling.h"
#include "textmeasurer.h"
#include "timerrunner.h"

#include <QAccessible>
#include <QtTest>

namespace {

struct Event
{
    QString what;
    int index;
    int button;
    float x, y;
};

// A screen with one draggable phrase and one button, recording what reaches the handlers.
class DragScreen : public Form
{
public:
    explicit DragScreen(FormRegistry &registry)
        : Form(registry, QStringLiteral("drag"))
    {
        Control &phrase = add(ControlKind::Label, QStringLiteral("Label2"), 1);
        phrase.left = 300;
        phrase.top = 2520;
        phrase.width = 5355;
        phrase.height = 435;
        phrase.onMouseDown = [this](int i, int b, int, float x, float y) { events.push_back({QStringLiteral("down"), i, b, x, y}); };
        phrase.onMouseMove = [this](int i, int b, int, float x, float y) {
            if (b == 0)
                return; // hovering: the pointer arriving before a press
            events.push_back({QStringLiteral("move"), i, b, x, y});
            if (b == MouseButton::Left) { // the phrase's centre follows the pointer
                Control &p = *control(QStringLiteral("Label2"), i);
                p.left += x - p.width / 2;
                p.top += y - p.height / 2;
            }
        };
        phrase.onMouseUp = [this](int i, int b, int, float x, float y) { events.push_back({QStringLiteral("up"), i, b, x, y}); };
        Control &next = add(ControlKind::CommandButton, QStringLiteral("cmdgo"));
        next.left = 10020;
        next.top = 7920;
        next.width = 1785;
        next.height = 500;
        next.onClick = [this](int) { events.push_back({QStringLiteral("click"), -1, 1, 0, 0}); };
    }
    std::vector<Event> events;
};

} // namespace

class tst_View : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scalingRoundTrips_data();
    void scalingRoundTrips();
    void mouseReachesHandlerInTwips_data();
    void mouseReachesHandlerInTwips();
    void dragStaysWithThePressedControl();
    void clickNeedsPressAndReleaseInside();
    void resizingNeverChangesTwips();
    void oneMillisecondTimersRunAtAVisibleRate();
    void screenReadersSeeRolesNamesAndPress();
    void cleanup();
};

void tst_View::cleanup()
{
    // A failed drag must not leave the button held for the next test.
    if (QWidget *w = QApplication::activeWindow())
        QTest::mouseRelease(w->windowHandle(), Qt::LeftButton);
}

void tst_View::scalingRoundTrips_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QPointF>("origin");
    QTest::newRow("800 x 600: 15 twips a pixel") << QSize(800, 600) << 1.0 / 15 << QPointF(0, 0);
    QTest::newRow("4K: letter-boxed left and right") << QSize(3840, 2160) << 0.24 << QPointF(480, 0);
    QTest::newRow("tall window: letter-boxed above and below") << QSize(800, 1000) << 1.0 / 15 << QPointF(0, 200);
}

void tst_View::scalingRoundTrips()
{
    QFETCH(QSize, window);
    QFETCH(double, scale);
    QFETCH(QPointF, origin);
    const Scaling scaling(window, QSizeF(12000, 9000));
    QCOMPARE(scaling.scale(), scale);
    QCOMPARE(scaling.origin(), origin);
    const QPointF twips(10020, 7920);
    const QPointF back = scaling.toTwips(scaling.toPixels(twips));
    QVERIFY(qAbs(back.x() - twips.x()) < 1e-6 && qAbs(back.y() - twips.y()) < 1e-6);
    // The covering rectangle never clips a control.
    const QRect r = scaling.coveringRect(QRectF(10740, 180, 750, 735));
    QVERIFY(QRectF(r).contains(scaling.toPixels(QRectF(10740, 180, 750, 735))));
}

void tst_View::mouseReachesHandlerInTwips_data()
{
    QTest::addColumn<QSize>("window");
    QTest::newRow("800 x 600") << QSize(800, 600);
    QTest::newRow("1600 x 1000, letter-boxed") << QSize(1600, 1000);
}

void tst_View::mouseReachesHandlerInTwips()
{
    QFETCH(QSize, window);
    FormRegistry forms;
    forms.registerForm(QStringLiteral("drag"), [](FormRegistry &r) { return std::make_unique<DragScreen>(r); });
    auto *screen = static_cast<DragScreen *>(forms.get(QStringLiteral("drag")));
    screen->Show();
    FormView view(forms);
    view.resize(window);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.refresh();
    // 1200 twips right and 200 down from the phrase's top left, in this window's pixels.
    const Scaling &s = view.scaling();
    const QPoint pixel = s.toPixels(QPointF(300 + 1200, 2520 + 200)).toPoint();
    QTest::mousePress(view.windowHandle(), Qt::LeftButton, {}, pixel);
    QTest::mouseRelease(view.windowHandle(), Qt::LeftButton, {}, pixel);
    QCOMPARE(screen->events.size(), std::size_t(2));
    const Event &down = screen->events[0];
    QCOMPARE(down.what, QStringLiteral("down"));
    QCOMPARE(down.index, 1);
    QCOMPARE(down.button, MouseButton::Left);
    const double tolerance = 1.0 / s.scale(); // one pixel, in twips
    QVERIFY2(qAbs(down.x - 1200) <= tolerance, qPrintable(QString::number(down.x)));
    QVERIFY2(qAbs(down.y - 200) <= tolerance, qPrintable(QString::number(down.y)));
    QCOMPARE(screen->events[1].what, QStringLiteral("up"));
}

void tst_View::dragStaysWithThePressedControl()
{
    FormRegistry forms;
    forms.registerForm(QStringLiteral("drag"), [](FormRegistry &r) { return std::make_unique<DragScreen>(r); });
    auto *screen = static_cast<DragScreen *>(forms.get(QStringLiteral("drag")));
    screen->Show();
    FormView view(forms);
    view.resize(800, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.refresh();
    QWindow *win = view.windowHandle();
    QTest::mousePress(win, Qt::LeftButton, {}, QPoint(40, 180)); // on the phrase (300..5655, 2520..2955 twips)
    QTest::mouseMove(win, QPoint(400, 450));                      // far outside it, over the Next button's row
    QTest::mouseMove(win, QPoint(700, 530));                      // over the Next button itself
    QTest::mouseRelease(win, Qt::LeftButton, {}, QPoint(700, 530));
    std::vector<QString> kinds;
    for (const Event &e : screen->events)
        kinds.push_back(e.what);
    QCOMPARE(kinds.front(), QStringLiteral("down"));
    QCOMPARE(kinds.back(), QStringLiteral("up"));
    QVERIFY(std::count(kinds.begin(), kinds.end(), QStringLiteral("click")) == 0); // Next never heard it
    const Control &phrase = *screen->control(QStringLiteral("Label2"), 1);
    // The centre followed the pointer to (700, 530) px = (10500, 7950) twips.
    QVERIFY(qAbs(phrase.left + phrase.width / 2 - 10500) <= 15);
    QVERIFY(qAbs(phrase.top + phrase.height / 2 - 7950) <= 15);
    // And the widget went with it.
    ControlWidget *widget = view.widgetFor(&phrase);
    QVERIFY(widget->geometry().contains(QPoint(700, 530)));
}

void tst_View::clickNeedsPressAndReleaseInside()
{
    FormRegistry forms;
    forms.registerForm(QStringLiteral("drag"), [](FormRegistry &r) { return std::make_unique<DragScreen>(r); });
    auto *screen = static_cast<DragScreen *>(forms.get(QStringLiteral("drag")));
    screen->Show();
    FormView view(forms);
    view.resize(800, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.refresh();
    QWindow *win = view.windowHandle();
    const QPoint onNext(730, 545);
    QTest::mouseClick(win, Qt::LeftButton, {}, onNext);
    QCOMPARE(screen->events.size(), std::size_t(1));
    QTest::mouseClick(win, Qt::RightButton, {}, onNext);
    QCOMPARE(screen->events.size(), std::size_t(1)); // only the left button clicks
    QTest::mousePress(win, Qt::LeftButton, {}, onNext);
    QTest::mouseMove(win, QPoint(300, 300));
    QTest::mouseRelease(win, Qt::LeftButton, {}, QPoint(300, 300));
    QCOMPARE(screen->events.size(), std::size_t(1)); // released elsewhere: no click
    // The keyboard presses a focused button too.
    ControlWidget *next = view.widgetFor(screen->control(QStringLiteral("cmdgo")));
    QCOMPARE(next->accessibleName(), QString()); // no caption, no name given: nothing to say
    next->setFocus();
    QTest::keyClick(next, Qt::Key_Space);
    QCOMPARE(screen->events.size(), std::size_t(2));
    // At a size where the button's edges fall inside pixels, a click on its outermost
    // pixels counts too: its widget shows there.
    view.resize(790, 593);
    view.refresh();
    const QRect nextPixels = next->geometry();
    QTest::mouseClick(win, Qt::LeftButton, {}, nextPixels.bottomRight());
    QTest::mouseClick(win, Qt::LeftButton, {}, nextPixels.topLeft());
    QCOMPARE(screen->events.size(), std::size_t(4));
}

void tst_View::resizingNeverChangesTwips()
{
    FormRegistry forms;
    forms.registerForm(QStringLiteral("drag"), [](FormRegistry &r) { return std::make_unique<DragScreen>(r); });
    auto *screen = static_cast<DragScreen *>(forms.get(QStringLiteral("drag")));
    screen->Show();
    FormView view(forms);
    view.resize(800, 600);
    view.show();
    view.refresh();
    const Control &phrase = *screen->control(QStringLiteral("Label2"), 1);
    const QRectF before = phrase.rect();
    const QRect small = view.widgetFor(&phrase)->geometry();
    view.resize(1600, 1200);
    QCoreApplication::processEvents();
    QCOMPARE(phrase.rect(), before);
    const QRect large = view.widgetFor(&phrase)->geometry();
    QVERIFY(qAbs(large.width() - 2 * small.width()) <= 2);
    QVERIFY(qAbs(large.left() - 2 * small.left()) <= 2);
}

void tst_View::oneMillisecondTimersRunAtAVisibleRate()
{
    QCOMPARE(TimerRunner::realInterval(1), 15);
    QCOMPARE(TimerRunner::realInterval(250), 250);
    FormRegistry forms;
    forms.registerForm(QStringLiteral("drag"), [](FormRegistry &r) { return std::make_unique<DragScreen>(r); });
    Form *screen = forms.get(QStringLiteral("drag"));
    Timer &grow = screen->addTimer(QStringLiteral("tmrtick"), 1);
    int ticks = 0;
    grow.onTimer = [&] {
        if (++ticks == 3)
            grow.enabled = false; // a handler that stops its own timer
    };
    grow.enabled = true;
    screen->Show();
    MainWindow window(forms);
    window.view().refresh();
    QCOMPARE(window.timers().runningCount(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(ticks, 3, 2000);
    QTest::qWait(100);
    QCOMPARE(ticks, 3);
    QCOMPARE(window.timers().runningCount(), 0);
}

void tst_View::screenReadersSeeRolesNamesAndPress()
{
    FormRegistry forms;
    forms.registerForm(QStringLiteral("drag"), [](FormRegistry &r) { return std::make_unique<DragScreen>(r); });
    auto *screen = static_cast<DragScreen *>(forms.get(QStringLiteral("drag")));
    screen->control(QStringLiteral("cmdgo"))->accessibleName = QStringLiteral("Next");
    screen->control(QStringLiteral("Label2"), 1)->setCaption(QStringLiteral("We dawdled into school.  "));
    screen->Show();
    FormView view(forms);
    view.resize(800, 600);
    view.show();
    view.refresh();
    QAccessibleInterface *next = QAccessible::queryAccessibleInterface(view.widgetFor(screen->control(QStringLiteral("cmdgo"))));
    QVERIFY(next);
    QCOMPARE(next->role(), QAccessible::Button);
    QCOMPARE(next->text(QAccessible::Name), QStringLiteral("Next"));
    next->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(screen->events.back().what, QStringLiteral("click"));
    // A phrase that is dragged, not clicked, is read as text, without its trailing spaces.
    QAccessibleInterface *phrase = QAccessible::queryAccessibleInterface(view.widgetFor(screen->control(QStringLiteral("Label2"), 1)));
    QCOMPARE(phrase->role(), QAccessible::StaticText);
    QCOMPARE(phrase->text(QAccessible::Name), QStringLiteral("We dawdled into school."));
}

QTEST_MAIN(tst_View)
#include "tst_view.moc"
