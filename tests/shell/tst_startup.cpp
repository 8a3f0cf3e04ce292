#include "formregistry.h"
#include "introscreen.h"
#include "maker.h"
#include "shellforms.h"
#include "testsupport.h"
#include "textmeasurer.h"
#include "titlescreen.h"

#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

namespace {

const QString Click = QStringLiteral("wav\\click.wav");

// Copies the named embedded assets into dir, so a test can leave the others out.
void copyAssets(const QTemporaryDir &dir, const QStringList &files)
{
    for (const QString &file : files) {
        const QString to = dir.filePath(file);
        QDir().mkpath(QFileInfo(to).absolutePath());
        QVERIFY2(QFile::copy(AssetResolver::embeddedRoot() + QLatin1Char('/') + file, to), qPrintable(file));
    }
}

Titlefrm *loadTitle(TestApp &app)
{
    registerShellForms(app.context);
    return app.forms.get<Titlefrm>(QString::fromLatin1(Titlefrm::Name));
}

// The control called name on a form; a missing one fails the test.
Control &ctl(const Form *form, const QString &name, int index = -1)
{
    Control *control = form ? form->control(name, index) : nullptr;
    if (!control)
        throw std::logic_error("no control " + name.toStdString());
    return *control;
}

void click(Form *form, const char *name, int index = -1)
{
    QVERIFY(form);
    Control *control = form->control(QString::fromLatin1(name), index);
    QVERIFY2(control && control->onClick, name);
    control->onClick(index);
    form->forms().reap();
}

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void titleOpensCentredAtItsOwnSize_data();
    void titleOpensCentredAtItsOwnSize();
    void titleLoadTurnsSoundOnEveryTime();
    void titleWithoutItsPictureTakesTheFrameAndGoesOn();
    void exitEndsWhateverIsLoaded();
    void homeSelectsTheSoundChoice_data();
    void homeSelectsTheSoundChoice();
    void homeTermLabelsOpenTheirMenus_data();
    void homeTermLabelsOpenTheirMenus();
    void leavingHomeShowsCancelAndAlwaysClicks();
    void webAddressOpensAndAFailureIsIgnored();
    void homeWithoutPicturesStillWorks();
    void fixedTextsFitTheirLabels();
};

void tst_Startup::titleOpensCentredAtItsOwnSize_data()
{
    QTest::addColumn<QSizeF>("screen");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::newRow("800 x 600 pixels") << QSizeF(12000, 9000) << 3135.0f << 1042.5f;
    QTest::newRow("1024 x 768 pixels: no shift left") << QSizeF(15360, 11520) << 4815.0f << 2302.5f;
}

void tst_Startup::titleOpensCentredAtItsOwnSize()
{
    QFETCH(QSizeF, screen);
    QFETCH(float, left);
    QFETCH(float, top);
    TestApp app;
    app.context.screenTwips = screen;
    Titlefrm *title = loadTitle(app);
    QVERIFY(title);
    QCOMPARE(title->width, 5730.0f);
    QCOMPARE(title->height, 6915.0f);
    QCOMPARE(title->left, left);
    QCOMPARE(title->top, top);
    QCOMPARE(title->backColor, QColor(192, 192, 192));
    QVERIFY(!ctl(title, QStringLiteral("Picture1")).picture().isNull());
    QCOMPARE(ctl(title, QStringLiteral("Command1")).caption(), QStringLiteral("OK"));
    QCOMPARE(ctl(title, QStringLiteral("Command2")).caption(), QStringLiteral("Exit"));
    QCOMPARE(ctl(title, QStringLiteral("Command1")).rect(), QRectF(1440, 6360, 1335, 375));
    QCOMPARE(ctl(title, QStringLiteral("Command2")).rect(), QRectF(2880, 6360, 1335, 375));
    QCOMPARE(ctl(title, QStringLiteral("Frame1")).rect(), QRectF(0, -90, 5820, 7020));
}

void tst_Startup::titleLoadTurnsSoundOnEveryTime()
{
    TestApp app;
    app.state.SoundOn = 0;
    app.state.ItemCounter = 17;
    Titlefrm *title = loadTitle(app);
    QCOMPARE(app.state.SoundOn, 1);
    QCOMPARE(app.state.ItemCounter, 0);
    // OK goes home without a cue, and home offers the sound that is on.
    click(title, "Command1");
    QVERIFY(!app.forms.isLoaded(QString::fromLatin1(Titlefrm::Name)));
    Form *home = app.forms.current();
    QVERIFY(home);
    QCOMPARE(home->name(), QString::fromLatin1(Intro0::Name));
    QVERIFY(app.sound.played.isEmpty());
    // Loading the title again (on the way out) resets both once more.
    click(home, "Option2");
    app.state.ItemCounter = 5;
    click(home, "Command1");
    QCOMPARE(app.state.SoundOn, 1);
    QCOMPARE(app.state.ItemCounter, 0);
}

void tst_Startup::titleWithoutItsPictureTakesTheFrameAndGoesOn()
{
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    TestApp app({empty.path()});
    app.context.screenTwips = QSizeF(15360, 11520);
    Titlefrm *title = loadTitle(app);
    QVERIFY(title);
    // The common frame took over: size, colour, place.
    QCOMPARE(title->width, 12000.0f);
    QCOMPARE(title->height, 9000.0f);
    QCOMPARE(title->backColor, QColor(49, 135, 214));
    QCOMPARE(title->left, 840.0f);
    QCOMPARE(ctl(title, QStringLiteral("Picture1")).backColor, QColor(49, 135, 214));
    QVERIFY(ctl(title, QStringLiteral("Picture1")).picture().isNull());
    // The frame came to the front with everything it holds still above it, so the
    // buttons stay clickable.
    const Control &frame = ctl(title, QStringLiteral("Frame1"));
    QVERIFY(frame.zOrder > 0);
    for (const auto &control : title->controls()) {
        if (control.get() != &frame)
            QVERIFY2(control->zOrder > frame.zOrder, qPrintable(control->name()));
    }
    QCOMPARE(app.state.SoundOn, 1);
    click(title, "Command1");
    QCOMPARE(app.forms.current()->name(), QString::fromLatin1(Intro0::Name));
}

void tst_Startup::exitEndsWhateverIsLoaded()
{
    TestApp app;
    int ends = 0;
    app.forms.onEnd = [&] { ++ends; };
    Titlefrm *title = loadTitle(app);
    click(title, "Command1");
    click(app.forms.current(), "Command1"); // home's exit: plays the click, so the sound host is loaded
    QVERIFY(app.forms.isLoaded(QStringLiteral("Grey")));
    click(app.forms.current(), "Command2");
    QCOMPARE(ends, 1);
    QVERIFY(app.forms.hasEnded());
    QCOMPARE(app.sound.played, QStringList{Click}); // Exit itself is silent
}

void tst_Startup::homeSelectsTheSoundChoice_data()
{
    QTest::addColumn<int>("soundOn");
    QTest::addColumn<bool>("soundOnSelected");
    QTest::newRow("sound on") << 1 << true;
    QTest::newRow("sound off") << 0 << false;
    QTest::newRow("any other value counts as off") << 2 << false;
}

void tst_Startup::homeSelectsTheSoundChoice()
{
    QFETCH(int, soundOn);
    QFETCH(bool, soundOnSelected);
    TestApp app;
    registerShellForms(app.context);
    app.state.SoundOn = soundOn;
    Form *home = app.forms.get(QString::fromLatin1(Intro0::Name));
    QCOMPARE(ctl(home, QStringLiteral("Option1")).value, soundOnSelected);
    QCOMPARE(ctl(home, QStringLiteral("Option2")).value, !soundOnSelected);
    // Selecting from code writes the chosen value back.
    QCOMPARE(app.state.SoundOn, soundOnSelected ? 1 : 0);
    click(home, soundOnSelected ? "Option2" : "Option1");
    QCOMPARE(app.state.SoundOn, soundOnSelected ? 0 : 1);
    QCOMPARE(ctl(home, QStringLiteral("Option1")).value, !soundOnSelected);
    QVERIFY(app.sound.played.isEmpty());
}

void tst_Startup::homeTermLabelsOpenTheirMenus_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QRectF>("place");
    QTest::newRow("Year 5 Term 1") << 0 << "menu1" << QRectF(120, 3840, 2040, 495);
    QTest::newRow("Year 5 Term 3") << 2 << "menu3" << QRectF(120, 5520, 2040, 495);
    QTest::newRow("Year 6 Term 1") << 3 << "menu4" << QRectF(9720, 3840, 2040, 495);
    QTest::newRow("Year 6 Term 2") << 4 << "menu5" << QRectF(9720, 4680, 2040, 495);
    QTest::newRow("Year 6 Term 3") << 5 << "menu6" << QRectF(9720, 5520, 2040, 495);
}

void tst_Startup::homeTermLabelsOpenTheirMenus()
{
    QFETCH(int, index);
    QFETCH(QString, menu);
    QFETCH(QRectF, place);
    TestApp app;
    registerShellForms(app.context);
    app.state.SoundOn = 1;
    Form *home = app.forms.get(QString::fromLatin1(Intro0::Name));
    home->Show();
    const Control &label = ctl(home, QStringLiteral("Label2"), index);
    QVERIFY(label.visible);
    QCOMPARE(label.rect(), place);
    QCOMPARE(label.caption(), QStringLiteral("Term %1").arg(index % 3 + 1));
    click(home, "Label2", index);
    QCOMPARE(app.forms.current()->name(), menu);
    QVERIFY(!app.forms.isLoaded(QString::fromLatin1(Intro0::Name)));
    QCOMPARE(app.sound.played, QStringList{Click});
}

void tst_Startup::leavingHomeShowsCancelAndAlwaysClicks()
{
    TestApp app;
    click(loadTitle(app), "Command1");
    Form *home = app.forms.current();
    click(home, "Option2"); // Sound Off
    click(app.forms.current(), "Command1");
    Form *title = app.forms.current();
    QCOMPARE(title->name(), QString::fromLatin1(Titlefrm::Name));
    QCOMPARE(ctl(title, QStringLiteral("Command1")).caption(), QStringLiteral("Cancel"));
    QVERIFY(!app.forms.isLoaded(QString::fromLatin1(Intro0::Name)));
    QCOMPARE(app.sound.played, QStringList{Click});
    // Cancel goes home again, with sound on, as the title's load turned it on.
    click(title, "Command1");
    QCOMPARE(app.forms.current()->name(), QString::fromLatin1(Intro0::Name));
    QVERIFY(ctl(app.forms.current(), QStringLiteral("Option1")).value);
}

void tst_Startup::webAddressOpensAndAFailureIsIgnored()
{
    TestApp app;
    registerShellForms(app.context);
    app.urls.result = false; // no browser
    Form *home = app.forms.get(QString::fromLatin1(Intro0::Name));
    home->Show();
    click(home, "Label6");
    QCOMPARE(app.urls.opened, QStringList{QString::fromLatin1(Maker::WebAddress)});
    QVERIFY(QUrl(app.urls.opened.value(0)).isValid());
    QCOMPARE(app.forms.current(), home);
    QVERIFY(app.sound.played.isEmpty());
}

void tst_Startup::homeWithoutPicturesStillWorks()
{
    // Only the board is there: the menus' background must stay empty, not become the board.
    QTemporaryDir dir;
    copyAssets(dir, {QStringLiteral("Images/board.wmf")});
    TestApp app({dir.path()});
    registerShellForms(app.context);
    Form *home = app.forms.get(QString::fromLatin1(Intro0::Name));
    home->Show();
    QVERIFY(home->picture.isNull());
    QVERIFY(ctl(home, QStringLiteral("Image2")).picture().isNull());
    QCOMPARE(ctl(home, QStringLiteral("Command1")).caption(), QStringLiteral("Exit"));
    click(home, "Label2", 1);
    Form *menu = app.forms.current();
    QCOMPARE(menu->name(), QStringLiteral("menu2"));
    QVERIFY(menu->picture.isNull());
    click(menu, "Command1");
    QCOMPARE(app.forms.current()->name(), QString::fromLatin1(Intro0::Name));
}

void tst_Startup::fixedTextsFitTheirLabels()
{
    // Every line of a fixed caption fits inside its label's border, so none wraps into a
    // line the label has no room for: a text written too long would be cut off on screen.
    TestApp app;
    registerShellForms(app.context);
    for (const char *name : {Titlefrm::Name, Intro0::Name}) {
        const Form *form = app.forms.get(QString::fromLatin1(name));
        for (const auto &control : form->controls()) {
            if (control->kind != ControlKind::Label)
                continue;
            const QStringList lines = control->caption().split(QLatin1Char('\n'));
            const QString where = QStringLiteral("%1.%2").arg(form->name(), control->name());
            const float room = control->width - (control->border ? 30 : 0);
            for (const QString &line : lines) {
                const QSizeF size = app.measurer.measure(control->font(), line, 0);
                QVERIFY2(size.width() <= room, qPrintable(QStringLiteral("%1: %2 is %3 wide in %4").arg(where, line).arg(size.width()).arg(room)));
            }
        }
    }
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
