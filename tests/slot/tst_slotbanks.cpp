#include "builtinrules.h"
#include "sharedstate.h"
#include "slotactivities.h"
#include "slotbank.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

ContentDocument builtIn(const QString &id)
{
    ContentProblems problems;
    const auto document = ContentDocument::read(QStringLiteral(":/assets/content/%1.json").arg(id), problems);
    if (!document)
        qFatal("built-in bank %s cannot be read", qPrintable(id));
    return *document;
}

bool hasProblem(const ContentProblems &problems, int record, const QString &field)
{
    return std::any_of(problems.begin(), problems.end(), [&](const ContentProblem &p) {
        return p.record == record && p.field == field;
    });
}

} // namespace

class tst_SlotBanks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyBankValidates_data();
    void everyBankValidates();
    void faultyFilesAreRefused_data();
    void faultyFilesAreRefused();
    void storingWritesOnlyTheSentenceSlots();
    void keyDigitReadsZeroForAnythingButADigit_data();
    void keyDigitReadsZeroForAnythingButADigit();
};

void tst_SlotBanks::everyBankValidates_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("elevenWordRecord");
    QTest::newRow("person") << QStringLiteral("person") << 21;
    QTest::newRow("notemaking") << QStringLiteral("notemaking") << 1;
}

void tst_SlotBanks::everyBankValidates()
{
    QFETCH(QString, id);
    QFETCH(int, elevenWordRecord);
    const SlotActivity *activity = findSlotActivity(id);
    QVERIFY(activity);
    ContentProblems problems;
    const auto bank = activity->parse(builtIn(id), problems);
    for (const ContentProblem &p : problems)
        qWarning("%s", qPrintable(p.toString()));
    QVERIFY(bank);
    QCOMPARE(int(bank->records.size()), activity->recordCount);
    QCOMPARE(int(sentenceWords(bank->records[elevenWordRecord].sentence).size()), Slot::MaxWords);
    // The content checker knows the activity and prints what each box expects.
    const QList<ContentKind> kinds = slotContentKinds();
    const auto kind = std::find_if(kinds.begin(), kinds.end(), [&](const ContentKind &k) { return k.activity == id; });
    QVERIFY(kind != kinds.end());
    QVERIFY(kind->dump(builtIn(id)).contains(QString::fromUtf8(activity->headings[0].caption) + QStringLiteral(": ")));
}

void tst_SlotBanks::faultyFilesAreRefused_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value"); // what the field is set to; "<drop>" removes the record
    QTest::addColumn<QString>("reportedField");

    const QString sentence = QStringLiteral("sentence");
    const QString key = QStringLiteral("key");
    QTest::newRow("a record short") << "person" << 34 << QString() << "<drop>" << "records";
    QTest::newRow("wrong activity named") << "person" << -1 << "activity" << "notemaking" << "activity";
    QTest::newRow("example sentence reworded") << "person" << 1 << sentence << "Can we go to their school with him? " << sentence;
    QTest::newRow("example key changed") << "notemaking" << 2 << key << "01100000" << key;
    QTest::newRow("key shorter than its sentence") << "person" << 5 << key << "30130010" << "key[8]";
    QTest::newRow("key longer than its sentence") << "person" << 5 << key << "3013001010" << "key[9]";
    QTest::newRow("digit outside person's four") << "person" << 5 << key << "301300104" << "key[8]";
    QTest::newRow("box 2 digit in notemaking") << "notemaking" << 4 << key << "012001" << "key[2]";
    QTest::newRow("letter in a key") << "person" << 5 << key << "30130010x" << "key[8]";
    QTest::newRow("a blank digit") << "person" << 5 << key << "301 00100" << "key[3]";
    QTest::newRow("no trailing space") << "person" << 7 << sentence << "The tent by the river is ours, not yours." << sentence;
    QTest::newRow("two spaces between words") << "person" << 8 << sentence << "You should tell  them how you feel. " << sentence;
    QTest::newRow("tab between words") << "person" << 8 << sentence << "You should tell\tthem how you feel. " << sentence;
    QTest::newRow("twelve words") << "person" << 21 << sentence << "You and I will help them carry all their heavy bags home. " << sentence;
    QTest::newRow("sentence repeated") << "person" << 10 << sentence << "We waved to them as they walked past our house. " << sentence;
    QTest::newRow("person sentence with no box word") << "person" << 3 << key << "000000000" << key;
    QTest::newRow("notemaking with one word to the pad") << "notemaking" << 4 << key << "010000" << key;
    QTest::newRow("notemaking with four words to the pad") << "notemaking" << 4 << key << "111100" << key;
    QTest::newRow("empty key") << "person" << 5 << key << "" << "key[0]";
}

void tst_SlotBanks::faultyFilesAreRefused()
{
    QFETCH(QString, id);
    QFETCH(int, record);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, reportedField);
    ContentDocument document = builtIn(id);
    if (value == QLatin1String("<drop>")) {
        document.records.removeAt(record);
        record = -1;
    } else if (record < 0) {
        document.activity = value;
    } else {
        QJsonObject changed = document.records.at(record).toObject();
        changed.insert(field, value);
        document.records.replace(record, changed);
    }
    // A built-in bank is held to both levels: what every bank needs, then its own rules.
    ContentProblems problems;
    findSlotActivity(id)->parse(document, problems);
    checkBuiltInRules(id, document, problems);
    QVERIFY2(hasProblem(problems, record, reportedField),
             qPrintable(problems.isEmpty() ? QStringLiteral("no problem found") : problems.first().toString()));
}

void tst_SlotBanks::storingWritesOnlyTheSentenceSlots()
{
    ContentProblems problems;
    const auto bank = findSlotActivity(QStringLiteral("person"))->parse(builtIn(QStringLiteral("person")), problems);
    QVERIFY(bank);
    SharedState state;
    state.ItemBank[35] = state.TextBank[35] = state.WordBank[35] = QStringLiteral("left alone");
    state.StyleBank[0] = state.KeyBankA[0] = QStringLiteral("left alone");
    storeSlotBank(*bank, state);
    QCOMPARE(state.ItemBank[0], QStringLiteral("This is my book; you know it belongs to me. "));
    QCOMPARE(state.TextBank[0], state.ItemBank[0]);
    QCOMPARE(state.WordBank[0], QStringLiteral("0010203001"));
    QCOMPARE(state.TextBank[34], bank->records[34].sentence);
    QCOMPARE(state.WordBank[34], bank->records[34].key);
    for (const QString &untouched : {state.ItemBank[35], state.TextBank[35], state.WordBank[35], state.StyleBank[0], state.KeyBankA[0]})
        QCOMPARE(untouched, QStringLiteral("left alone"));
}

void tst_SlotBanks::keyDigitReadsZeroForAnythingButADigit_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("digit");
    QTest::newRow("digit 3") << "0123" << 3 << 3;
    QTest::newRow("first word") << "2000" << 0 << 2;
    QTest::newRow("missing digit") << "01" << 5 << 0;
    QTest::newRow("letter") << "0x1" << 1 << 0;
    QTest::newRow("space") << "0 1" << 1 << 0;
    QTest::newRow("minus sign") << "0-1" << 1 << 0;
    QTest::newRow("digit of another script") << QString::fromUtf8("0\u0663") << 1 << 0;
    QTest::newRow("empty key") << "" << 0 << 0;
}

void tst_SlotBanks::keyDigitReadsZeroForAnythingButADigit()
{
    QFETCH(QString, key);
    QFETCH(int, word);
    QFETCH(int, digit);
    QCOMPARE(keyDigit(key, word), digit);
}

QTEST_GUILESS_MAIN(tst_SlotBanks)
#include "tst_slotbanks.moc"
