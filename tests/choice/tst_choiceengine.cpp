#include "catalogue.h"
#include "choiceactivities.h"
#include "choicescreen.h"
#include "choicetestsupport.h"
#include "playcue.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <random>

namespace {

const QColor Yellow(255, 255, 0);

// The whole program's multiple-choice forms on a test context, with sound on.
struct ChoiceApp : TestApp
{
    explicit ChoiceApp(QStringList roots = {AssetResolver::embeddedRoot()})
        : TestApp(std::move(roots))
    {
        forms.registerForm(QStringLiteral("Grey"), [this](FormRegistry &) { return std::make_unique<Grey>(context); });
        registerChoiceActivities(context);
        state.SoundOn = 1;
    }

    // Queues one draw of record `record` and ten passes that leave the options in their
    // stored order (each visit swaps a position with itself).
    void queueItem(int record, int itemCount, int optionCount = 4)
    {
        random.queueIndex(record, itemCount);
        for (int pass = 0; pass < 10; ++pass) {
            for (int j = 0; j < optionCount; ++j)
                random.queueIndex(j, optionCount);
        }
    }

    // Opens an activity and runs its first Timer1 tick, which deals `record`.
    ChoiceScreen *open(const QString &id, int record)
    {
        auto *form = forms.get<ChoiceScreen>(id);
        if (!form)
            return nullptr;
        form->Show();
        queueItem(record, form->activity().itemCount, form->activity().rules.optionCount);
        form->timer(QStringLiteral("Timer1"))->fire();
        return form;
    }
};

Control &option(ChoiceScreen *form, int index)
{
    return form->ctl(QStringLiteral("Label5"), index);
}

void click(ChoiceScreen *form, int index)
{
    option(form, index).onClick(index);
}

void clickNamed(ChoiceScreen *form, const char *name)
{
    form->ctl(QString::fromLatin1(name)).onClick(-1);
}

// The label whose caption is text, or -1.
int optionShowing(ChoiceScreen *form, const QString &text)
{
    for (int i = 0; i < form->activity().rules.optionCount; ++i) {
        if (option(form, i).caption() == text)
            return i;
    }
    return -1;
}

void fire(ChoiceScreen *form, const char *timer, int times = 1)
{
    for (int i = 0; i < times; ++i)
        form->timer(QString::fromLatin1(timer))->fire();
}

} // namespace

class tst_ChoiceEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void drawAvoidsTheLastItem_data();
    void drawAvoidsTheLastItem();
    void lastItemCarriesOverToTheNextActivity();
    void longRunNeverRepeatsAndShowsEachOptionOnce();
    void shuffleIsTenPassesOverFourPlaces_data();
    void shuffleIsTenPassesOverFourPlaces();
    void answerIsJudgedByItsCaption_data();
    void answerIsJudgedByItsCaption();
    void everyLabelCarryingTheRightTextBlinks();
    void blinkAlternatesAndNextResetsTheColour();
    void markGrowsInFiftyOneTicks();
    void secondAnswerOfTheSameKindShowsTheMarkAtOnce();
    void laterAnswerTakesOverTheMark();
    void nextStopsAGrowingMark();
    void exitReturnsToTheTermMenu_data();
    void exitReturnsToTheTermMenu();
    void exitWithoutAMenuStillLeaves();
    void teachersCopyIsUsedOnlyWhenItPasses_data();
    void teachersCopyIsUsedOnlyWhenItPasses();
    void unloadableBankShowsAMessageAndDealsNothing();
    void visitsHearOfFirstAnswersOnly_data();
    void visitsHearOfFirstAnswersOnly();
};

void tst_ChoiceEngine::drawAvoidsTheLastItem_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("lastItem");
    QTest::addColumn<int>("drawn");
    QTest::addColumn<int>("shown");
    QTest::newRow("first item after start is never record 0") << "openings" << 0 << 0 << 1;
    QTest::newRow("repeat at the top index wraps to 0") << "openings" << 29 << 29 << 0;
    QTest::newRow("repeat in the middle moves on one") << "terms" << 12 << 12 << 13;
    QTest::newRow("a different draw stands") << "blurb" << 5 << 27 << 27;
    QTest::newRow("last item from a longer bank is never reached") << "figurative" << 33 << 27 << 27;
    QTest::newRow("rhythm wraps at 34") << "rhythm" << 33 << 33 << 0;
}

void tst_ChoiceEngine::drawAvoidsTheLastItem()
{
    QFETCH(QString, activity);
    QFETCH(int, lastItem);
    QFETCH(int, drawn);
    QFETCH(int, shown);
    ChoiceApp app;
    app.state.LastItem = lastItem;
    ChoiceScreen *form = app.open(activity, drawn);
    QVERIFY(form);
    QCOMPARE(app.state.LastItem, shown);
    const int width = form->activity().recordWidth;
    QCOMPARE(form->ctl(QStringLiteral("Label4")).caption(), app.state.ItemBank[width * shown]);
    QVERIFY(form->ctl(QStringLiteral("Label4")).visible);
    QCOMPARE(app.random.reseeds, 2); // once to draw, once to shuffle
    QVERIFY(!form->timer(QStringLiteral("Timer1"))->enabled);
}

void tst_ChoiceEngine::lastItemCarriesOverToTheNextActivity()
{
    ChoiceApp app;
    ChoiceScreen *rhythm = app.open(QStringLiteral("rhythm"), 12);
    QCOMPARE(app.state.LastItem, 12);
    clickNamed(rhythm, "cmdexit");
    app.forms.reap();
    ChoiceScreen *openings = app.open(QStringLiteral("openings"), 12);
    QCOMPARE(app.state.LastItem, 13);
    QCOMPARE(openings->ctl(QStringLiteral("Label4")).caption(), app.state.ItemBank[65]);
}

void tst_ChoiceEngine::longRunNeverRepeatsAndShowsEachOptionOnce()
{
    for (const char *id : {"openings", "rhythm"}) {
        ChoiceApp app;
        std::mt19937 generator(20240611);
        std::uniform_real_distribution<double> uniform(0.0, 1.0);
        for (int i = 0; i < 41 * 301; ++i)
            app.random.values.push_back(uniform(generator));
        auto *form = app.forms.get<ChoiceScreen>(QString::fromLatin1(id));
        fire(form, "Timer1");
        const ChoiceActivity &row = form->activity();
        QSet<int> seen;
        for (int next = 0; next < 300; ++next) {
            const int before = app.state.LastItem;
            clickNamed(form, "cmdgo");
            const int r = app.state.LastItem;
            QVERIFY2(r != before, id);
            QVERIFY(r >= 0 && r < row.itemCount);
            seen.insert(r);
            QStringList shown, stored;
            for (int i = 0; i < 4; ++i) {
                const SlotRef &first = *row.rules.options;
                shown << option(form, i).caption();
                stored << readSlot(app.state, first.store, first.at(r) + i).toString();
            }
            shown.sort();
            stored.sort();
            QCOMPARE(shown, stored);
        }
        QCOMPARE(int(seen.size()), form->activity().itemCount); // every record comes up
    }
}

void tst_ChoiceEngine::shuffleIsTenPassesOverFourPlaces_data()
{
    // Each digit is one draw m = Int(Rnd x 4): ten passes, each visiting places 0, 1, 2, 3.
    // A, B, C are the stored wrong options and D the correct one.
    QTest::addColumn<QString>("draws");
    QTest::addColumn<QString>("arrangement");
    const QString keep = QStringLiteral("0123");
    QTest::newRow("every visit keeps its place") << keep.repeated(10) << "ABCD";
    QTest::newRow("first visit swaps with the last place") << QStringLiteral("3123") + keep.repeated(9) << "DBCA";
    QTest::newRow("last pass swaps in pairs") << keep.repeated(9) + QStringLiteral("1133") << "BADC";
    QTest::newRow("every visit picks place 0") << QStringLiteral("0000").repeated(10) << "CDAB";
    QTest::newRow("every visit picks place 3") << QStringLiteral("3333").repeated(10) << "CDAB";
    QTest::newRow("one pass picks place 0") << keep.repeated(4) + QStringLiteral("0000") + keep.repeated(5) << "DABC";
}

void tst_ChoiceEngine::shuffleIsTenPassesOverFourPlaces()
{
    QFETCH(QString, draws);
    QFETCH(QString, arrangement);
    QCOMPARE(draws.size(), 40);
    ChoiceApp app;
    auto *form = app.forms.get<ChoiceScreen>(QStringLiteral("theatre"));
    app.random.queueIndex(2, 29);
    for (QChar digit : draws)
        app.random.queueIndex(digit.digitValue(), 4);
    fire(form, "Timer1");
    QVERIFY(app.random.values.empty());
    QCOMPARE(app.state.LastItem, 2);
    for (int i = 0; i < 4; ++i) {
        const int slot = 10 + 1 + (arrangement.at(i).toLatin1() - 'A');
        QCOMPARE(option(form, i).caption(), app.state.ItemBank[slot]);
    }
}

void tst_ChoiceEngine::answerIsJudgedByItsCaption_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<bool>("right");
    QTest::newRow("right answer") << "openings" << 1 << "Sci-Fi" << true;
    QTest::newRow("wrong answer") << "openings" << 1 << "Rumour" << false;
    QTest::newRow("wrong answer with a trailing space") << "writer" << 18 << "Poet " << false;
    QTest::newRow("rhythm: the right count") << "rhythm" << 0 << "11" << true;
    QTest::newRow("rhythm: a wrong count") << "rhythm" << 0 << "14" << false;
    QTest::newRow("rhythm: 17 syllables") << "rhythm" << 2 << "17" << true;
}

void tst_ChoiceEngine::answerIsJudgedByItsCaption()
{
    QFETCH(QString, activity);
    QFETCH(int, record);
    QFETCH(QString, clicked);
    QFETCH(bool, right);
    ChoiceApp app;
    app.state.LastItem = -1;
    ChoiceScreen *form = app.open(activity, record);
    const int index = optionShowing(form, clicked);
    QVERIFY2(index >= 0, qPrintable(clicked));
    click(form, index);
    const Control &verdict = form->ctl(QStringLiteral("Label6"));
    QVERIFY(verdict.visible);
    QCOMPARE(verdict.caption(), right ? QStringLiteral("Correct") : QStringLiteral("Wrong"));
    QCOMPARE(app.sound.played.last(), right ? Cash : Boink);
    QCOMPARE(form->timer(QStringLiteral("tmrtick"))->enabled, right);
    QCOMPARE(form->timer(QStringLiteral("tmrcross"))->enabled, !right);
    QVERIFY(form->timer(QStringLiteral("Timer2"))->enabled);
}

void tst_ChoiceEngine::everyLabelCarryingTheRightTextBlinks()
{
    // A stored right answer with a trailing space, and a wrong option that differs from it
    // only by that space: the exact text decides.
    ChoiceApp app;
    ChoiceScreen *form = app.open(QStringLiteral("blurb"), 4);
    app.state.ItemBank[5 * 9 + 1] = QStringLiteral("Travel");
    app.state.ItemBank[5 * 9 + 2] = QStringLiteral("Travel ");
    app.state.ItemBank[5 * 9 + 4] = QStringLiteral("Travel ");
    app.queueItem(9, 28);
    clickNamed(form, "cmdgo");
    QCOMPARE(app.state.LastItem, 9);

    click(form, 0); // "Travel"
    QCOMPARE(form->ctl(QStringLiteral("Label6")).caption(), QStringLiteral("Wrong"));
    click(form, 1); // "Travel " as a wrong option, equal to the right text
    QCOMPARE(form->ctl(QStringLiteral("Label6")).caption(), QStringLiteral("Correct"));
    click(form, 3); // the right option itself
    QCOMPARE(form->ctl(QStringLiteral("Label6")).caption(), QStringLiteral("Correct"));

    app.state.FlashPhase = 0;
    fire(form, "Timer2"); // phase 1: yellow
    fire(form, "Timer2"); // phase 0: white
    for (int i = 0; i < 4; ++i)
        QCOMPARE(option(form, i).backColor, (i == 1 || i == 3) ? White : Yellow);
}

void tst_ChoiceEngine::blinkAlternatesAndNextResetsTheColour()
{
    ChoiceApp app;
    app.state.LastItem = -1;
    app.state.FlashPhase = 1; // left by an earlier activity; opening starts at 0
    ChoiceScreen *form = app.open(QStringLiteral("linking"), 0);
    QCOMPARE(app.state.FlashPhase, 0);
    const int right = optionShowing(form, QStringLiteral("therefore"));
    const int wrong = optionShowing(form, QStringLiteral("still"));
    fire(form, "Timer2"); // not running before an answer
    QCOMPARE(app.state.FlashPhase, 0);

    click(form, wrong);
    QList<int> phases;
    QList<QColor> colours;
    for (int tick = 0; tick < 5; ++tick) {
        fire(form, "Timer2");
        phases << app.state.FlashPhase;
        colours << option(form, right).backColor;
        QCOMPARE(option(form, wrong).backColor, Yellow);
    }
    QCOMPARE(phases, (QList<int>{1, 0, 1, 0, 1}));
    QCOMPARE(colours, (QList<QColor>{Yellow, White, Yellow, White, Yellow}));

    fire(form, "Timer2"); // white again
    app.queueItem(3, 31);
    clickNamed(form, "cmdgo");
    QVERIFY(!form->timer(QStringLiteral("Timer2"))->enabled);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(option(form, i).backColor, Yellow);
    QVERIFY(!form->ctl(QStringLiteral("Label6")).visible);
    QCOMPARE(app.state.FlashPhase, 0); // Next leaves the phase alone
    QCOMPARE(app.sound.played.last(), Click);

    // The phase carries on into the next item: its first tick shows yellow.
    click(form, optionShowing(form, app.state.ItemBank[5 * 3 + 4]));
    fire(form, "Timer2");
    QCOMPARE(app.state.FlashPhase, 1);
}

void tst_ChoiceEngine::markGrowsInFiftyOneTicks()
{
    ChoiceApp app;
    ChoiceScreen *form = app.open(QStringLiteral("openings"), 1);
    click(form, optionShowing(form, QStringLiteral("Rumour")));
    Control &cross = form->ctl(QStringLiteral("imgcross"));
    QCOMPARE(cross.width, 0.0f);
    fire(form, "tmrcross");
    QVERIFY(cross.visible);
    QCOMPARE(cross.width, 15.0f);
    fire(form, "tmrcross", 49);
    QCOMPARE(cross.width, 750.0f);
    QVERIFY(form->timer(QStringLiteral("tmrcross"))->enabled);
    fire(form, "tmrcross");
    QCOMPARE(cross.width, 750.0f);
    QVERIFY(!form->timer(QStringLiteral("tmrcross"))->enabled);
    QVERIFY(!form->ctl(QStringLiteral("imgtick")).visible);
}

void tst_ChoiceEngine::secondAnswerOfTheSameKindShowsTheMarkAtOnce()
{
    ChoiceApp app;
    ChoiceScreen *form = app.open(QStringLiteral("openings"), 1);
    const int right = optionShowing(form, QStringLiteral("Sci-Fi"));
    click(form, right);
    fire(form, "tmrtick", 51);
    click(form, right);
    QCOMPARE(app.sound.played.filter(Cash).size(), 2);
    fire(form, "tmrtick");
    const Control &tick = form->ctl(QStringLiteral("imgtick"));
    QVERIFY(tick.visible);
    QCOMPARE(tick.width, 750.0f);
    QVERIFY(!form->timer(QStringLiteral("tmrtick"))->enabled);
}

void tst_ChoiceEngine::laterAnswerTakesOverTheMark()
{
    ChoiceApp app;
    ChoiceScreen *form = app.open(QStringLiteral("openings"), 1);
    click(form, optionShowing(form, QStringLiteral("Dialogue")));
    fire(form, "tmrcross", 10);
    click(form, optionShowing(form, QStringLiteral("Sci-Fi")));
    QCOMPARE(form->ctl(QStringLiteral("Label6")).caption(), QStringLiteral("Correct"));
    fire(form, "tmrtick");
    QVERIFY(form->ctl(QStringLiteral("imgtick")).visible);
    QVERIFY(!form->ctl(QStringLiteral("imgcross")).visible);
    fire(form, "tmrcross"); // both run until the earlier one is full: they flicker
    QVERIFY(!form->ctl(QStringLiteral("imgtick")).visible);
    QVERIFY(form->ctl(QStringLiteral("imgcross")).visible);
    QVERIFY(form->timer(QStringLiteral("Timer2"))->enabled);
}

void tst_ChoiceEngine::nextStopsAGrowingMark()
{
    ChoiceApp app;
    ChoiceScreen *form = app.open(QStringLiteral("openings"), 1);
    click(form, optionShowing(form, QStringLiteral("Rumour")));
    fire(form, "tmrcross", 10);
    click(form, optionShowing(form, QStringLiteral("Sci-Fi")));
    fire(form, "tmrtick", 3);
    app.queueItem(20, 30);
    clickNamed(form, "cmdgo");
    for (const char *mark : {"imgtick", "imgcross"}) {
        QVERIFY(!form->ctl(QString::fromLatin1(mark)).visible);
        QCOMPARE(form->ctl(QString::fromLatin1(mark)).width, 0.0f);
    }
    QVERIFY(!form->timer(QStringLiteral("tmrtick"))->enabled);
    QVERIFY(!form->timer(QStringLiteral("tmrcross"))->enabled);
    fire(form, "tmrtick");
    fire(form, "tmrcross");
    QVERIFY(!form->ctl(QStringLiteral("imgtick")).visible);
    QVERIFY(!form->ctl(QStringLiteral("imgcross")).visible);
}

void tst_ChoiceEngine::exitReturnsToTheTermMenu_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("caption");
    QTest::newRow("openings") << "openings" << "menu1" << "Story Openings";
    QTest::newRow("instructions") << "instructions" << "menu1" << "Instructional Texts";
    QTest::newRow("terms") << "terms" << "menu2" << "Poetry Terms";
    QTest::newRow("figurative") << "figurative" << "menu2" << "Figurative Language";
    QTest::newRow("theatre") << "theatre" << "menu4" << "Drama";
    QTest::newRow("linking") << "linking" << "menu5" << "Linking of Points";
    QTest::newRow("rhythm") << "rhythm" << "menu5" << "Rhythm in Poetry";
    QTest::newRow("writer") << "writer" << "menu6" << "Style of Writer";
    QTest::newRow("blurb") << "blurb" << "menu6" << "Back Cover Blurb";
}

void tst_ChoiceEngine::exitReturnsToTheTermMenu()
{
    QFETCH(QString, activity);
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    ChoiceApp app;
    for (int i = 1; i <= 6; ++i) {
        const QString name = QStringLiteral("menu%1").arg(i);
        app.forms.registerForm(name, [&app, name](FormRegistry &) { return std::make_unique<MenuStub>(app.context, name); });
    }
    QCOMPARE(Catalogue::menuOf(activity), menu); // the menu lists the activity it returns to
    ChoiceScreen *form = app.open(activity, 1);
    QCOMPARE(form->caption, caption);
    QCOMPARE(form->backColor, QColor(49, 135, 215));
    click(form, 0); // blink and a mark running
    clickNamed(form, "cmdexit");
    QVERIFY(!app.forms.isLoaded(activity));
    QVERIFY(app.forms.current());
    QCOMPARE(app.forms.current()->name(), menu);
    QCOMPARE(app.sound.played.last(), Click);
    app.forms.reap();
}

void tst_ChoiceEngine::exitWithoutAMenuStillLeaves()
{
    ChoiceApp app;
    ChoiceScreen *form = app.open(QStringLiteral("writer"), 1);
    clickNamed(form, "cmdexit");
    QVERIFY(!app.forms.isLoaded(QStringLiteral("writer")));
    QCOMPARE(app.forms.current(), nullptr);
    app.forms.reap();
}

void tst_ChoiceEngine::teachersCopyIsUsedOnlyWhenItPasses_data()
{
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("correct");
    QTest::addColumn<bool>("used");
    QTest::newRow("a sound edit is used") << "\"Where is my hat?\" asked Gran." << "Dialogue" << true;
    // A teacher's bank is held to what every bank needs, not to the built-in bank's list of answers.
    QTest::newRow("a word outside the built-in answers is used") << "\"Where is my hat?\" asked Gran." << "Speech" << true;
    QTest::newRow("an empty answer is set aside") << "\"Where is my hat?\" asked Gran." << "" << false;
}

void tst_ChoiceEngine::teachersCopyIsUsedOnlyWhenItPasses()
{
    QFETCH(QString, prompt);
    QFETCH(QString, correct);
    QFETCH(bool, used);
    QFile builtIn(QStringLiteral(":/assets/content/openings.json"));
    QVERIFY(builtIn.open(QIODevice::ReadOnly));
    QJsonObject root = QJsonDocument::fromJson(builtIn.readAll()).object();
    QJsonArray records = root.value(QLatin1String("records")).toArray();
    QJsonObject record = records.at(4).toObject(); // a direct-speech prompt, so eight remain
    const QString original = record.value(QLatin1String("prompt")).toString();
    record.insert(QStringLiteral("prompt"), prompt);
    record.insert(QStringLiteral("correct"), correct);
    records.replace(4, record);
    root.insert(QStringLiteral("records"), records);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("content")));
    QFile edited(dir.filePath(QStringLiteral("content/openings.json")));
    QVERIFY(edited.open(QIODevice::WriteOnly));
    edited.write(QJsonDocument(root).toJson());
    edited.close();

    ChoiceApp app({dir.path(), AssetResolver::embeddedRoot()});
    if (!used)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("record 5, field \"correct\"")));
    ChoiceScreen *form = app.open(QStringLiteral("openings"), 4);
    QVERIFY(form->hasBank());
    QCOMPARE(form->ctl(QStringLiteral("Label4")).caption(), used ? prompt : original);
}

void tst_ChoiceEngine::unloadableBankShowsAMessageAndDealsNothing()
{
    // A row whose bank no copy can satisfy (no file has a field of that name).
    VisitRecorder recorder;
    ChoiceApp app;
    app.context.visitLog = [&]() -> VisitLog & { return recorder; };
    ChoiceActivity row = *choiceActivity(QStringLiteral("openings"));
    row.content.fields.first().field = QStringLiteral("nowhere");
    app.forms.registerForm(QStringLiteral("openings"), [&](FormRegistry &) { return std::make_unique<ChoiceScreen>(app.context, row); });
    for (int i = 0; i <= 400; ++i)
        app.state.ItemBank[i] = QStringLiteral("earlier");

    auto *form = app.forms.get<ChoiceScreen>(QStringLiteral("openings"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("field \"nowhere\": is missing")));
    fire(form, "Timer1");
    QVERIFY(!form->hasBank());
    QCOMPARE(form->ctl(QStringLiteral("Label4")).caption(), ChoiceScreen::LoadFailedMessage);
    QVERIFY(form->ctl(QStringLiteral("Label4")).visible);
    for (int i = 0; i < 4; ++i)
        QVERIFY(!option(form, i).visible);
    QCOMPARE(app.state.ItemBank[99], QString());          // Form_Load still clears 0 to 99
    QCOMPARE(app.state.ItemBank[100], QStringLiteral("earlier")); // nothing written beyond

    const int reseeds = app.random.reseeds;
    click(form, 0); // an empty option judges nothing
    QVERIFY(!form->ctl(QStringLiteral("Label6")).visible);
    clickNamed(form, "cmdgo"); // Next draws nothing
    QCOMPARE(app.random.reseeds, reseeds);
    QCOMPARE(form->ctl(QStringLiteral("Label4")).caption(), ChoiceScreen::LoadFailedMessage);
    QVERIFY(!form->timer(QStringLiteral("Timer1"))->enabled);
    clickNamed(form, "cmdexit");
    QCOMPARE(recorder.events, QStringList()); // no visit without a bank
    app.forms.reap();
}

void tst_ChoiceEngine::visitsHearOfFirstAnswersOnly_data()
{
    // r, w: a right or wrong answer clicked; s: the answer button; n: Next (the next record
    // dealt); x: Exit; u: the form unloaded by another; e: the program ended. "teardown"
    // marks where the registry goes, with any form it still holds.
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("told");
    const QString openings = QStringLiteral("openings/Story Openings, item 1, ");
    QTest::newRow("right, then a second answer") << "openings" << "r w x" << openings + "right, end, teardown";
    QTest::newRow("wrong, then the right one") << "openings" << "w r r x" << openings + "wrong, end, teardown";
    QTest::newRow("Next: each item its own first answer")
        << "openings" << "w n r w n x" << openings + "wrong, item 2, right, item 3, end, teardown";
    QTest::newRow("the answer shown first: not right first time")
        << "attention" << "s r w x" << "attention/Attention to Accuracy, item 1, wrong, end, teardown";
    QTest::newRow("the answer shown after an answer changes nothing")
        << "attention" << "r s w x" << "attention/Attention to Accuracy, item 1, right, end, teardown";
    QTest::newRow("unloaded without Exit") << "openings" << "r u" << openings + "right, end, teardown";
    QTest::newRow("the program ends") << "openings" << "w e" << openings + "wrong, teardown, end";
}

void tst_ChoiceEngine::visitsHearOfFirstAnswersOnly()
{
    QFETCH(QString, activity);
    QFETCH(QString, script);
    QFETCH(QString, told);
    VisitRecorder recorder; // outlives the forms, as the results store must
    auto app = std::make_unique<ChoiceApp>();
    app->context.visitLog = [&]() -> VisitLog & { return recorder; };
    app->state.LastItem = -1;
    int record = 1;
    ChoiceScreen *form = app->open(activity, record);
    const int options = form->activity().rules.optionCount;
    for (const QString &step : script.split(u' ')) {
        if (step == u"r" || step == u"w") {
            int i = 0;
            while (i < options && form->isCorrect(i) != (step == u"r"))
                ++i;
            QVERIFY(i < options);
            click(form, i);
        } else if (step == u"s") {
            clickNamed(form, "cmdsoln");
        } else if (step == u"n") {
            app->random.values.clear();
            app->queueItem(++record, form->activity().itemCount, options);
            clickNamed(form, "cmdgo");
        } else if (step == u"x") {
            clickNamed(form, "cmdexit");
        } else if (step == u"u") {
            app->forms.unload(activity);
            app->forms.reap();
        } else if (step == u"e") {
            app->forms.end();
        }
    }
    recorder.events << QStringLiteral("teardown");
    app.reset();
    QCOMPARE(recorder.events.join(QStringLiteral(", ")), told);
}

QTEST_MAIN(tst_ChoiceEngine)
#include "tst_choiceengine.moc"
