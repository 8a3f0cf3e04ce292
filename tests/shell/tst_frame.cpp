#include "activityframe.h"
#include "playcue.h"
#include "setupactivityscreen.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// A screen with whatever controls a test gives it.
class TestScreen : public Screen
{
public:
    TestScreen(AppContext &context, bool withFrameControls)
        : Screen(context, QStringLiteral("test"))
    {
        if (withFrameControls)
            addActivityFrameControls(*this);
    }
};

bool copyAsset(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    return QFile::copy(from, to);
}

} // namespace

class tst_Frame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void bareScreenIsSizedColouredAndPlaced_data();
    void bareScreenIsSizedColouredAndPlaced();
    void activityScreenGetsButtonsAndHiddenMarks();
    void missingPictureSkipsOnlyItsOwnStep();
    void cuesAreSilentUnlessSoundOnIsOne_data();
    void cuesAreSilentUnlessSoundOnIsOne();
    void cuesInQuickSuccessionBothReachThePlayer();
    void greyLivesOnAndIsNeverShown();
    void bankIndexOutsideItsBoundsIsCaught();
};

void tst_Frame::bareScreenIsSizedColouredAndPlaced_data()
{
    QTest::addColumn<QSizeF>("screen");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::newRow("exactly 12000 wide: centred") << QSizeF(12000, 9000) << 0.0f << 0.0f;
    QTest::newRow("1024 x 768 pixels: shifted left") << QSizeF(15360, 11520) << 840.0f << 1260.0f;
    QTest::newRow("one twip wider: shifted") << QSizeF(12001, 9000) << -839.5f << 0.0f;
    QTest::newRow("smaller screen: off the edge") << QSizeF(9600, 7200) << -1200.0f << -900.0f;
}

void tst_Frame::bareScreenIsSizedColouredAndPlaced()
{
    QFETCH(QSizeF, screen);
    QFETCH(float, left);
    QFETCH(float, top);
    TestApp app;
    app.context.screenTwips = screen;
    TestScreen form(app.context, false);
    SetupActivityScreen(form);
    QCOMPARE(form.width, 12000.0f);
    QCOMPARE(form.height, 9000.0f);
    QCOMPARE(form.backColor, QColor(49, 135, 214));
    QCOMPARE(form.left, left);
    QCOMPARE(form.top, top);
    QVERIFY(form.controls().empty());
}

void tst_Frame::activityScreenGetsButtonsAndHiddenMarks()
{
    TestApp app;
    TestScreen form(app.context, true);
    for (const char *name : {"imgtick", "imgcross"})
        form.ctl(QString::fromLatin1(name)).visible = true;
    SetupActivityScreen(form);

    struct Place { const char *name; float left, top; };
    for (const Place &p : {Place{"cmdgo", 10020, 7920}, Place{"cmdsoln", 10020, 7320},
                           Place{"cmdcheckit", 10020, 7320}, Place{"cmdexit", 90, 7920}}) {
        const Control &button = form.ctl(QString::fromLatin1(p.name));
        QCOMPARE(button.left, p.left);
        QCOMPARE(button.top, p.top);
        QCOMPARE(button.width, 1785.0f);
        QCOMPARE(button.height, 500.0f);
        QVERIFY(!button.tabStop);
        QVERIFY2(!button.picture().isNull(), p.name);
        QVERIFY(!button.accessibleName.isEmpty());
    }
    const Control &board = form.ctl(QStringLiteral("Image1"));
    QCOMPARE(board.left, 10200.0f);
    QCOMPARE(board.top, 90.0f);
    QVERIFY(!board.picture().isNull());
    for (const char *name : {"imgtick", "imgcross"}) {
        const Control &mark = form.ctl(QString::fromLatin1(name));
        QCOMPARE(mark.left, 10740.0f);
        QCOMPARE(mark.top, 180.0f);
        QVERIFY(!mark.visible);
        QVERIFY(!mark.picture().isNull());
    }
}

void tst_Frame::missingPictureSkipsOnlyItsOwnStep()
{
    // A folder holding every frame picture but "Images\next.jpg".
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString embedded = AssetResolver::embeddedRoot();
    for (const char *file : {"Images/exit.jpg", "Images/answer.jpg", "Images/check.jpg", "Images/tick.jpg",
                             "Images/cross.jpg", "Images/board.wmf"})
        QVERIFY2(copyAsset(AssetResolver().resolve(QString::fromLatin1(file)), dir.filePath(QString::fromLatin1(file))), file);
    TestApp app({dir.path()});
    TestScreen form(app.context, true);
    SetupActivityScreen(form);
    QVERIFY(form.ctl(QStringLiteral("cmdgo")).picture().isNull());
    QCOMPARE(form.ctl(QStringLiteral("cmdgo")).left, 10020.0f); // later steps still ran
    QVERIFY(!form.ctl(QStringLiteral("cmdsoln")).picture().isNull());
    QVERIFY(!form.ctl(QStringLiteral("Image1")).picture().isNull());
    QCOMPARE(form.ctl(QStringLiteral("Image1")).left, 10200.0f);
    QVERIFY(!form.ctl(QStringLiteral("imgtick")).picture().isNull());
    QVERIFY(!form.ctl(QStringLiteral("imgtick")).visible);
    Q_UNUSED(embedded);
}

void tst_Frame::cuesAreSilentUnlessSoundOnIsOne_data()
{
    QTest::addColumn<int>("soundOn");
    QTest::addColumn<bool>("heard");
    QTest::newRow("start value 0") << 0 << false;
    QTest::newRow("1 plays") << 1 << true;
    QTest::newRow("2 is silent") << 2 << false;
    QTest::newRow("-1 is silent") << -1 << false;
}

void tst_Frame::cuesAreSilentUnlessSoundOnIsOne()
{
    QFETCH(int, soundOn);
    QFETCH(bool, heard);
    TestApp app;
    app.forms.registerForm(QStringLiteral("Grey"), [&](FormRegistry &) { return std::make_unique<Grey>(app.context); });
    app.state.SoundOn = soundOn;
    PlayCue(app.context, QStringLiteral("wav\\cash.wav"));
    QCOMPARE(app.forms.isLoaded(QStringLiteral("Grey")), heard);
    QCOMPARE(app.sound.played, heard ? QStringList{QStringLiteral("wav\\cash.wav")} : QStringList{});
}

void tst_Frame::cuesInQuickSuccessionBothReachThePlayer()
{
    TestApp app;
    app.forms.registerForm(QStringLiteral("Grey"), [&](FormRegistry &) { return std::make_unique<Grey>(app.context); });
    app.state.SoundOn = 1;
    PlayCue(app.context, QStringLiteral("wav\\boink.wav"));
    PlayCue(app.context, QStringLiteral("wav\\click.wav"));
    QCOMPARE(app.sound.played, (QStringList{QStringLiteral("wav\\boink.wav"), QStringLiteral("wav\\click.wav")}));
    // Turning sound off takes effect at the next cue.
    app.state.SoundOn = 0;
    PlayCue(app.context, QStringLiteral("wav\\click.wav"));
    QCOMPARE(app.sound.played.size(), 2);
}

void tst_Frame::greyLivesOnAndIsNeverShown()
{
    TestApp app;
    int loads = 0;
    app.forms.registerForm(QStringLiteral("Grey"), [&](FormRegistry &) {
        ++loads;
        return std::make_unique<Grey>(app.context);
    });
    app.state.SoundOn = 1;
    for (int i = 0; i < 3; ++i)
        PlayCue(app.context, QStringLiteral("wav\\beep.wav"));
    QCOMPARE(loads, 1);
    Form *grey = app.forms.loaded(QStringLiteral("Grey"));
    QVERIFY(grey);
    QVERIFY(!grey->visible);
    QCOMPARE(grey->backColor, QColor(48, 133, 214));
    QCOMPARE(app.forms.current(), nullptr);
}

void tst_Frame::bankIndexOutsideItsBoundsIsCaught()
{
    SharedState state;
    state.ItemBank[400] = QStringLiteral("last");
    QCOMPARE(state.ItemBank[400], QStringLiteral("last"));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, state.ItemBank[401]);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, state.ItemBank[-1]);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, state.KeyBankA[31]);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, state.AnswerKey[201]);
    QCOMPARE(state.answerKeyNumber(200), 0); // empty reads as 0
}

QTEST_MAIN(tst_Frame)
#include "tst_frame.moc"
