#include "controlwidget.h"
#include "fonts.h"
#include "formview.h"
#include "idlewatch.h"
#include "introscreen.h"
#include "mainwindow.h"
#include "registerforms.h"
#include "resultsstore.h"
#include "signinscreen.h"
#include "testsupport.h"
#include "titlescreen.h"

#include <QTemporaryDir>
#include <QtTest>

// Pupils signing in on the pupils' screens, through the real window: the grid of names at
// both screen sizes, choosing a name by mouse, keys and first letters, "Not me", the idle
// sign-out, and nothing changed with signing in off.

namespace {

const QString Pupil = QStringLiteral("pupil");

// Class lists as the store gives them, in memory.
class ListRoster : public PupilRoster
{
public:
    QList<Entry> pupilsOf(const QString &classLabel) const override { return classes.value(classLabel); }
    void signIn(qint64 pupil) override { signedInto = pupil; }
    qint64 signedIn() const override { return signedInto; }

    QHash<QString, QList<Entry>> classes;
    qint64 signedInto = 0;
};

QList<PupilRoster::Entry> entries(const QStringList &names)
{
    QList<PupilRoster::Entry> list;
    for (const QString &name : names)
        list << PupilRoster::Entry{list.size() + 1, name};
    return list;
}

// The whole shell in a real window, with a roster (or none: signing in off).
struct Pupils
{
    explicit Pupils(PupilRoster *withRoster, QSize size = {1280, 1024})
        : window(app.forms)
    {
        registerForms(app.context);
        app.context.visitLog = [this]() -> VisitLog & { return visits; };
        app.context.roster = [withRoster] { return withRoster; };
        app.context.computerClass = [this] { return computerClass; };
        app.context.lastClass = [this] { return lastClass; };
        app.context.rememberClass = [this](const QString &label) { lastClass = label; };
        // As the program does.
        app.context.giveFocus = [this](const Control &control) {
            if (ControlWidget *widget = window.view().widgetFor(&control))
                widget->takeFocus(Qt::OtherFocusReason);
        };
        window.resize(size);
        window.show();
        window.activateWindow();
        app.forms.get(QString::fromLatin1(Titlefrm::Name))->Show();
        window.view().refresh();
    }
    Form *current() const { return app.forms.current(); }
    SignInScreen *grid() const { return dynamic_cast<SignInScreen *>(current()); }
    void click(const Control &control)
    {
        const QPoint at = window.view().widgetRect(control).center();
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, window.view().mapTo(&window, at));
    }
    // A control of the screen on show (a test fault when it has none).
    Control &c(const QString &name, int index = -1) const
    {
        Control *control = current()->control(name, index);
        if (!control)
            throw std::logic_error("no such control on " + current()->name().toStdString());
        return *control;
    }
    void press(const QString &form, const QString &name, int index = -1)
    {
        QCOMPARE_EQ(current()->name(), form);
        click(c(name, index));
    }
    void key(int key)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QTest::keyClick(target, Qt::Key(key));
    }
    // Opens an activity as its menu does; its first item starts the visit.
    void openActivity()
    {
        app.random.values.assign(200, 0.37);
        Form *activity = app.forms.get(QStringLiteral("openings"));
        activity->Show();
        activity->timer(QStringLiteral("Timer1"))->fire();
        window.view().refresh();
    }
    void okOnTitle() { press(QString::fromLatin1(Titlefrm::Name), QStringLiteral("Command1")); }
    QString focusedName() const
    {
        const Control *focused = current()->focused;
        return focused ? focused->caption() : QString();
    }

    TestApp app;
    VisitRecorder visits;
    MainWindow window;
    QString computerClass = QStringLiteral("5B");
    QString lastClass;
};

} // namespace

class tst_SignIn : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); }

    void namesFitWhollyAtBothSizes_data();
    void namesFitWhollyAtBothSizes();
    void choosingANameSignsIn_data();
    void choosingANameSignsIn();
    void classOffered_data();
    void classOffered();
    void notMeAndIdleSignOut_data();
    void notMeAndIdleSignOut();
    void signsInOnTheRealStore();
};

void tst_SignIn::namesFitWhollyAtBothSizes_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<float>("smallestPoints");

    QStringList widest;
    for (int i = 0; i < 36; ++i)
        widest << QString(23, QLatin1Char('W')) + QChar(u'A' + i % 26);
    QStringList mixed;
    for (int i = 0; i < 36; ++i)
        mixed << QStringLiteral("%1 Montgomery-Smythe").arg(QChar(u'A' + i % 26)) + QString(i % 5, QLatin1Char('m'));
    for (const QSize size : {QSize(1280, 1024), QSize(3840, 2160)}) {
        const QString at = QStringLiteral(" at %1x%2").arg(size.width()).arg(size.height());
        QTest::newRow(qPrintable(QStringLiteral("36 names of 24 Ws") + at)) << widest << size << 9.0f;
        QTest::newRow(qPrintable(QStringLiteral("36 long mixed names") + at)) << mixed << size << 9.0f;
        QTest::newRow(qPrintable(QStringLiteral("a few short names large") + at))
            << QStringList{QStringLiteral("Amy B"), QStringLiteral("Ben"), QStringLiteral("Zoë K")} << size << 20.0f;
    }
}

void tst_SignIn::namesFitWhollyAtBothSizes()
{
    QFETCH(QStringList, names);
    QFETCH(QSize, size);
    QFETCH(float, smallestPoints);
    ListRoster roster;
    roster.classes[QStringLiteral("5B")] = entries(names);
    Pupils p(&roster, size);
    p.okOnTitle();
    QVERIFY(p.grid());

    const FormView &view = p.window.view();
    const QRect screen = view.rect();
    QStringList findings;
    std::vector<QRect> shown;
    for (int i = 0; i < names.size(); ++i) {
        const Control &button = p.grid()->ctl(Pupil, i);
        const QString what = QStringLiteral("%1 (%2)").arg(button.caption()).arg(i);
        if (!button.visible || button.caption() != names[i] || button.accessibleName != names[i])
            findings << QStringLiteral("not shown as named: ") + what;
        // The text at the size it is set in, unshrunk, inside the border and padding.
        const QSizeF text = button.shownTextSize();
        if (text.width() > button.textArea().width() || text.height() > button.textArea().height()
            || button.shownFont().pointSize != button.font().pointSize)
            findings << QStringLiteral("clipped or shrunk: ") + what;
        if (button.shownFont().pointSize < smallestPoints)
            findings << QStringLiteral("too small (%1 pt): ").arg(button.shownFont().pointSize) + what;
        // Its widget in the window's pixels: wholly on screen, over no other name.
        const ControlWidget *widget = view.widgetFor(&button);
        const QRect place = widget ? widget->geometry() : QRect();
        if (!widget || !widget->isVisible() || !screen.contains(place))
            findings << QStringLiteral("not wholly on screen: ") + what;
        for (const QRect &other : shown) {
            if (other.intersects(place))
                findings << QStringLiteral("overlaps another name: ") + what;
        }
        shown.push_back(place);
    }
    QVERIFY2(findings.isEmpty(), qPrintable(findings.join(u'\n')));
}

void tst_SignIn::choosingANameSignsIn_data()
{
    QTest::addColumn<QList<int>>("keys");  // typed on the grid (-n: n ticks of the typing pause); none: a click on the third name
    QTest::addColumn<QString>("focused"); // the name the keys reach before Enter
    QTest::newRow("mouse") << QList<int>{} << QString();
    QTest::newRow("Tab three times") << QList<int>{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab} << QStringLiteral("Charlie D");
    QTest::newRow("first letters") << QList<int>{Qt::Key_C, Qt::Key_H, Qt::Key_A} << QStringLiteral("Charlie D");
    QTest::newRow("a letter that starts no name leaves the focus")
        << QList<int>{Qt::Key_C, Qt::Key_H, Qt::Key_X} << QStringLiteral("Charlie D");
    QTest::newRow("a pause of a second starts a new name")
        << QList<int>{Qt::Key_C, Qt::Key_H, -4, Qt::Key_A} << QStringLiteral("Ada B");
    QTest::newRow("a shorter pause goes on with the name")
        << QList<int>{Qt::Key_C, Qt::Key_H, -3, Qt::Key_A} << QStringLiteral("Charlie D");
    QTest::newRow("first letters reach a later name") << QList<int>{Qt::Key_C, Qt::Key_H, Qt::Key_L} << QStringLiteral("Chloe <b>E</b>");
}

void tst_SignIn::choosingANameSignsIn()
{
    QFETCH(QList<int>, keys);
    QFETCH(QString, focused);
    ListRoster roster;
    roster.classes[QStringLiteral("5B")] = entries({QStringLiteral("Ada B"), QStringLiteral("Caitlin F"),
                                                    QStringLiteral("Charlie D"), QStringLiteral("Chloe <b>E</b>")});
    Pupils p(&roster);
    p.okOnTitle();
    QVERIFY(p.grid());
    QCOMPARE(roster.signedInto, 0);

    qint64 expected = 3;
    if (keys.isEmpty()) {
        p.press(QString::fromLatin1(SignInScreen::Name), Pupil, 2);
    } else {
        for (int key : keys) {
            for (int tick = 0; tick < -key; ++tick)
                p.grid()->timer(QStringLiteral("typing"))->fire();
            if (key > 0)
                p.key(key);
        }
        QCOMPARE(p.focusedName(), focused);
        expected = p.grid()->pupils().at(p.current()->focused->index()).id;
        p.key(Qt::Key_Return);
    }
    QCOMPARE(roster.signedInto, expected);
    QCOMPARE(p.current()->name(), QString::fromLatin1(Intro0::Name));
    const Control &who = p.c(QStringLiteral("signedIn"));
    QVERIFY(who.visible);
    // Markup in a name is shown as typed.
    QCOMPARE(who.caption(), QStringLiteral("Signed in: ") + (keys.isEmpty() ? QStringLiteral("Charlie D") : focused));
    QVERIFY(p.c(QStringLiteral("notMe")).visible);
    QCOMPARE(p.lastClass, QStringLiteral("5B"));
}

void tst_SignIn::classOffered_data()
{
    QTest::addColumn<bool>("signingIn");
    QTest::addColumn<QString>("computerClass");
    QTest::addColumn<QString>("lastClass");
    QTest::addColumn<QString>("shown");   // the class offered
    QTest::addColumn<int>("names");
    QTest::addColumn<QString>("message"); // when there are none
    QTest::newRow("the computer's class") << true << "5B" << "6A" << "5B" << 2 << QString();
    QTest::newRow("an empty class falls back to the last used") << true << "5C" << "6A" << "6A" << 1 << QString();
    QTest::newRow("no pupils anywhere") << true << "5C" << "" << "5C" << 0
                                        << QStringLiteral("There are no names for class 5C yet.");
    QTest::newRow("no class chosen") << true << "" << "" << "" << 0
                                     << QStringLiteral("No class has been chosen for this computer yet.");
    QTest::newRow("signing in off: straight to the home screen") << false << "5B" << "" << "" << 0 << QString();
}

void tst_SignIn::classOffered()
{
    QFETCH(bool, signingIn);
    QFETCH(QString, computerClass);
    QFETCH(QString, lastClass);
    QFETCH(QString, shown);
    QFETCH(int, names);
    QFETCH(QString, message);
    ListRoster roster;
    roster.classes[QStringLiteral("5B")] = entries({QStringLiteral("Ada"), QStringLiteral("Ben")});
    roster.classes[QStringLiteral("6A")] = entries({QStringLiteral("Cal")});
    Pupils p(signingIn ? &roster : nullptr);
    p.computerClass = computerClass;
    p.lastClass = lastClass;
    p.okOnTitle();
    if (signingIn) {
        QVERIFY(p.grid());
        QCOMPARE(p.grid()->shownClass(), shown);
        QCOMPARE(p.grid()->pupils().size(), names);
        QCOMPARE(p.c(QStringLiteral("message")).visible, names == 0);
        if (names > 0)
            return;
        QCOMPARE(p.c(QStringLiteral("message")).caption(), message);
        p.press(QString::fromLatin1(SignInScreen::Name), QStringLiteral("goOn"));
    }
    // The home screen, with nobody signed in and nothing said about it.
    QCOMPARE(p.current()->name(), QString::fromLatin1(Intro0::Name));
    QVERIFY(!p.app.forms.isLoaded(QString::fromLatin1(SignInScreen::Name)));
    QVERIFY(!p.c(QStringLiteral("signedIn")).visible);
    QVERIFY(!p.c(QStringLiteral("notMe")).visible);
    QCOMPARE(roster.signedInto, 0);
}

void tst_SignIn::notMeAndIdleSignOut_data()
{
    QTest::addColumn<bool>("idle");
    QTest::newRow("Not me on the home screen") << false;
    QTest::newRow("no input while an activity is open") << true;
}

void tst_SignIn::notMeAndIdleSignOut()
{
    QFETCH(bool, idle);
    ListRoster roster;
    roster.classes[QStringLiteral("5B")] = entries({QStringLiteral("Ada"), QStringLiteral("Ben")});
    Pupils p(&roster);
    p.okOnTitle();
    p.press(QString::fromLatin1(SignInScreen::Name), Pupil, 1);
    QCOMPARE(roster.signedInto, 2);

    if (!idle) {
        p.press(QString::fromLatin1(Intro0::Name), QStringLiteral("notMe"));
    } else {
        // As the program wires it, with a short time.
        IdleWatch watch(150);
        watch.onIdle = [&p] {
            p.window.view().dispatch([&p] {
                if (p.app.context.roster()->signedIn() != 0)
                    SignInScreen::signOut(p.app.context);
            });
        };
        p.openActivity();
        QVERIFY(!p.visits.events.isEmpty() && p.visits.events.first().startsWith(QStringLiteral("openings/")));
        // Input puts the sign-out off; then none for the whole time signs out.
        QTest::qWait(100);
        QTest::mouseMove(p.window.windowHandle(), QPoint(300, 300));
        QTest::qWait(100);
        QCOMPARE(roster.signedInto, 2);
        QTRY_COMPARE_WITH_TIMEOUT(roster.signedInto, 0, 2000);
        p.app.forms.reap();
        // The activity was left as its Exit leaves it: the visit ended.
        QCOMPARE(p.visits.events.last(), QStringLiteral("end"));
        QVERIFY(!p.app.forms.isLoaded(QStringLiteral("openings")));
    }
    QCOMPARE(roster.signedInto, 0);
    QVERIFY(p.grid());
    QCOMPARE(p.grid()->pupils().size(), 2);
    QVERIFY(p.app.context.signedInName.isEmpty());
}

void tst_SignIn::signsInOnTheRealStore()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ResultsStore store(dir.filePath(QStringLiteral("results.sqlite")));
    QString error;
    const QList<qint64> ids = store.addPupils(QStringLiteral("5B"), {QStringLiteral("Zara Q"), QStringLiteral("amir P")}, &error);
    QVERIFY2(ids.size() == 2, qPrintable(error));

    Pupils p(&store);
    p.app.context.visitLog = [&store]() -> VisitLog & { return store; };
    p.okOnTitle();
    QCOMPARE(p.c(Pupil, 0).caption(), QStringLiteral("amir P")); // alphabetical, any case
    p.key(Qt::Key_Z);
    p.key(Qt::Key_Space);
    QCOMPARE(store.signedIn(), ids[0]);

    // A visit made while signed in is kept with the pupil; "Not me" ends it.
    p.openActivity();
    p.app.forms.get(QString::fromLatin1(Intro0::Name))->Show();
    p.window.view().refresh();
    p.press(QString::fromLatin1(Intro0::Name), QStringLiteral("notMe"));
    QCOMPARE(store.signedIn(), 0);
    const QList<Results::Visit> kept = store.visits();
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept[0].pupil, QStringLiteral("Zara Q"));
}

QTEST_MAIN(tst_SignIn)
#include "tst_signin.moc"
