#include "attention.h"
#include "choiceactivities.h"
#include "choicebank.h"
#include "choicescreen.h"
#include "choicetestsupport.h"
#include "fonts.h"
#include "playcue.h"
#include "testsupport.h"

#include <QtTest>

#include <random>

namespace {

const QColor Yellow(255, 255, 0);

const QStringList TwoWay = {QStringLiteral("questionaire"), QStringLiteral("fact"), QStringLiteral("openorclosed"),
                            QStringLiteral("review"), QStringLiteral("revision")};

// The program's multiple-choice forms, the six term menus as stand-ins, sound on.
struct QuestionApp : TestApp
{
    explicit QuestionApp(QStringList roots = {AssetResolver::embeddedRoot()})
        : TestApp(std::move(roots))
    {
        forms.registerForm(QStringLiteral("Grey"), [this](FormRegistry &) { return std::make_unique<Grey>(context); });
        registerChoiceActivities(context);
        for (int i = 1; i <= 6; ++i) {
            const QString name = QStringLiteral("menu%1").arg(i);
            forms.registerForm(name, [this, name](FormRegistry &) { return std::make_unique<MenuStub>(context, name); });
        }
        state.SoundOn = 1;
    }

    // Opens an activity and runs its first Timer1 tick, which deals `record` (these screens
    // draw one number per item and shuffle nothing).
    ChoiceScreen *open(const QString &id, int record)
    {
        auto *form = forms.get<ChoiceScreen>(id);
        form->Show();
        random.queueIndex(record, form->activity().itemCount);
        form->timer(QStringLiteral("Timer1"))->fire();
        return form;
    }

    void next(ChoiceScreen *form, int record)
    {
        random.queueIndex(record, form->activity().itemCount);
        form->ctl(QStringLiteral("cmdgo")).onClick(-1);
    }
};

Control &answer(ChoiceScreen *form, int index)
{
    return form->ctl(QStringLiteral("Label5"), index);
}

void click(ChoiceScreen *form, int index)
{
    answer(form, index).onClick(index);
}

void press(ChoiceScreen *form, const char *button)
{
    form->ctl(QString::fromLatin1(button)).onClick(-1);
}

void fire(ChoiceScreen *form, const char *timer, int times = 1)
{
    for (int i = 0; i < times; ++i)
        form->timer(QString::fromLatin1(timer))->fire();
}

bool shown(ChoiceScreen *form, const char *label)
{
    return form->ctl(QString::fromLatin1(label)).visible;
}

QString caption(ChoiceScreen *form, const char *label)
{
    return form->ctl(QString::fromLatin1(label)).caption();
}

} // namespace

class tst_Questionnaire : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); }

    // The round
    void answersAreMarkedAndBlinkByElement_data();
    void answersAreMarkedAndBlinkByElement();
    void openStandsLeftAndIsElementOne();
    void answerLabelsNeverMoveAndDrawsNeverRepeat_data();
    void answerLabelsNeverMoveAndDrawsNeverRepeat();
    void labelsAppearAsTheRoundGoes_data();
    void labelsAppearAsTheRoundGoes();
    void nextStopsTheMarksInEveryForm_data();
    void nextStopsTheMarksInEveryForm();
    void blinkPhaseAtOpening_data();
    void blinkPhaseAtOpening();
    void exitReturnsToTheTermMenu_data();
    void exitReturnsToTheTermMenu();
    void unloadableBankLeavesAMessage_data();
    void unloadableBankLeavesAMessage();

    // Attention to Accuracy
    void answerButtonRevealsWithoutMarking_data();
    void answerButtonRevealsWithoutMarking();
    void correctedSentenceFollowsTheAnswer();

    // The banks
    void everyBankValidates_data();
    void everyBankValidates();
    void brokenRecordIsRejected_data();
    void brokenRecordIsRejected();
    void correctionsAreCountedWordByWord_data();
    void correctionsAreCountedWordByWord();
    void everyTextFitsItsLabel_data();
    void everyTextFitsItsLabel();
};

void tst_Questionnaire::answersAreMarkedAndBlinkByElement_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("record");
    QTest::addColumn<int>("key");
    QTest::newRow("questionaire: specific") << "questionaire" << 0 << 0;
    QTest::newRow("questionaire: unspecific") << "questionaire" << 1 << 1;
    QTest::newRow("fact: a fact") << "fact" << 0 << 0;
    QTest::newRow("fact: an opinion") << "fact" << 1 << 1;
    QTest::newRow("openorclosed: closed") << "openorclosed" << 0 << 0;
    QTest::newRow("openorclosed: open") << "openorclosed" << 1 << 1;
    QTest::newRow("review: useful") << "review" << 0 << 0;
    QTest::newRow("review: spurious") << "review" << 1 << 1;
    QTest::newRow("revision: true") << "revision" << 0 << 0;
    QTest::newRow("revision: false") << "revision" << 1 << 1;
    QTest::newRow("attention: no error") << "attention" << 0 << 0;
    QTest::newRow("attention: one error") << "attention" << 1 << 1;
    QTest::newRow("attention: three errors") << "attention" << 5 << 3;
    QTest::newRow("attention: four errors") << "attention" << 7 << 4;
}

void tst_Questionnaire::answersAreMarkedAndBlinkByElement()
{
    QFETCH(QString, activity);
    QFETCH(int, record);
    QFETCH(int, key);
    QuestionApp app;
    app.state.LastItem = -1;
    ChoiceScreen *form = app.open(activity, record);
    QCOMPARE(app.state.LastItem, record);
    QCOMPARE(app.state.AnswerKey[record].toInt(), key);

    const int count = form->activity().rules.optionCount;
    for (int i = 0; i < count; ++i) {
        const bool right = i == key;
        form->timer(QStringLiteral("tmrtick"))->enabled = false;
        form->timer(QStringLiteral("tmrcross"))->enabled = false;
        click(form, i);
        QCOMPARE(caption(form, "Label6"), right ? QStringLiteral("Correct") : QStringLiteral("Wrong"));
        QVERIFY(shown(form, "Label6"));
        QCOMPARE(app.sound.played.last(), right ? Cash : Boink);
        QCOMPARE(form->timer(QStringLiteral("tmrtick"))->enabled, right);
        QCOMPARE(form->timer(QStringLiteral("tmrcross"))->enabled, !right);
        QVERIFY(form->timer(QStringLiteral("Timer2"))->enabled);
    }

    // Only the keyed element blinks, whatever the captions say.
    app.state.FlashPhase = 0;
    for (const QColor &colour : {Yellow, White, Yellow, White}) {
        fire(form, "Timer2");
        for (int i = 0; i < count; ++i)
            QCOMPARE(answer(form, i).backColor, i == key ? colour : Yellow);
    }
    // Next puts the colour back at once.
    app.next(form, record + 2);
    for (int i = 0; i < count; ++i)
        QCOMPARE(answer(form, i).backColor, Yellow);
    QVERIFY(!form->timer(QStringLiteral("Timer2"))->enabled);
}

void tst_Questionnaire::openStandsLeftAndIsElementOne()
{
    QuestionApp app;
    app.state.LastItem = -1;
    ChoiceScreen *form = app.open(QStringLiteral("openorclosed"), 1); // an open question
    QCOMPARE(caption(form, "Label1"), QStringLiteral("What do you think about the game?"));
    QCOMPARE(answer(form, 1).caption(), QStringLiteral("OPEN"));
    QCOMPARE(answer(form, 0).caption(), QStringLiteral("CLOSED"));
    QVERIFY(answer(form, 1).left < answer(form, 0).left);
    QCOMPARE(answer(form, 1).top, answer(form, 0).top);

    click(form, 1);
    QCOMPARE(caption(form, "Label6"), QStringLiteral("Correct"));
    app.state.FlashPhase = 1;
    fire(form, "Timer2");
    QCOMPARE(answer(form, 1).backColor, White); // the left-hand label
    QCOMPARE(answer(form, 0).backColor, Yellow);
}

void tst_Questionnaire::answerLabelsNeverMoveAndDrawsNeverRepeat_data()
{
    QTest::addColumn<QString>("activity");
    for (const QString &id : TwoWay)
        QTest::newRow(qPrintable(id)) << id;
    QTest::newRow("attention") << "attention";
}

void tst_Questionnaire::answerLabelsNeverMoveAndDrawsNeverRepeat()
{
    QFETCH(QString, activity);
    QuestionApp app;
    std::mt19937 generator(20240612);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    constexpr int Draws = 300;
    for (int i = 0; i <= Draws; ++i)
        app.random.values.push_back(uniform(generator));
    auto *form = app.forms.get<ChoiceScreen>(activity);
    fire(form, "Timer1");
    const ChoiceActivity &row = form->activity();
    QList<QString> captions;
    QList<QPointF> places;
    for (int i = 0; i < row.rules.optionCount; ++i) {
        captions << answer(form, i).caption();
        places << QPointF(answer(form, i).left, answer(form, i).top);
    }

    QSet<int> seen;
    for (int draw = 0; draw < Draws; ++draw) {
        const int before = app.state.LastItem;
        press(form, "cmdgo");
        const int r = app.state.LastItem;
        QVERIFY(r != before);
        QVERIFY(r >= 0 && r < row.itemCount);
        seen.insert(r);
        QCOMPARE(caption(form, "Label1"), app.state.ItemBank[row.recordWidth * r]);
        if (activity == QLatin1String("review"))
            QCOMPARE(caption(form, "Label4"), app.state.ItemBank[2 * r + 1]);
        if (activity == QLatin1String("attention"))
            QCOMPARE(caption(form, "Label2"), app.state.TextBank[r]);
        for (int i = 0; i < row.rules.optionCount; ++i) {
            QCOMPARE(answer(form, i).caption(), captions[i]);
            QCOMPARE(QPointF(answer(form, i).left, answer(form, i).top), places[i]);
        }
    }
    QVERIFY(app.random.values.empty()); // one number per draw: nothing is shuffled
    QCOMPARE(app.random.reseeds, Draws + 1);
    QCOMPARE(int(seen.size()), row.itemCount);
}

void tst_Questionnaire::labelsAppearAsTheRoundGoes_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("instruction"); // the label that never changes
    QTest::addColumn<bool>("answersAtStart");
    QTest::addColumn<bool>("hasLabel4");
    for (const QString &id : TwoWay)
        QTest::newRow(qPrintable(id)) << id << "Label2" << false << (id != QLatin1String("revision"));
    QTest::newRow("attention") << "attention" << "Label4" << true << true;
}

void tst_Questionnaire::labelsAppearAsTheRoundGoes()
{
    QFETCH(QString, activity);
    QFETCH(QString, instruction);
    QFETCH(bool, answersAtStart);
    QFETCH(bool, hasLabel4);
    QuestionApp app;
    auto *form = app.forms.get<ChoiceScreen>(activity);
    QCOMPARE(form->control(QStringLiteral("Label4")) != nullptr, hasLabel4);
    const QString fixed = form->ctl(instruction).caption();
    QVERIFY(!fixed.isEmpty());
    QVERIFY(form->ctl(instruction).visible);
    QVERIFY(!shown(form, "Label1"));
    QVERIFY(!shown(form, "Label6"));
    for (int i = 0; i < form->activity().rules.optionCount; ++i)
        QCOMPARE(answer(form, i).visible, answersAtStart);
    const bool answerButton = activity == QLatin1String("attention");
    QCOMPARE(shown(form, "cmdsoln"), answerButton);
    QVERIFY(!shown(form, "cmdcheckit"));

    app.state.LastItem = -1;
    app.random.queueIndex(3, form->activity().itemCount);
    fire(form, "Timer1");
    QVERIFY(shown(form, "Label1"));
    QVERIFY(!caption(form, "Label1").isEmpty());
    for (int i = 0; i < form->activity().rules.optionCount; ++i)
        QVERIFY(answer(form, i).visible);
    if (hasLabel4 && !answerButton) {
        QVERIFY(shown(form, "Label4"));
        // Only the review puts text in Label4.
        QCOMPARE(caption(form, "Label4").isEmpty(), activity != QLatin1String("review"));
    }
    QVERIFY(!shown(form, "Label6"));

    click(form, 0);
    QVERIFY(shown(form, "Label6"));
    if (hasLabel4)
        QVERIFY(shown(form, "Label4"));
    app.next(form, 9);
    QVERIFY(shown(form, "Label1"));
    QVERIFY(!shown(form, "Label6"));
    QCOMPARE(form->ctl(instruction).caption(), fixed);
    QVERIFY(form->ctl(instruction).visible);
    QCOMPARE(shown(form, "cmdsoln"), answerButton);
}

void tst_Questionnaire::nextStopsTheMarksInEveryForm_data()
{
    answerLabelsNeverMoveAndDrawsNeverRepeat_data();
}

void tst_Questionnaire::nextStopsTheMarksInEveryForm()
{
    // A mark still growing when Next is pressed would otherwise come back over an item
    // nobody has answered yet.
    QFETCH(QString, activity);
    QuestionApp app;
    app.state.LastItem = -1;
    ChoiceScreen *form = app.open(activity, 1); // key 1 in every bank
    click(form, 0);
    fire(form, "tmrcross", 10);
    click(form, 1);
    fire(form, "tmrtick", 3);
    const int phase = app.state.FlashPhase;
    app.next(form, 6);
    QCOMPARE(app.state.LastItem, 6);
    QVERIFY(!form->timer(QStringLiteral("tmrtick"))->enabled);
    QVERIFY(!form->timer(QStringLiteral("tmrcross"))->enabled);
    QVERIFY(!form->timer(QStringLiteral("Timer2"))->enabled);
    fire(form, "tmrtick");
    fire(form, "tmrcross");
    for (const char *mark : {"imgtick", "imgcross"}) {
        QVERIFY(!shown(form, mark));
        QCOMPARE(form->ctl(QString::fromLatin1(mark)).width, 0.0f);
    }
    QVERIFY(!shown(form, "Label6"));
    QCOMPARE(app.state.FlashPhase, phase);
    QCOMPARE(app.sound.played.last(), Click);
}

void tst_Questionnaire::blinkPhaseAtOpening_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("phase");
    for (const QString &id : TwoWay)
        QTest::newRow(qPrintable(id)) << id << 0;
    QTest::newRow("attention keeps the phase it finds") << "attention" << 1;
}

void tst_Questionnaire::blinkPhaseAtOpening()
{
    QFETCH(QString, activity);
    QFETCH(int, phase);
    QuestionApp app;
    app.state.FlashPhase = 1; // left by an earlier activity
    app.state.LastItem = -1;
    ChoiceScreen *form = app.open(activity, 0);
    QCOMPARE(app.state.FlashPhase, phase);
    click(form, 0); // record 0 is keyed 0 in every bank
    fire(form, "Timer2");
    QCOMPARE(answer(form, 0).backColor, phase == 0 ? Yellow : White);
}

void tst_Questionnaire::exitReturnsToTheTermMenu_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QColor>("colour");
    const QColor darker(48, 133, 214);
    QTest::newRow("questionaire") << "questionaire" << "menu4" << "Questionnaires" << darker;
    QTest::newRow("fact") << "fact" << "menu5" << "Fact or Opinion?" << darker;
    QTest::newRow("openorclosed") << "openorclosed" << "menu5" << "Open or Closed Questions" << darker;
    QTest::newRow("review") << "review" << "menu6" << "Reviews" << darker;
    QTest::newRow("revision") << "revision" << "menu6" << "Revision" << darker;
    QTest::newRow("attention") << "attention" << "menu5" << "Attention to Accuracy" << QColor(49, 135, 215);
}

void tst_Questionnaire::exitReturnsToTheTermMenu()
{
    QFETCH(QString, activity);
    QFETCH(QString, menu);
    QFETCH(QString, title);
    QFETCH(QColor, colour);
    QuestionApp app;
    ChoiceScreen *form = app.open(activity, 2);
    QCOMPARE(form->caption, title);
    QCOMPARE(form->backColor, colour);
    click(form, 1); // blink and a mark running
    press(form, "cmdexit");
    QVERIFY(!app.forms.isLoaded(activity));
    QCOMPARE(app.forms.current()->name(), menu);
    QCOMPARE(app.sound.played.last(), Click);
    app.forms.reap();
}

void tst_Questionnaire::unloadableBankLeavesAMessage_data()
{
    QTest::addColumn<QString>("activity");
    QTest::newRow("review") << "review";
    QTest::newRow("attention") << "attention";
}

void tst_Questionnaire::unloadableBankLeavesAMessage()
{
    // No copy of the bank has a field of the name the row reads.
    QFETCH(QString, activity);
    QuestionApp app;
    ChoiceActivity row = *choiceActivity(activity);
    row.content.fields.first().field = QStringLiteral("nowhere");
    app.forms.registerForm(activity, [&](FormRegistry &) { return std::make_unique<ChoiceScreen>(app.context, row); });
    auto *form = app.forms.get<ChoiceScreen>(activity);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("field \"nowhere\": is missing")));
    fire(form, "Timer1");
    QVERIFY(!form->hasBank());
    QCOMPARE(caption(form, "Label1"), ChoiceScreen::LoadFailedMessage);
    QVERIFY(shown(form, "Label1"));
    for (int i = 0; i < row.rules.optionCount; ++i)
        QVERIFY(!answer(form, i).visible);
    QVERIFY(!shown(form, "cmdsoln"));

    press(form, "cmdsoln"); // not on screen; even so it reveals nothing
    QVERIFY(!form->timer(QStringLiteral("Timer2"))->enabled);
    press(form, "cmdgo");
    QVERIFY(shown(form, "Label1")); // the message stays
    QCOMPARE(caption(form, "Label1"), ChoiceScreen::LoadFailedMessage);
}

void tst_Questionnaire::answerButtonRevealsWithoutMarking_data()
{
    QTest::addColumn<int>("answered"); // -1: not yet
    QTest::newRow("before an answer") << -1;
    QTest::newRow("after a wrong answer") << 1;
    QTest::newRow("after the right answer") << 3;
}

void tst_Questionnaire::answerButtonRevealsWithoutMarking()
{
    QFETCH(int, answered);
    QuestionApp app;
    app.state.LastItem = -1;
    ChoiceScreen *form = app.open(QStringLiteral("attention"), 5); // three errors
    QVERIFY(shown(form, "cmdsoln"));
    if (answered >= 0) {
        click(form, answered);
        fire(form, answered == 3 ? "tmrtick" : "tmrcross", 51); // full grown, timer stopped
    }
    const QString verdict = caption(form, "Label6");
    const bool verdictShown = shown(form, "Label6");
    const qsizetype cues = app.sound.played.size();

    press(form, "cmdsoln");
    QVERIFY(!shown(form, "imgtick"));
    QVERIFY(!shown(form, "imgcross"));
    QVERIFY(shown(form, "Label2"));
    QCOMPARE(caption(form, "Label2"), QStringLiteral("The Thames flows through London."));
    QCOMPARE(shown(form, "Label6"), verdictShown); // nothing marked
    QCOMPARE(caption(form, "Label6"), verdict);
    QCOMPARE(app.sound.played.mid(cues), QStringList{Click});
    QVERIFY(!form->timer(QStringLiteral("tmrtick"))->enabled);
    QVERIFY(!form->timer(QStringLiteral("tmrcross"))->enabled);

    app.state.FlashPhase = 1;
    fire(form, "Timer2");
    for (int i = 0; i < 5; ++i)
        QCOMPARE(answer(form, i).backColor, i == 3 ? White : Yellow);

    // A box clicked after the reveal is still marked.
    click(form, 2);
    QCOMPARE(caption(form, "Label6"), QStringLiteral("Wrong"));
    QVERIFY(form->timer(QStringLiteral("tmrcross"))->enabled);
    click(form, 3);
    QCOMPARE(caption(form, "Label6"), QStringLiteral("Correct"));
    QCOMPARE(app.sound.played.last(), Cash);
}

void tst_Questionnaire::correctedSentenceFollowsTheAnswer()
{
    QuestionApp app;
    app.state.LastItem = -1;
    ChoiceScreen *form = app.open(QStringLiteral("attention"), 0); // needs no correction
    QVERIFY(!shown(form, "Label2"));
    QCOMPARE(caption(form, "Label2"), caption(form, "Label1"));
    click(form, 0);
    QCOMPARE(caption(form, "Label6"), QStringLiteral("Correct"));
    QVERIFY(shown(form, "Label2"));

    app.next(form, 2);
    QVERIFY(!shown(form, "Label2")); // hidden until this item is answered
    QCOMPARE(caption(form, "Label1"), QStringLiteral("The Isle of Wight is across the Solent"));
    QCOMPARE(caption(form, "Label2"), QStringLiteral("The Isle of Wight is across the Solent."));
    click(form, 0);
    QCOMPARE(caption(form, "Label6"), QStringLiteral("Wrong"));
    QVERIFY(shown(form, "Label2"));
}

void tst_Questionnaire::everyBankValidates_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("itemSlots");
    QTest::addColumn<int>("textSlots");
    QTest::addColumn<int>("keySlots");
    QTest::newRow("questionaire") << "questionaire" << 29 << 0 << 29;
    QTest::newRow("fact") << "fact" << 33 << 0 << 33;
    QTest::newRow("openorclosed") << "openorclosed" << 34 << 0 << 34;
    QTest::newRow("review") << "review" << 64 << 0 << 32;
    QTest::newRow("revision") << "revision" << 38 << 0 << 38;
    QTest::newRow("attention") << "attention" << 32 << 32 << 32;
}

void tst_Questionnaire::everyBankValidates()
{
    QFETCH(QString, id);
    QFETCH(int, itemSlots);
    QFETCH(int, textSlots);
    QFETCH(int, keySlots);
    ContentProblems problems;
    const QByteArray data = builtInBank(id);
    const auto image = parseBytes(id, data, problems);
    QVERIFY2(image && problems.isEmpty(), qPrintable(describe(problems)));
    QCOMPARE(image->count(Store::ItemBank), itemSlots);
    QCOMPARE(image->count(Store::TextBank), textSlots);
    QCOMPARE(image->count(Store::AnswerKey), keySlots);
    QCOMPARE(image->filled().at(Store::ItemBank).rbegin()->first, itemSlots - 1);
    QCOMPARE(image->filled().at(Store::AnswerKey).rbegin()->first, keySlots - 1);

    // Each stored key names the label whose caption is the file's answer.
    TestApp app;
    registerChoiceActivities(app.context);
    auto *form = app.forms.get<ChoiceScreen>(id);
    const QJsonArray records = QJsonDocument::fromJson(data).object().value(QLatin1String("records")).toArray();
    const auto &keys = image->filled().at(Store::AnswerKey);
    for (int r = 0; r < records.size(); ++r) {
        const QJsonObject record = records.at(r).toObject();
        const QString expected = id == QLatin1String("attention")
                                     ? QString::number(record.value(QLatin1String("errors")).toInt())
                                     : record.value(QLatin1String("answer")).toString().toUpper();
        QCOMPARE(answer(form, keys.at(r).toInt()).caption(), expected);
    }
}

void tst_Questionnaire::brokenRecordIsRejected_data()
{
    // One field of one record is replaced (null removes it); the named problem must follow.
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value"); // JSON
    QTest::addColumn<QString>("reason");
    QTest::newRow("an answer outside the pair") << "fact" << 8 << "answer" << R"("true")" << "must be one of: fact, opinion";
    QTest::newRow("an answer written as its caption") << "questionaire" << 4 << "answer" << R"("SPECIFIC")" << "must be one of";
    QTest::newRow("an answer given as a number") << "revision" << 4 << "answer" << "0" << "must be one of";
    QTest::newRow("an example's key turned round") << "openorclosed" << 1 << "answer" << R"("closed")" << "must read exactly";
    QTest::newRow("an example reworded") << "revision" << 0 << "text" << R"("A sad play can be called a tragedy.")" << "must read exactly";
    QTest::newRow("a review without its extract") << "review" << 9 << "extract" << "null" << "is missing";
    QTest::newRow("a repeated question") << "questionaire" << 18 << "text" << R"("Which school year are you in?")" << "repeats record";
    QTest::newRow("a repeated extract") << "review" << 20 << "extract" << R"("My friend’s dog is called Biscuit.")" << "repeats record";
    QTest::newRow("an empty statement") << "fact" << 20 << "text" << R"(" ")" << "This text is empty";
    QTest::newRow("five errors") << "attention" << 7 << "errors" << "5" << "from 0 to 4";
    QTest::newRow("a count one short") << "attention" << 7 << "errors" << "3" << "differ by 4 corrections";
    QTest::newRow("no errors, but a correction") << "attention" << 1 << "errors" << "0" << "is 0, but";
    QTest::newRow("errors, but nothing corrected") << "attention" << 6 << "errors" << "1" << "needs no correction";
    QTest::newRow("an example's count changed") << "attention" << 2 << "errors" << "2" << "must read exactly";
    QTest::newRow("a repeated sentence") << "attention" << 9 << "shown" << R"("my freind and i went swimming on saturday.")" << "repeats record";
}

void tst_Questionnaire::brokenRecordIsRejected()
{
    QFETCH(QString, id);
    QFETCH(int, record);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, reason);
    ContentProblems problems;
    QVERIFY(!parseBytes(id, withField(id, record, field, value), problems));
    const bool named = std::any_of(problems.begin(), problems.end(), [&](const ContentProblem &p) {
        return p.record == record && p.field == field && p.reason.contains(reason);
    });
    QVERIFY2(named, qPrintable(describe(problems)));
}

void tst_Questionnaire::correctionsAreCountedWordByWord_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("corrected");
    QTest::addColumn<int>("count");
    QTest::newRow("the same sentence") << "A square has four sides." << "A square has four sides." << 0;
    QTest::newRow("only the spacing differs") << "A square  has four sides." << "A square has four sides." << 0;
    QTest::newRow("a wrong word") << "A spider has six legs." << "A spider has eight legs." << 1;
    QTest::newRow("a missing capital") << "cardiff is in Wales." << "Cardiff is in Wales." << 1;
    QTest::newRow("a misspelt word with its capital") << "We met on wensday." << "We met on Wednesday." << 1;
    QTest::newRow("a missing full stop") << "It is across the Solent" << "It is across the Solent." << 1;
    QTest::newRow("a capital and a full stop on one word") << "It flows through london" << "It flows through London." << 2;
    QTest::newRow("a question mark for a full stop") << "Where is my kit." << "Where is my kit?" << 1;
    QTest::newRow("a missing apostrophe") << "Its raining." << "It’s raining." << 1;
    QTest::newRow("a full stop after a closing quote") << "He wrote ‘Oliver Twist’" << "He wrote ‘Oliver Twist’." << 1;
    QTest::newRow("a missing word") << "We went to park." << "We went to the park." << 1;
    QTest::newRow("an extra word") << "We went to the the park." << "We went to the park." << 1;
    QTest::newRow("four corrections") << "my freind and i swam on saturday." << "My friend and I swam on Saturday." << 4;
}

void tst_Questionnaire::correctionsAreCountedWordByWord()
{
    QFETCH(QString, shown);
    QFETCH(QString, corrected);
    QFETCH(int, count);
    QCOMPARE(countCorrections(shown, corrected), count);
}

void tst_Questionnaire::everyTextFitsItsLabel_data()
{
    answerLabelsNeverMoveAndDrawsNeverRepeat_data();
}

void tst_Questionnaire::everyTextFitsItsLabel()
{
    // Every item text, the fixed instruction and the answer captions, as the screen shows
    // them: no line cut off at the bottom of its label, no word wider than its label.
    QFETCH(QString, activity);
    TestApp app;
    registerChoiceActivities(app.context);
    auto *form = app.forms.get<ChoiceScreen>(activity);
    const ChoiceActivity &row = form->activity();
    ContentProblems problems;
    const auto image = parseBytes(activity, builtInBank(activity), problems);
    QVERIFY(image);
    image->writeInto(app.state);
    auto fits = [&](const Control &label, const QString &text) {
        if (app.measurer.measure(label.font(), text, label.width).height() > label.height)
            return false;
        for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (app.measurer.measure(label.font(), word, 0).width() > label.width)
                return false;
        }
        return true;
    };
    QStringList overflowing;
    for (const LabelSpec &design : row.labels) {
        const Control &label = form->ctl(design.name, design.index);
        if (!fits(label, design.caption))
            overflowing << QStringLiteral("%1: %2").arg(design.name, design.caption);
    }
    for (int r = 0; r < row.itemCount; ++r) {
        for (const LabelFill &fill : row.rules.fills) {
            const SlotRef &source = fill.sources.first();
            const QString text = readSlot(app.state, source.store, source.at(r)).toString();
            if (!fits(form->ctl(fill.label), text))
                overflowing << QStringLiteral("record %1, %2: %3").arg(r).arg(fill.label, text);
        }
    }
    QVERIFY2(overflowing.isEmpty(), qPrintable(overflowing.join(QLatin1Char('\n'))));

    if (activity == QLatin1String("attention")) { // its instruction is a single line
        const Control &instruction = form->ctl(QStringLiteral("Label4"));
        QCOMPARE(app.measurer.measure(instruction.font(), instruction.caption(), instruction.width).height(),
                 app.measurer.measure(instruction.font(), QStringLiteral("H"), instruction.width).height());
    }
}

QTEST_MAIN(tst_Questionnaire)
#include "tst_questionnaire.moc"
