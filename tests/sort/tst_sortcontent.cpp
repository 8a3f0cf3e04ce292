#include "builtinrules.h"
#include "fonts.h"
#include "sharedstate.h"
#include "sortactivities.h"
#include "sortbank.h"
#include "testsupport.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

ContentDocument builtIn(const QString &activity)
{
    ContentProblems problems;
    auto document = ContentDocument::read(QStringLiteral(":/assets/content/%1.json").arg(activity), problems);
    Q_ASSERT(document && problems.isEmpty());
    return *document;
}

// Every string bank cell and every AnswerKey value, as one list, to see what a store touched.
QStringList everyCell(const SharedState &state)
{
    QStringList cells;
    for (int i = 0; i < state.ItemBank.size(); ++i)
        cells << state.ItemBank[i];
    for (int i = 0; i < state.TextBank.size(); ++i)
        cells << state.TextBank[i];
    for (int i = 0; i < state.WordBank.size(); ++i)
        cells << state.WordBank[i];
    for (int i = 0; i < state.KeyBankA.size(); ++i)
        cells << state.KeyBankA[i] << state.KeyBankB[i];
    for (int i = 0; i < state.StyleBank.size(); ++i)
        cells << state.StyleBank[i];
    for (int i = 0; i < state.AnswerKey.size(); ++i)
        cells << state.AnswerKey[i].toString();
    return cells;
}

} // namespace

class tst_SortContent : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedFonts(); } // measure with the faces the screens use
    void banksLandInTheirSlots_data();
    void banksLandInTheirSlots();
    void storeTouchesOnlyItsOwnSlots_data();
    void storeTouchesOnlyItsOwnSlots();
    void key2SentencesHaveTheirFragmentCounts();
    void phrasesFitTheirLabels_data();
    void phrasesFitTheirLabels();
    void brokenFilesAreRejected_data();
    void brokenFilesAreRejected();
    void checkerKnowsEveryBank();
};

void tst_SortContent::banksLandInTheirSlots_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("bank");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("value");
    QTest::newRow("chronological: first event") << "chronological" << "ItemBank" << 0 << "I caught the 8 o’clock bus.";
    QTest::newRow("chronological: last event of the example") << "chronological" << "ItemBank" << 3 << "We dawdled into school.";
    QTest::newRow("genre: first heading") << "genre" << "ItemBank" << 0 << "CRIME";
    QTest::newRow("genre: the title under heading 2") << "genre" << "ItemBank" << 5 << "The Broken Raft";
    QTest::newRow("genre: trailing spaces kept") << "genre" << "ItemBank" << 8 << "ADVENTURE          ";
    QTest::newRow("cv: first statement") << "cv" << "ItemBank" << 0 << "Date of Birth:     Tuesday 18th";
    QTest::newRow("cv: set 1's education statement") << "cv" << "ItemBank" << 7 << "Education:     Like school";
    QTest::newRow("cv: set 0's key") << "cv" << "AnswerKey" << 0 << "0";
    QTest::newRow("cv: set 1's key") << "cv" << "AnswerKey" << 1 << "3";
    QTest::newRow("similarity: theme") << "similarity" << "ItemBank" << 0 << "ADJECTIVE";
    QTest::newRow("similarity: first unrelated word") << "similarity" << "ItemBank" << 5 << "them";
    QTest::newRow("similarity: set 1's theme") << "similarity" << "ItemBank" << 8 << "AUTHOR";
    QTest::newRow("key2: fragment 0") << "key2" << "ItemBank" << 0 << "I sat";
    QTest::newRow("key2: fragment 4") << "key2" << "KeyBankB" << 0 << "I passed.";
    QTest::newRow("key2: set 1's fragment 2") << "key2" << "WordBank" << 1 << "completely exhausted.";
    QTest::newRow("key2: set 1 has no fragment 3") << "key2" << "KeyBankA" << 1 << "";
    QTest::newRow("key2: set 0's second key") << "key2" << "AnswerKey" << 1 << "4";
    QTest::newRow("key2: set 1's first key") << "key2" << "AnswerKey" << 2 << "0";
}

void tst_SortContent::banksLandInTheirSlots()
{
    QFETCH(QString, activity);
    QFETCH(QString, bank);
    QFETCH(int, index);
    QFETCH(QString, value);
    const SortActivity &row = *sortActivity(activity);
    ContentProblems problems;
    const auto parsed = loadBank<SortBank>(AssetResolver({AssetResolver::embeddedRoot()}), activity, row.parse, problems);
    QVERIFY2(parsed, qPrintable(problems.isEmpty() ? QString() : problems.first().toString()));
    QCOMPARE(parsed->sets.size(), row.setCount);
    auto state = std::make_unique<SharedState>();
    storeSortBank(row, *parsed, *state);
    const QString stored = bank == QLatin1String("ItemBank") ? state->ItemBank[index]
        : bank == QLatin1String("WordBank")                  ? state->WordBank[index]
        : bank == QLatin1String("KeyBankA")                  ? state->KeyBankA[index]
        : bank == QLatin1String("KeyBankB")                  ? state->KeyBankB[index]
                                                             : state->AnswerKey[index].toString();
    QCOMPARE(stored, value);
}

void tst_SortContent::storeTouchesOnlyItsOwnSlots_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("owned"); // cells a store may write
    QTest::newRow("chronological: ItemBank 0 to 119") << "chronological" << 120;
    QTest::newRow("genre: ItemBank 0 to 353") << "genre" << 354;
    QTest::newRow("cv: ItemBank 0 to 127, AnswerKey 0 to 31") << "cv" << 128 + 32;
    QTest::newRow("similarity: ItemBank 0 to 239") << "similarity" << 240;
    QTest::newRow("key2: five banks 0 to 27, AnswerKey 0 to 55") << "key2" << 5 * 28 + 56;
}

void tst_SortContent::storeTouchesOnlyItsOwnSlots()
{
    QFETCH(QString, activity);
    QFETCH(int, owned);
    const SortActivity &row = *sortActivity(activity);
    ContentProblems problems;
    const auto parsed = row.parse(builtIn(activity), problems);
    QVERIFY(parsed);
    auto state = std::make_unique<SharedState>();
    const QString mark = QStringLiteral("\x01");
    for (int i = 0; i < state->ItemBank.size(); ++i)
        state->ItemBank[i] = mark;
    for (int i = 0; i < state->TextBank.size(); ++i)
        state->TextBank[i] = state->StyleBank[i] = mark;
    for (int i = 0; i < state->WordBank.size(); ++i)
        state->WordBank[i] = mark;
    for (int i = 0; i < state->KeyBankA.size(); ++i)
        state->KeyBankA[i] = state->KeyBankB[i] = mark;
    for (int i = 0; i < state->AnswerKey.size(); ++i)
        state->AnswerKey[i] = mark;
    storeSortBank(row, *parsed, *state);
    QCOMPARE(everyCell(*state).count(mark), everyCell(*state).size() - owned);
    QVERIFY(sortBankFits(row));
}

void tst_SortContent::key2SentencesHaveTheirFragmentCounts()
{
    ContentProblems problems;
    const auto parsed = parseKey2(builtIn(QStringLiteral("key2")), problems);
    QVERIFY(parsed);
    const QList<int> five = {0, 4, 5, 8, 11, 17, 20, 25};
    for (int s = 0; s < parsed->sets.size(); ++s) {
        const int expected = s == 1 || s == 12 ? 3 : five.contains(s) ? 5 : 4;
        QVERIFY2(parsed->sets[s].phrases.size() == expected, qPrintable(QString::number(s)));
    }
}

void tst_SortContent::phrasesFitTheirLabels_data()
{
    QTest::addColumn<QString>("activity");
    for (const SortActivity &activity : sortActivities())
        QTest::newRow(activity.id) << QString::fromLatin1(activity.id);
}

void tst_SortContent::phrasesFitTheirLabels()
{
    // A phrase that wraps onto more lines than its box holds is cut off on the board.
    QFETCH(QString, activity);
    const SortActivity &row = *sortActivity(activity);
    ContentProblems problems;
    const auto parsed = row.parse(builtIn(activity), problems);
    QVERIFY(parsed);
    const FontTextMeasurer measurer;
    constexpr float Border = 30; // a one-pixel border each side on the smallest screen
    const SortBox &box = row.phrases.front();
    for (const SortSet &set : parsed->sets) {
        for (const QString &phrase : set.phrases) {
            const QSizeF size = measurer.measure(row.phraseFont, phrase, box.width - Border);
            QVERIFY2(size.height() <= box.height - Border && size.width() <= box.width - Border, qPrintable(phrase));
        }
        if (row.heading == SortHeading::SlotCaptions) {
            for (int i = 0; i < set.heads.size(); ++i) {
                const SortText &heading = row.captions[i];
                QVERIFY2(measurer.measure(heading.font, set.heads[i], 0).width() <= heading.box.width, qPrintable(set.heads[i]));
            }
        }
    }
}

void tst_SortContent::brokenFilesAreRejected_data()
{
    // One record's field replaced by a JSON value; record -1 changes the file as a whole.
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("chronological: a set of three events") << "chronological" << 5 << "events" << QByteArray(R"(["a", "b", "c"])");
    QTest::newRow("chronological: the example set reworded") << "chronological" << 0 << "events"
        << QByteArray(R"(["I caught the 8 o'clock bus.", "My friends were already on it.", "After nine stops we got off.", "We dawdled into school."])");
    QTest::newRow("chronological: one event twice") << "chronological" << 4 << "events" << QByteArray(R"(["a", "b", "A", "c"])");
    QTest::newRow("chronological: a set missing") << "chronological" << -1 << "records" << QByteArray("29");
    QTest::newRow("chronological: another activity's file") << "chronological" << -1 << "activity" << QByteArray(R"("genre")");
    QTest::newRow("genre: a heading not in the list") << "genre" << 3 << "headings" << QByteArray(R"(["ANIMALS", "D.I.Y.", "POETRY"])");
    QTest::newRow("genre: a trailing space by accident") << "genre" << 4 << "headings" << QByteArray(R"(["NON-FICTION ", "SCI-FI", "ADVENTURE"])");
    QTest::newRow("genre: set 1 without its spaced heading") << "genre" << 1 << "headings" << QByteArray(R"(["D.I.Y.", "ENTERTAINMENT", "ADVENTURE"])");
    QTest::newRow("cv: key out of range") << "cv" << 2 << "unsuitable" << QByteArray("4");
    QTest::newRow("cv: set 1's key moved") << "cv" << 1 << "unsuitable" << QByteArray("2");
    QTest::newRow("cv: four spaces after a colon") << "cv" << 3 << "entries"
        << QByteArray(R"(["Date of Birth:    8th February 2004", "Spare time:     Play violin in a band.", "Interests:     Staying in bed.", "Education:     A-level Chemistry, grade B."])");
    QTest::newRow("cv: headings out of order") << "cv" << 3 << "entries"
        << QByteArray(R"(["Spare time:     Play violin in a band.", "Date of Birth:     8th February 2004", "Interests:     Staying in bed.", "Education:     A-level Chemistry, grade B."])");
    QTest::newRow("similarity: a theme in lower case") << "similarity" << 2 << "theme" << QByteArray(R"("verb")");
    QTest::newRow("similarity: a word both related and not") << "similarity" << 3 << "unrelated" << QByteArray(R"(["bravely", "beautiful", "castle"])");
    QTest::newRow("key2: one fragment as both keys") << "key2" << 2 << "key" << QByteArray("[0, 0]");
    QTest::newRow("key2: a key beyond the sentence") << "key2" << 1 << "key" << QByteArray("[0, 3]");
    QTest::newRow("key2: a sentence of two fragments") << "key2" << 6 << "fragments" << QByteArray(R"(["Spiders are not", "insects."])");
    QTest::newRow("key2: six fragments") << "key2" << 6 << "fragments" << QByteArray(R"(["a", "b", "c", "d", "e", "f"])");
}

void tst_SortContent::brokenFilesAreRejected()
{
    QFETCH(QString, activity);
    QFETCH(int, record);
    QFETCH(QString, field);
    QFETCH(QByteArray, value);
    const SortActivity &row = *sortActivity(activity);
    ContentDocument document = builtIn(activity);
    const QJsonValue replacement = QJsonDocument::fromJson("[" + value + "]").array().first();
    if (record >= 0) {
        QJsonObject changed = document.records[record].toObject();
        changed[field] = replacement;
        document.records[record] = changed;
    } else if (field == QLatin1String("records")) {
        while (document.records.size() > replacement.toInt())
            document.records.removeLast();
    } else {
        document.activity = replacement.toString();
    }
    // A built-in bank is held to both levels: what every bank needs, then its own rules.
    ContentProblems problems;
    row.parse(document, problems);
    checkBuiltInRules(activity, document, problems);
    QVERIFY(!problems.isEmpty());
    const ContentProblem &first = problems.first();
    QCOMPARE(first.record, record);
    QCOMPARE(first.field.section(QLatin1Char('['), 0, 0), field); // "titles[2]" is a text of "titles"
}

void tst_SortContent::checkerKnowsEveryBank()
{
    const QList<ContentKind> kinds = sortContentKinds();
    QCOMPARE(kinds.size(), 5);
    for (const ContentKind &kind : kinds) {
        ContentProblems problems;
        const ContentDocument document = builtIn(kind.activity);
        kind.check(document, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(kind.activity));
        QVERIFY(kind.dump(document).startsWith(kind.activity + QStringLiteral(": ")));
    }
    ContentDocument broken = builtIn(QStringLiteral("key2"));
    while (broken.records.size() > 1) // a bank needs at least 2 sets
        broken.records.removeLast();
    QCOMPARE(kinds.last().dump(broken), QString());
}

QTEST_MAIN(tst_SortContent)
#include "tst_sortcontent.moc"
