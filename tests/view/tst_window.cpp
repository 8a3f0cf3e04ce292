#include "control.h"
#include "form.h"
#include "formregistry.h"
#include "formview.h"
#include "introscreen.h"
#include "mainwindow.h"
#include "program.h"
#include "results.h"
#include "signinscreen.h"
#include "titlescreen.h"
#include "settings.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QChar Ellipsis(0x2026);

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace

// The program's window on the desktop (where it opens, what it remembers) and the home
// screen's notice about a teacher's file, both as the program puts them together.
class tst_Window : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void opensAtARememberedPlaceOrCentred_data();
    void opensAtARememberedPlaceOrCentred();
    void keepsItsPlaceAndFullScreenBetweenRuns();
    void teacherWindowKeepsItsShareOfTheScreen();
    void signingInAsTheProgramWiresIt_data();
    void signingInAsTheProgramWiresIt();
    void homeNoticeShowsBetweenTitleAndYears_data();
    void homeNoticeShowsBetweenTitleAndYears();

private:
    QTemporaryDir m_scratch;
};

void tst_Window::initTestCase()
{
    QVERIFY(m_scratch.isValid());
    // Settings go to a scratch folder, never the user's own; the user's content folder
    // moves to a test location.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_scratch.filePath(QStringLiteral("config")));
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(Settings().fileName().startsWith(m_scratch.path()));
}

void tst_Window::cleanup()
{
    QFile::remove(Settings().fileName());
    QDir(m_scratch.filePath(QStringLiteral("work"))).removeRecursively();
}

void tst_Window::opensAtARememberedPlaceOrCentred_data()
{
    QTest::addColumn<QRect>("remembered");
    QTest::addColumn<QList<QRect>>("screens"); // available areas
    QTest::addColumn<int>("home");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<bool>("centred");

    const QRect whiteboard(0, 0, 3840, 2160);
    const QRect laptop(0, 0, 1280, 994); // a panel takes 30 pixels
    const QRect projector(1280, 0, 1024, 768);
    QTest::newRow("first run on a 4K whiteboard") << QRect() << QList{whiteboard} << 0 << QRect(624, 108, 2592, 1944) << true;
    QTest::newRow("first run beside a panel") << QRect() << QList{laptop} << 0 << QRect(64, 65, 1152, 864) << true;
    QTest::newRow("first run on the second screen") << QRect() << QList{laptop, projector} << 1
                                                    << QRect(1280 + 51, 39, 921, 690) << true;
    QTest::newRow("remembered place kept") << QRect(200, 300, 1600, 1200) << QList{whiteboard} << 0
                                           << QRect(200, 300, 1600, 1200) << false;
    QTest::newRow("remembered on the projector, still there")
        << QRect(1300, 20, 800, 600) << QList{laptop, projector} << 0 << QRect(1300, 20, 800, 600) << false;
    QTest::newRow("projector unplugged: centred on the home screen")
        << QRect(1300, 20, 800, 600) << QList{laptop} << 0 << QRect(240, 197, 800, 600) << true;
    QTest::newRow("partly past the right edge: moved back on")
        << QRect(1000, 100, 800, 600) << QList{laptop} << 0 << QRect(480, 100, 800, 600) << false;
    QTest::newRow("larger than the screen: shrunk, shape kept")
        << QRect(100, 50, 5000, 3000) << QList{laptop} << 0 << QRect(100, 50, 1152, 691) << false;
    QTest::newRow("larger, on a screen unplugged") << QRect(4000, 0, 3840, 2160) << QList{laptop} << 0
                                                   << QRect(64, 173, 1152, 648) << true;
}

void tst_Window::opensAtARememberedPlaceOrCentred()
{
    QFETCH(QRect, remembered);
    QFETCH(QList<QRect>, screens);
    QFETCH(int, home);
    QFETCH(QRect, place);
    QFETCH(bool, centred);
    bool wasCentred = !centred;
    QCOMPARE(MainWindow::openingPlace(remembered, screens, home, &wasCentred), place);
    QCOMPARE(wasCentred, centred);
}

void tst_Window::keepsItsPlaceAndFullScreenBetweenRuns()
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect firstPlace = MainWindow::openingPlace(QRect(), {available}, 0);
    {
        Program program;
        program.show();
        MainWindow &window = program.window();
        QCOMPARE(window.geometry(), firstPlace);
        // F11 is kept at once: a whiteboard switched off at the wall never closes the window.
        QTest::keyClick(&window, Qt::Key_F11);
        QVERIFY(window.isFullScreen());
        QCOMPARE(window.geometry(), window.screen()->geometry());
        QVERIFY(Settings().windowFullScreen());
        QCOMPARE(Settings().windowGeometry(), firstPlace);
    }
    const QRect moved(available.left() + 10, available.top() + 20, 480, 360);
    {
        Program program;
        program.show();
        MainWindow &window = program.window();
        QVERIFY(window.isFullScreen());
        QTest::keyClick(&window, Qt::Key_F11);
        QVERIFY(!window.isFullScreen());
        QCOMPARE(window.geometry(), firstPlace);
        window.setGeometry(moved);
        window.close();
        QCOMPARE(Settings().windowGeometry(), moved);
        QVERIFY(!Settings().windowFullScreen());
    }
    Program program;
    program.show();
    QCOMPARE(program.window().geometry(), moved);
    QVERIFY(!program.window().isFullScreen());
}

// The teacher window opens at the share of the screen it had when the last run ended, so a
// window sized on a laptop is as large a part of a 4K board; the first time, most of it.
void tst_Window::teacherWindowKeepsItsShareOfTheScreen()
{
    const auto teacherWindow = [] {
        for (QWidget *each : QApplication::topLevelWidgets())
            if (each->accessibleName() == QStringLiteral("Teacher window") && each->isVisible())
                return each;
        return static_cast<QWidget *>(nullptr);
    };
    const QRectF screen = QGuiApplication::primaryScreen()->availableGeometry();
    const auto share = [&](const QRectF &place) {
        return QRectF((place.left() - screen.left()) / screen.width(), (place.top() - screen.top()) / screen.height(),
                      place.width() / screen.width(), place.height() / screen.height());
    };
    const auto near = [](const QRectF &a, const QRectF &b) {
        return std::abs(a.left() - b.left()) < 0.01 && std::abs(a.top() - b.top()) < 0.01
            && std::abs(a.width() - b.width()) < 0.01 && std::abs(a.height() - b.height()) < 0.01;
    };
    {
        Program program;
        program.show();
        program.openTeacher();
        QWidget *teacher = teacherWindow();
        QVERIFY(teacher);
        // (No narrower than its pages allow: wider than 0.8 on this small test screen.)
        const QRectF first = share(teacher->geometry());
        QVERIFY2(first.top() == 0.075 && first.height() == 0.85 && first.width() >= 0.8,
                 qPrintable(QDebug::toString(teacher->geometry())));
        teacher->setGeometry(QRectF(screen.left() + screen.width() * 0.05, screen.top() + screen.height() * 0.25,
                                    screen.width() * 0.95, screen.height() * 0.75).toRect());
    }
    QVERIFY(near(Settings().teacherWindowPlace(), QRectF(0.05, 0.25, 0.95, 0.75)));
    Program program;
    program.show();
    program.openTeacher();
    QVERIFY(teacherWindow());
    QVERIFY2(near(share(teacherWindow()->geometry()), QRectF(0.05, 0.25, 0.95, 0.75)),
             qPrintable(QDebug::toString(teacherWindow()->geometry())));
}

void tst_Window::signingInAsTheProgramWiresIt_data()
{
    QTest::addColumn<bool>("on");
    QTest::newRow("signing in off: OK goes home") << false;
    QTest::newRow("signing in on: the class's names, then home") << true;
}

// The program as a classroom runs it, with the real results module: the teacher's setting
// decides whether OK shows the names, the names are the class lists kept with the results,
// and the home screen says who chose theirs.
void tst_Window::signingInAsTheProgramWiresIt()
{
    QFETCH(bool, on);
    {
        Settings settings;
        settings.setPupilsSignIn(on);
        settings.setClassLabel(QStringLiteral("5B"));
    }
    QFile::remove(Results::defaultPath());
    Program program;
    program.show();
    QString error;
    QCOMPARE(program.results().addPupils(QStringLiteral("5B"), {QStringLiteral("Zoe P."), QStringLiteral("Adam T.")}, &error).size(), 2);
    MainWindow &window = program.window();
    const auto click = [&](const QString &form, const QString &name, int index = -1) {
        Form *shown = program.forms().current();
        QCOMPARE(shown->name(), form);
        const Control *control = shown->control(name, index);
        QVERIFY(control);
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                          window.view().mapTo(&window, window.view().widgetRect(*control).center()));
    };
    click(QString::fromLatin1(Titlefrm::Name), QStringLiteral("Command1"));
    if (on) {
        QCOMPARE(program.forms().current()->control(QStringLiteral("pupil"), 0)->caption(), QStringLiteral("Adam T."));
        click(QString::fromLatin1(SignInScreen::Name), QStringLiteral("pupil"), 0);
        QVERIFY(program.results().signedIn() != 0);
    }
    Form *home = program.forms().current();
    QCOMPARE(home->name(), QStringLiteral("intro0"));
    const Control *signedIn = home->control(QStringLiteral("signedIn"));
    QCOMPARE(signedIn && signedIn->visible, on);
    if (on)
        QVERIFY(signedIn->caption().contains(QStringLiteral("Adam T.")));
}

void tst_Window::homeNoticeShowsBetweenTitleAndYears_data()
{
    QTest::addColumn<QString>("file"); // put in a content folder, or empty
    QTest::addColumn<QString>("notice"); // given instead of a real check, or empty
    QTest::addColumn<bool>("whole");
    QTest::addColumn<bool>("designedSize");

    // A folder deep in a teacher's documents, with a long file name and a long problem.
    const QString deep = QStringLiteral("Documents/Year 6 - Willow Class/Autumn term/English/Banks for the whiteboard/");
    const QString longName = QStringLiteral("Copy of locating for Willow Class, written by Mrs Featherstonehaugh-"
                                            "Whittingham and checked twice by the Year 6 team (final version).json");
    QTest::newRow("short") << QStringLiteral("locating.json") << QString() << true << true;
    QTest::newRow("long file name and a long problem, in a deep folder")
        << deep + longName << QString() << true << true;
    // A name as long as the file system allows, with no space to wrap at.
    QTest::newRow("a name with no space in it")
        << deep + QStringLiteral("Copy_of_locating_") + QString(210, QLatin1Char('x')) + QStringLiteral(".json") << QString()
        << false << true;
    QTest::newRow("more than the space holds at the smallest size")
        << QString() << QStringLiteral("Your file locating.json was not used. %1").arg(QString(longName + QLatin1Char(' ')).repeated(6))
        << false << false;
}

void tst_Window::homeNoticeShowsBetweenTitleAndYears()
{
    QFETCH(QString, file);
    QFETCH(QString, notice);
    QFETCH(bool, whole);
    QFETCH(bool, designedSize);
    const QString work = m_scratch.filePath(QStringLiteral("work"));
    const QString folder = file.isEmpty() ? work : QFileInfo(QDir(work).filePath(file)).absolutePath();
    if (!file.isEmpty()) {
        // A broken bank, and two more set aside after it in name order.
        for (const QString &name : {QFileInfo(file).fileName(), QStringLiteral("theatre.json"), QStringLiteral("writer.json")})
            QVERIFY(writeFile(QDir(folder).filePath(QStringLiteral("content/") + name), "[]"));
    }
    QVERIFY(QDir().mkpath(folder));
    const QString before = QDir::currentPath();
    QDir::setCurrent(folder); // the program looks for a content folder in the working folder
    Program program;
    QDir::setCurrent(before);
    if (!notice.isEmpty())
        program.context().contentNotice = [notice] { return notice; };
    const QString line = program.context().contentNotice();
    QVERIFY(line.startsWith(QStringLiteral("Your file ")));

    const Form *home = program.forms().get(QString::fromLatin1(Intro0::Name));
    QVERIFY(home);
    const Control &shown = *home->control(QStringLiteral("contentNotice"));
    QVERIFY(shown.visible);
    QCOMPARE(shown.accessibleName, line);
    if (whole)
        QCOMPARE(shown.caption(), line);
    else
        QVERIFY2(shown.caption().contains(Ellipsis) && shown.caption().size() < line.size(), qPrintable(shown.caption()));
    QCOMPARE(shown.shownFont().pointSize == shown.font().pointSize, designedSize);
    QVERIFY(shown.shownFont().pointSize >= SmallestPointSize);

    // All of the text shows, inside the box and on the screen.
    const QSizeF size = shown.shownTextSize();
    const QRectF area = shown.textArea();
    QVERIFY2(size.width() <= area.width() && size.height() <= area.height(),
             qPrintable(QStringLiteral("%1 x %2 in %3 x %4").arg(size.width()).arg(size.height()).arg(area.width()).arg(area.height())));
    const QRectF screen(0, 0, home->width, home->height);
    QVERIFY(screen.contains(shown.rect()));
    QVERIFY(screen.contains(shown.shownTextRect()));
    // Over nothing else on the screen: no other control, so no other text.
    for (const auto &other : home->controls()) {
        if (other.get() == &shown || !other->visible)
            continue;
        QVERIFY2(!shown.rect().intersects(other->rect()), qPrintable(other->name()));
        QVERIFY2(!shown.shownTextRect().intersects(other->shownTextRect()), qPrintable(other->name()));
    }
}

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
