#include "choiceactivities.h"
#include "choicebank.h"
#include "choicescreen.h"
#include "choicetestsupport.h"
#include "fonts.h"
#include "playcue.h"
#include "testsupport.h"

#include <QtTest>

#include <algorithm>

namespace {

const QColor Yellow(255, 255, 0);

const QStringList TextMarked = {QStringLiteral("similes"), QStringLiteral("style"), QStringLiteral("ambiguity"),
                                QStringLiteral("prediction"), QStringLiteral("evaluate"), QStringLiteral("distinctive")};
const QStringList Family = TextMarked + QStringList{QStringLiteral("persuasive")};

// The program's multiple-choice forms, the six term menus as stand-ins, sound on.
struct SimilesApp : TestApp
{
    explicit SimilesApp(QStringList roots = {AssetResolver::embeddedRoot()})
        : TestApp(std::move(roots))
    {
        forms.registerForm(QStringLiteral("Grey"), [this](FormRegistry &) { return std::make_unique<Grey>(context); });
        registerChoiceActivities(context);
        for (int i = 1; i <= 6; ++i) {
            const QString name = QStringLiteral("menu%1").arg(i);
            forms.registerForm(name, [this, name](FormRegistry &) { return std::make_unique<MenuStub>(context, name); });
        }
        state.SoundOn = 1;
        state.LastItem = -1; // so any record can be drawn first
    }

    // Queues the draw of `record` and, for a screen with options, ten passes that leave
    // them in their stored order (each visit swaps a place with itself).
    void queueItem(ChoiceScreen *form, int record)
    {
        random.queueIndex(record, form->activity().itemCount);
        if (!form->activity().rules.options)
            return;
        const int count = form->activity().rules.optionCount;
        for (int pass = 0; pass < 10; ++pass) {
            for (int j = 0; j < count; ++j)
                random.queueIndex(j, count);
        }
    }

    // Opens an activity and runs its first Timer1 tick, which deals `record`.
    ChoiceScreen *open(const QString &id, int record)
    {
        auto *form = forms.get<ChoiceScreen>(id);
        form->Show();
        queueItem(form, record);
        form->timer(QStringLiteral("Timer1"))->fire();
        return form;
    }

    void next(ChoiceScreen *form, int record)
    {
        queueItem(form, record);
        form->ctl(QStringLiteral("cmdgo")).onClick(-1);
    }
};

Control &label(ChoiceScreen *form, const char *name, int index = -1)
{
    return form->ctl(QString::fromLatin1(name), index);
}

void click(ChoiceScreen *form, int index)
{
    label(form, "Label5", index).onClick(index);
}

void fire(ChoiceScreen *form, const char *timer, int times = 1)
{
    for (int i = 0; i < times; ++i)
        form->timer(QString::fromLatin1(timer))->fire();
}

// The answer label showing text, or -1.
int showing(ChoiceScreen *form, const QString &text)
{
    for (int i = 0; i < form->activity().rules.optionCount; ++i) {
        if (label(form, "Label5", i).caption() == text)
            return i;
    }
    return -1;
}

} // namespace

class tst_Similes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); } // measure with the faces the screens use

    void promptLinesPerActivity_data();
    void promptLinesPerActivity();
    void shuffleIsTenPassesOverThreePlaces_data();
    void shuffleIsTenPassesOverThreePlaces();
    void answerRevealShowsOnAnswerAndHidesOnNext_data();
    void answerRevealShowsOnAnswerAndHidesOnNext();
    void everyLabelCarryingTheRightTextIsRightAndBlinks();
    void newItemNeverShowsAStaleMark_data();
    void newItemNeverShowsAStaleMark();
    void exitReturnsToItsTermMenu_data();
    void exitReturnsToItsTermMenu();

    void persuasivePartsWrapByTheLineRule_data();
    void persuasivePartsWrapByTheLineRule();
    void persuasiveThirdBoxHidesForAnEmptyPartAndReturns();
    void persuasiveMarksByKeyAndBoxesKeepTheirColours_data();
    void persuasiveMarksByKeyAndBoxesKeepTheirColours();
    void persuasiveWithoutABankSaysSo();

    void everyBankValidates_data();
    void everyBankValidates();
    void brokenRecordIsRejected_data();
    void brokenRecordIsRejected();
    void everyItemFitsItsScreen_data();
    void everyItemFitsItsScreen();
};

void tst_Similes::promptLinesPerActivity_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("prompt");      // Label1
    QTest::addColumn<QString>("second");      // Label4
    QTest::addColumn<bool>("secondOnDraw");   // Label4 shown before an answer
    QTest::newRow("similes: the completed simile waits") << "similes" << 1 << "The twins are as happy as"
                                                         << "The twins are as happy as playful kittens." << false;
    QTest::newRow("style: the completed line waits") << "style" << 0 << "I always _____ with honey."
                                                     << "I always eat peas with honey." << false;
    QTest::newRow("ambiguity: question and response in quotation marks")
        << "ambiguity" << 0 << "\"What time shall I come?\"" << "\"Between 6 and 6.30.\"" << true;
    QTest::newRow("prediction: the statement in quotation marks") << "prediction" << 0
                                                                  << "\"If he keeps doing that he’ll lose.\"" << "" << true;
    QTest::newRow("evaluate: the statement as written") << "evaluate" << 0 << "The undersigned object to the proposal."
                                                        << "" << true;
    QTest::newRow("distinctive: the sentence as written") << "distinctive" << 0
                                                          << "The spine chilling last scene was sensational." << "" << true;
}

void tst_Similes::promptLinesPerActivity()
{
    QFETCH(QString, id);
    QFETCH(int, record);
    QFETCH(QString, prompt);
    QFETCH(QString, second);
    QFETCH(bool, secondOnDraw);
    SimilesApp app;
    ChoiceScreen *form = app.open(id, record);
    QCOMPARE(app.state.LastItem, record);
    QVERIFY(label(form, "Label2").visible);
    QCOMPARE(label(form, "Label1").caption(), prompt);
    QVERIFY(label(form, "Label1").visible);
    QCOMPARE(label(form, "Label4").caption(), second);
    QCOMPARE(label(form, "Label4").visible, secondOnDraw);
    for (int i = 0; i < 3; ++i)
        QVERIFY(label(form, "Label5", i).visible);
    QVERIFY(!form->control(QStringLiteral("Label5"), 3)); // three answer labels, not four
    QCOMPARE(form->backColor, QColor(48, 133, 214));
    if (id == QLatin1String("style")) {
        QCOMPARE(label(form, "Label3").caption(), QStringLiteral("Poetry Style: Humour"));
        QCOMPARE(label(form, "Label7").caption(), QStringLiteral("Anon"));
        QCOMPARE(app.state.StyleBank[0], QStringLiteral("Anon"));
    } else {
        QVERIFY(!form->control(QStringLiteral("Label3")));
    }
}

void tst_Similes::shuffleIsTenPassesOverThreePlaces_data()
{
    // Each digit is one draw m = Int(Rnd x 3): ten passes, each visiting places 0, 1, 2.
    // A and B are the stored wrong options and C the right one.
    QTest::addColumn<QString>("draws");
    QTest::addColumn<QString>("arrangement");
    const QString keep = QStringLiteral("012");
    QTest::newRow("every visit keeps its place") << keep.repeated(10) << "ABC";
    QTest::newRow("first visit swaps with the last place") << QStringLiteral("212") + keep.repeated(9) << "CBA";
    QTest::newRow("every visit picks place 0") << QStringLiteral("000").repeated(10) << "CAB";
    QTest::newRow("every visit picks place 2") << QStringLiteral("222").repeated(10) << "CAB";
    QTest::newRow("last pass picks place 1 throughout") << keep.repeated(9) + QStringLiteral("111") << "BCA";
}

void tst_Similes::shuffleIsTenPassesOverThreePlaces()
{
    QFETCH(QString, draws);
    QFETCH(QString, arrangement);
    QCOMPARE(draws.size(), 30);
    SimilesApp app;
    auto *form = app.forms.get<ChoiceScreen>(QStringLiteral("ambiguity"));
    app.random.queueIndex(6, 33);
    for (QChar digit : draws)
        app.random.queueIndex(digit.digitValue(), 3);
    fire(form, "Timer1");
    QVERIFY(app.random.values.empty()); // exactly one draw and thirty shuffle numbers
    QCOMPARE(app.random.reseeds, 2);
    for (int i = 0; i < 3; ++i) {
        const int slot = 5 * 6 + 2 + (arrangement.at(i).toLatin1() - 'A');
        QCOMPARE(label(form, "Label5", i).caption(), app.state.ItemBank[slot]);
    }
}

void tst_Similes::answerRevealShowsOnAnswerAndHidesOnNext_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("reveal"); // Label4 waits for the answer
    QTest::addColumn<bool>("right");  // which answer is given
    QTest::newRow("similes, a wrong answer") << "similes" << true << false;
    QTest::newRow("similes, the right answer") << "similes" << true << true;
    QTest::newRow("style, a wrong answer") << "style" << true << false;
    QTest::newRow("ambiguity keeps its response") << "ambiguity" << false << true;
    QTest::newRow("distinctive keeps its empty line") << "distinctive" << false << false;
}

void tst_Similes::answerRevealShowsOnAnswerAndHidesOnNext()
{
    QFETCH(QString, id);
    QFETCH(bool, reveal);
    QFETCH(bool, right);
    SimilesApp app;
    ChoiceScreen *form = app.open(id, 2);
    const ChoiceRules &rules = form->activity().rules;
    const QString correct = app.state.ItemBank[rules.correct.at(2)];
    const int index = right ? showing(form, correct) : (showing(form, correct) + 1) % 3;
    QCOMPARE(label(form, "Label4").visible, !reveal);

    click(form, index);
    QCOMPARE(label(form, "Label6").caption(), right ? QStringLiteral("Correct") : QStringLiteral("Wrong"));
    QVERIFY(label(form, "Label4").visible);
    const QString revealed = label(form, "Label4").caption();
    click(form, index); // a second answer keeps it on show
    QVERIFY(label(form, "Label4").visible);

    app.next(form, 5);
    QCOMPARE(label(form, "Label4").visible, !reveal);
    QVERIFY(!label(form, "Label6").visible);
    QVERIFY(label(form, "Label1").visible);
    if (reveal)
        QVERIFY(label(form, "Label4").caption() != revealed); // ready with the next item's line
}

void tst_Similes::everyLabelCarryingTheRightTextIsRightAndBlinks()
{
    // A wrong option spelled letter for letter as the right one counts as right and blinks;
    // one that differs only by a trailing space does not.
    SimilesApp app;
    ChoiceScreen *form = app.open(QStringLiteral("evaluate"), 3);
    app.state.ItemBank[4 * 9 + 1] = QStringLiteral("Formal");
    app.state.ItemBank[4 * 9 + 2] = QStringLiteral("Formal ");
    app.state.ItemBank[4 * 9 + 3] = QStringLiteral("Formal");
    app.next(form, 9);
    QCOMPARE(app.state.LastItem, 9);

    click(form, 1); // "Formal "
    QCOMPARE(label(form, "Label6").caption(), QStringLiteral("Wrong"));
    QCOMPARE(app.sound.played.last(), Boink);
    QVERIFY(form->timer(QStringLiteral("tmrcross"))->enabled);
    click(form, 0); // the wrong slot, spelled as the right answer
    QCOMPARE(label(form, "Label6").caption(), QStringLiteral("Correct"));
    QCOMPARE(app.sound.played.last(), Cash);
    QVERIFY(form->timer(QStringLiteral("tmrtick"))->enabled);

    app.state.FlashPhase = 0;
    QList<QColor> blink;
    for (int tick = 0; tick < 4; ++tick) {
        fire(form, "Timer2");
        blink << label(form, "Label5", 0).backColor;
        QCOMPARE(label(form, "Label5", 2).backColor, label(form, "Label5", 0).backColor);
        QCOMPARE(label(form, "Label5", 1).backColor, Yellow);
    }
    QCOMPARE(blink, (QList<QColor>{Yellow, White, Yellow, White}));

    app.next(form, 4);
    QVERIFY(!form->timer(QStringLiteral("Timer2"))->enabled);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(label(form, "Label5", i).backColor, Yellow);
    QCOMPARE(app.sound.played.last(), Click);
}

void tst_Similes::newItemNeverShowsAStaleMark_data()
{
    QTest::addColumn<QString>("id");
    for (const QString &id : Family)
        QTest::newRow(qPrintable(id)) << id;
}

void tst_Similes::newItemNeverShowsAStaleMark()
{
    QFETCH(QString, id);
    SimilesApp app;
    ChoiceScreen *form = app.open(id, 0);
    click(form, 0); // wrong (the options keep their stored order; persuasive's key is 2)
    click(form, 2); // right: both marks are growing
    fire(form, "tmrtick", 5);
    fire(form, "tmrcross", 5);
    app.next(form, 3);
    for (const char *timer : {"tmrtick", "tmrcross"}) {
        QVERIFY(!form->timer(QString::fromLatin1(timer))->enabled);
        fire(form, timer); // a tick already queued changes nothing
    }
    for (const char *mark : {"imgtick", "imgcross"}) {
        QVERIFY(!label(form, mark).visible);
        QCOMPARE(label(form, mark).width, 0.0f);
    }
}

void tst_Similes::exitReturnsToItsTermMenu_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("instruction");
    QTest::newRow("similes") << "similes" << "menu1" << "Similes" << "Click the correct ending for the simile.";
    QTest::newRow("style") << "style" << "menu1" << "Poetry Style" << "Which text is missing from the line of poetry?";
    QTest::newRow("ambiguity") << "ambiguity" << "menu3" << "Ambiguity"
                               << "What type of language is being used in the response to the question below?";
    QTest::newRow("prediction") << "prediction" << "menu3" << "Prediction"
                                << "What type of language is being used in the statement below?";
    QTest::newRow("evaluate") << "evaluate" << "menu3" << "Style Evaluation"
                              << "What type of language is being used in the statement below?";
    QTest::newRow("distinctive") << "distinctive" << "menu4" << "Distinctive Voices"
                                 << "In what sort of text would you find the following sentence?";
    QTest::newRow("persuasive") << "persuasive" << "menu3" << "Persuasive Devices" << "Identify the persuasive device.";
}

void tst_Similes::exitReturnsToItsTermMenu()
{
    QFETCH(QString, id);
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    QFETCH(QString, instruction);
    SimilesApp app;
    ChoiceScreen *form = app.open(id, 1);
    QCOMPARE(form->caption, caption);
    QCOMPARE(label(form, "Label2").caption(), instruction);
    click(form, 0); // a mark growing, perhaps a blink
    label(form, "cmdexit").onClick(-1);
    QVERIFY(!app.forms.isLoaded(id));
    QVERIFY(app.forms.current());
    QCOMPARE(app.forms.current()->name(), menu);
    QCOMPARE(app.sound.played.last(), Click);
    app.forms.reap();
}

// The three parts of the sentence on show: left and top of each.
struct PartPlaces
{
    QList<float> lefts, tops;
};

PartPlaces placesOf(ChoiceScreen *form)
{
    PartPlaces places;
    for (int k = 0; k < 3; ++k) {
        places.lefts << label(form, "Label1", k).left;
        places.tops << label(form, "Label1", k).top;
    }
    return places;
}

void tst_Similes::persuasivePartsWrapByTheLineRule_data()
{
    // Each row gives the three parts and which lines (0 = first) they must end up on; the
    // test first checks, by measuring, that the parts really are of the widths the case needs.
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QList<int>>("lines");
    QTest::newRow("all on one line") << QStringList{"You can do it,", "it’s just a", "piece of cake."} << QList<int>{0, 0, 0};
    QTest::newRow("second part wraps and the third follows it")
        << QStringList{"The tastiest ice cream in the whole world", "is sold at the kiosk on the pier", "daily."}
        << QList<int>{0, 1, 1};
    QTest::newRow("third part wraps on its own")
        << QStringList{"Our toothbrush", "cleans teeth", "ten times better than any other toothbrush!"} << QList<int>{0, 0, 1};
    QTest::newRow("second and third parts both wrap")
        << QStringList{"As the kindest neighbour in the street,", "you will surely want to lend a hand at the",
                       "big litter pick on Saturday morning."}
        << QList<int>{0, 1, 2};
    QTest::newRow("an empty third part after a wrap")
        << QStringList{"Plastic bags on our beautiful beaches", "choke helpless, innocent birds every day.", ""}
        << QList<int>{0, 1, 1};
}

void tst_Similes::persuasivePartsWrapByTheLineRule()
{
    QFETCH(QStringList, parts);
    QFETCH(QList<int>, lines);
    SimilesApp app;
    ChoiceScreen *form = app.open(QStringLiteral("persuasive"), 0);
    QCOMPARE(placesOf(form).tops, (QList<float>{1080, 1080, 1080})); // the example sits on one line

    for (int k = 0; k < 3; ++k)
        app.state.ItemBank[3 * 7 + k] = parts[k];
    app.next(form, 7);
    QCOMPARE(app.state.LastItem, 7);

    QList<float> widths;
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(label(form, "Label1", k).caption(), parts[k]);
        QVERIFY(label(form, "Label1", k).visible);
        widths << label(form, "Label1", k).width;
        QVERIFY(k == 2 || widths[k] > 0); // auto-sized to the text
    }
    // The case holds: a part goes down a line exactly when, after the one before, it would
    // end beyond 10000 twips.
    const bool secondWraps = 240 + widths[0] + 120 + widths[1] > 10000;
    QCOMPARE(secondWraps, lines[1] == 1);
    const float secondEnd = (secondWraps ? 240 : 240 + widths[0] + 120) + widths[1];
    QCOMPARE(secondEnd + 120 + widths[2] > 10000, lines[2] > lines[1]);

    const PartPlaces places = placesOf(form);
    for (int k = 0; k < 3; ++k)
        QCOMPARE(places.tops[k], 1080.0f + 750.0f * lines[k]);
    QCOMPARE(places.lefts[0], 240.0f);
    QCOMPARE(places.lefts[1], lines[1] ? 240.0f : 240 + widths[0] + 120);
    QCOMPARE(places.lefts[2], lines[2] > lines[1] ? 240.0f : places.lefts[1] + widths[1] + 120);

    // Next puts every part back on the first line before laying out the next sentence.
    app.next(form, 0);
    QCOMPARE(placesOf(form).tops, (QList<float>{1080, 1080, 1080}));
    QCOMPARE(placesOf(form).lefts[0], 240.0f);
}

void tst_Similes::persuasiveThirdBoxHidesForAnEmptyPartAndReturns()
{
    SimilesApp app;
    ChoiceScreen *form = app.open(QStringLiteral("persuasive"), 2); // "... Why would anyone miss it?", ""
    QCOMPARE(label(form, "Label1", 2).caption(), QString());
    QVERIFY(label(form, "Label5", 0).visible);
    QVERIFY(label(form, "Label5", 1).visible);
    QVERIFY(!label(form, "Label5", 2).visible);
    QVERIFY(label(form, "Label4").visible);

    click(form, 1);
    QCOMPARE(label(form, "Label6").caption(), QStringLiteral("Correct"));
    QCOMPARE(label(form, "Label3").caption(), QStringLiteral("'Why would anyone miss it?' is the persuasive device."));

    app.next(form, 0);
    for (int k = 0; k < 3; ++k)
        QVERIFY(label(form, "Label5", k).visible);
    QVERIFY(!label(form, "Label3").visible);
}

void tst_Similes::persuasiveMarksByKeyAndBoxesKeepTheirColours_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<bool>("right");
    QTest::newRow("the box of the device") << 2 << true;
    QTest::newRow("the first box") << 0 << false;
    QTest::newRow("the second box") << 1 << false;
}

void tst_Similes::persuasiveMarksByKeyAndBoxesKeepTheirColours()
{
    QFETCH(int, box);
    QFETCH(bool, right);
    const QList<QColor> colours{QColor(255, 128, 128), QColor(128, 255, 128), QColor(255, 128, 255)};
    SimilesApp app;
    ChoiceScreen *form = app.open(QStringLiteral("persuasive"), 0); // key 2
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(label(form, "Label1", k).foreColor, colours[k]);
        QCOMPARE(label(form, "Label5", k).backColor, colours[k]);
        QCOMPARE(label(form, "Label5", k).caption(), QString());
    }
    QVERIFY(!label(form, "Label3").visible);

    click(form, box);
    QCOMPARE(label(form, "Label6").caption(), right ? QStringLiteral("Correct") : QStringLiteral("Wrong"));
    QCOMPARE(app.sound.played.last(), right ? Cash : Boink);
    QCOMPARE(app.state.LastAnswerRight, right ? 1 : 0);
    QCOMPARE(form->timer(QStringLiteral("tmrtick"))->enabled, right);
    QCOMPARE(form->timer(QStringLiteral("tmrcross"))->enabled, !right);
    QVERIFY(label(form, "Label3").visible);
    QCOMPARE(label(form, "Label3").caption(), QStringLiteral("'piece of cake.' is the persuasive device."));
    QVERIFY(!form->timer(QStringLiteral("Timer2"))->enabled); // nothing blinks

    click(form, (box + 1) % 3); // every click is marked again
    QCOMPARE(label(form, "Label6").caption(), box == 1 ? QStringLiteral("Correct") : QStringLiteral("Wrong"));
    fire(form, "Timer2", 3);
    app.next(form, 4);
    QVERIFY(!label(form, "Label3").visible);
    QVERIFY(!label(form, "Label6").visible);
    for (int k = 0; k < 3; ++k)
        QCOMPARE(label(form, "Label5", k).backColor, colours[k]);
}

void tst_Similes::persuasiveWithoutABankSaysSo()
{
    SimilesApp app;
    ChoiceActivity row = *choiceActivity(QStringLiteral("persuasive"));
    row.content.fields.first().field = QStringLiteral("nowhere"); // no copy of the bank has it
    app.forms.registerForm(QStringLiteral("persuasive"), [&](FormRegistry &) { return std::make_unique<ChoiceScreen>(app.context, row); });
    auto *form = app.forms.get<ChoiceScreen>(QStringLiteral("persuasive"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("field \"nowhere\": is missing")));
    fire(form, "Timer1");
    const Control &message = label(form, "Label3");
    QCOMPARE(message.caption(), ChoiceScreen::LoadFailedMessage);
    QVERIFY(message.visible);
    QVERIFY(app.measurer.measure(message.font(), message.caption(), message.width).height() <= message.height);
    for (int k = 0; k < 3; ++k)
        QVERIFY(!label(form, "Label5", k).visible);
    click(form, 0);
    QVERIFY(!label(form, "Label6").visible);
    label(form, "cmdgo").onClick(-1);
    QCOMPARE(message.caption(), ChoiceScreen::LoadFailedMessage);
    QVERIFY(message.visible);
    for (int k = 0; k < 3; ++k)
        QVERIFY(!label(form, "Label1", k).visible);
}

void tst_Similes::everyBankValidates_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("itemSlots");
    QTest::addColumn<Store>("otherStore");
    QTest::addColumn<int>("otherSlots");
    QTest::newRow("similes") << "similes" << 132 << Store::AnswerKey << 0;
    QTest::newRow("style") << "style" << 186 << Store::StyleBank << 31;
    QTest::newRow("ambiguity") << "ambiguity" << 165 << Store::AnswerKey << 0;
    QTest::newRow("prediction") << "prediction" << 120 << Store::AnswerKey << 0;
    QTest::newRow("evaluate") << "evaluate" << 128 << Store::AnswerKey << 0;
    QTest::newRow("distinctive") << "distinctive" << 128 << Store::AnswerKey << 0;
    QTest::newRow("persuasive") << "persuasive" << 90 << Store::AnswerKey << 30;
}

void tst_Similes::everyBankValidates()
{
    QFETCH(QString, id);
    QFETCH(int, itemSlots);
    QFETCH(Store, otherStore);
    QFETCH(int, otherSlots);
    ContentProblems problems;
    const auto image = parseBytes(id, builtInBank(id), problems);
    QVERIFY2(image, qPrintable(describe(problems)));
    QVERIFY2(problems.isEmpty(), qPrintable(describe(problems)));
    QCOMPARE(int(image->filled().size()), otherSlots ? 2 : 1); // no other bank touched
    QCOMPARE(image->count(Store::ItemBank), itemSlots);
    QCOMPARE(image->filled().at(Store::ItemBank).rbegin()->first, itemSlots - 1); // 0 .. n - 1, no gap
    QCOMPARE(image->count(otherStore), otherSlots);
    if (otherSlots)
        QCOMPARE(image->filled().at(otherStore).rbegin()->first, otherSlots - 1);
    if (id == QLatin1String("persuasive")) {
        int emptyThirds = 0;
        for (int r = 0; r < 30; ++r)
            emptyThirds += image->filled().at(Store::ItemBank).at(3 * r + 2).toString().isEmpty();
        QVERIFY(emptyThirds > 0);
        QVERIFY(emptyThirds < 30);
    }
}

void tst_Similes::brokenRecordIsRejected_data()
{
    // One field of one record is replaced; the named problem must follow.
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value"); // JSON
    QTest::addColumn<QString>("reason");
    QTest::newRow("an example reworded") << "similes" << 1 << "correct" << R"("happy kittens")" << "must read exactly";
    QTest::newRow("a simile ending with its own stop") << "similes" << 4 << "correct" << R"("a mouse.")" << "full stop";
    QTest::newRow("a prompt ending in a space") << "similes" << 4 << "prompt" << R"("The room was as quiet as ")" << "space";
    QTest::newRow("a style not in the list") << "style" << 3 << "style" << R"("Mystery")" << "not one of this activity's answers";
    QTest::newRow("a completed line that differs") << "style" << 3 << "completed" << R"("Tyger Tyger, burning bright")"
                                                   << "gap filled by the right answer";
    QTest::newRow("a line without its gap") << "style" << 3 << "prompt" << R"("Tyger Tyger, burning bright,")" << "one gap";
    QTest::newRow("a poet without dates") << "style" << 2 << "attribution" << R"("Keats")" << "life years";
    QTest::newRow("a poet still in copyright") << "style" << 2 << "attribution" << R"x("Someone (1890-1963)")x"
                                               << "copyright";
    QTest::newRow("life years the wrong way round") << "style" << 2 << "attribution" << R"x("Keats (1821-1795)")x"
                                                    << "cannot be right";
    QTest::newRow("a response outside the answers") << "ambiguity" << 5 << "correct" << R"("Exact")"
                                                    << "not one of this activity's answers";
    QTest::newRow("a question with its own quotation marks") << "ambiguity" << 5 << "prompt"
                                                             << R"("\"How far is it?\"")" << "quotation marks";
    QTest::newRow("a wrong option repeats the right answer") << "prediction" << 3 << "wrong" << R"(["PREDICTION", "QUESTION"])"
                                                             << "This option is the same as the right answer";
    QTest::newRow("a lower-case answer") << "prediction" << 3 << "correct" << R"("prediction")"
                                         << "not one of this activity's answers";
    QTest::newRow("a text type outside the list") << "distinctive" << 7 << "correct" << R"("novel")"
                                                  << "not one of this activity's answers";
    QTest::newRow("three wrong options") << "evaluate" << 7 << "wrong" << R"(["Formal", "Notice", "Protest"])"
                                         << "must hold 2 texts";
    QTest::newRow("an empty second part") << "persuasive" << 5 << "segments" << R"(["The chess club meets", "", "x"])"
                                          << "This part is empty";
    QTest::newRow("a blank third part") << "persuasive" << 5 << "segments" << R"(["The chess club meets", "in Room 4.", "  "])"
                                        << "This part must not start or end with a space";
    QTest::newRow("a key naming an empty part") << "persuasive" << 2 << "key" << "2" << "the third part, which is empty";
    QTest::newRow("a key beyond the boxes") << "persuasive" << 5 << "key" << "3" << "from 0 to 2";
    QTest::newRow("the persuasive example's key") << "persuasive" << 0 << "key" << "1" << "must read exactly";
}

void tst_Similes::brokenRecordIsRejected()
{
    QFETCH(QString, id);
    QFETCH(int, record);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, reason);
    ContentProblems problems;
    QVERIFY(!parseBytes(id, withField(id, record, field, value), problems));
    const bool named = std::any_of(problems.begin(), problems.end(), [&](const ContentProblem &p) {
        // A list field's problem names its element: "wrong[0]".
        return p.record == record && p.field.section(QLatin1Char('['), 0, 0) == field && p.reason.contains(reason);
    });
    QVERIFY2(named, qPrintable(describe(problems)));
}

void tst_Similes::everyItemFitsItsScreen_data()
{
    QTest::addColumn<QString>("id");
    for (const QString &id : Family)
        QTest::newRow(qPrintable(id)) << id;
}

void tst_Similes::everyItemFitsItsScreen()
{
    // Every record as the screen shows it once answered: each line of text, in the size it
    // is shown in, within its label's text area (no line cut off at the bottom, no word
    // wider than the label), and the parts of a persuasive sentence inside the window.
    QFETCH(QString, id);
    SimilesApp app;
    ChoiceScreen *form = app.open(id, 0);
    auto fits = [&](const Control &shown) {
        if (shown.autoSize())
            return shown.left + shown.width <= 12000;
        const QRectF area = shown.textArea();
        const float height = float(app.measurer.measure(shown.shownFont(), shown.caption(), float(area.width())).height());
        if (height > area.height())
            return false;
        const QStringList words = shown.caption().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        return std::all_of(words.begin(), words.end(), [&](const QString &word) {
            return app.measurer.measure(shown.shownFont(), word, 0).width() <= area.width();
        });
    };
    QStringList overflowing;
    for (int r = 0; r < form->activity().itemCount; ++r) {
        app.state.LastItem = -1;
        app.next(form, r);
        click(form, 0);
        for (const auto &control : form->controls()) {
            if (control->kind == ControlKind::Label && control->visible && !fits(*control))
                overflowing << QStringLiteral("record %1, %2(%3): %4").arg(r).arg(control->name()).arg(control->index()).arg(control->caption());
        }
    }
    QVERIFY2(overflowing.isEmpty(), qPrintable(overflowing.join(QLatin1Char('\n'))));
}

QTEST_MAIN(tst_Similes)
#include "tst_similes.moc"
