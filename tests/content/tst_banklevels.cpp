// The two levels of bank checks: what every bank must pass (a teacher's is held to this
// alone, so it may have any number of records the engine holds and none of ours), and the
// built-in banks' own rules on top.

#include "choiceactivities.h"
#include "choicescreen.h"
#include "contentkinds.h"
#include "fonts.h"
#include "slotactivities.h"
#include "slotbank.h"
#include "slotengine.h"
#include "sortactivities.h"
#include "sortengine.h"
#include "testsupport.h"
#include "textfit.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QJsonObject builtInBank(const QString &activity)
{
    QFile file(QStringLiteral(":/assets/content/%1.json").arg(activity));
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

// A teacher's bank of `count` records, none of them one of the built-in examples (those
// stand in the first records): the built-in records from record 7 on, over and over.
QJsonObject teacherBank(const QString &activity, int count)
{
    QJsonObject bank = builtInBank(activity);
    const QJsonArray ours = bank.value(QLatin1String("records")).toArray();
    QJsonArray records;
    for (int i = 0; i < count; ++i)
        records.append(ours.at(7 + i % (ours.size() - 7)));
    bank[QStringLiteral("records")] = records;
    return bank;
}

ContentDocument documentOf(const QJsonObject &bank)
{
    ContentProblems problems;
    auto document = ContentDocument::parse(QJsonDocument(bank).toJson(), bank.value(QLatin1String("activity")).toString() + QStringLiteral(".json"), problems);
    return document ? *document : ContentDocument();
}

const ContentKind &kindOf(const QList<ContentKind> &kinds, const QString &activity)
{
    return *std::find_if(kinds.begin(), kinds.end(), [&](const ContentKind &k) { return k.activity == activity; });
}

QString describe(const ContentProblems &problems)
{
    QStringList lines;
    for (const ContentProblem &problem : problems)
        lines << problem.toString();
    return lines.join(u'\n');
}

QString text(const QJsonObject &bank, int record, const char *field, int element = -1)
{
    const QJsonValue value = bank[QLatin1String("records")].toArray().at(record)[QLatin1String(field)];
    return element < 0 ? value.toString() : value.toArray().at(element).toString();
}

} // namespace

class tst_BankLevels : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void everyBuiltInBankPassesBothLevels();
    void teacherBankPlays_data();
    void teacherBankPlays();
    void firstLevelProblemIsNamed_data();
    void firstLevelProblemIsNamed();
    void everyBuiltInRecordIsSetReadably_data();
    void everyBuiltInRecordIsSetReadably();

private:
    QList<ContentKind> m_kinds;
};

void tst_BankLevels::initTestCase()
{
    registerEmbeddedFonts(); // text is measured in the faces the screens use
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    m_kinds = allContentKinds();
}

void tst_BankLevels::everyBuiltInBankPassesBothLevels()
{
    QCOMPARE(m_kinds.size(), 30);
    for (const ContentKind &kind : std::as_const(m_kinds)) {
        const ContentDocument document = documentOf(builtInBank(kind.activity));
        ContentProblems problems;
        kind.check(document, problems);
        kind.builtInCheck(document, problems);
        QVERIFY2(problems.isEmpty(), qPrintable(describe(problems)));
        // The one machine-readable form: every record, as the screens will see it.
        const QJsonObject dumped = kind.dumpJson(document);
        QCOMPARE(dumped.value(QLatin1String("activity")).toString(), kind.activity);
        QCOMPARE(dumped.value(QLatin1String("records")).toArray().size(), document.records.size());
    }
}

void tst_BankLevels::teacherBankPlays_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("count");
    QTest::newRow("choice, 12 records") << "openings" << 12;
    QTest::newRow("choice, 60 records") << "openings" << 60;
    QTest::newRow("sort, 12 sets") << "chronological" << 12;
    QTest::newRow("sort, 60 sets") << "chronological" << 60;
    QTest::newRow("slot, 12 sentences") << "person" << 12;
}

void tst_BankLevels::teacherBankPlays()
{
    QFETCH(QString, activity);
    QFETCH(int, count);
    const QJsonObject bank = teacherBank(activity, count);
    const ContentKind &kind = kindOf(m_kinds, activity);

    // The first level passes it; the built-in bank's own rules do not (no examples, and
    // another record count).
    ContentProblems problems;
    kind.check(documentOf(bank), problems);
    QVERIFY2(problems.isEmpty(), qPrintable(describe(problems)));
    kind.builtInCheck(documentOf(bank), problems);
    QVERIFY(!problems.isEmpty());

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("content")));
    QFile file(dir.filePath(QStringLiteral("content/%1.json").arg(activity)));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(bank).toJson());
    file.close();
    TestApp app({dir.path(), AssetResolver::embeddedRoot()});
    app.state.LastItem = -1; // nothing shown yet, so the first draw stands
    const int last = count - 1; // the draw reaches the teacher's last record

    if (auto *row = choiceActivity(activity)) {
        registerChoiceActivities(app.context);
        auto *form = app.forms.get<ChoiceScreen>(activity);
        const auto deal = [&](int record) {
            app.random.queueIndex(record, count);
            for (int i = 0; i < 40; ++i)
                app.random.queueIndex(0, row->rules.optionCount);
        };
        deal(0);
        form->timer(QStringLiteral("Timer1"))->fire();
        QCOMPARE(form->recordCount(), count);
        for (int record : {0, last}) {
            QCOMPARE(form->ctl(QStringLiteral("Label4")).caption(), text(bank, record, "prompt"));
            int right = 0;
            while (!form->isCorrect(right))
                ++right;
            form->ctl(QStringLiteral("Label5"), right).onClick(right);
            QCOMPARE(form->ctl(QStringLiteral("Label6")).caption(), QStringLiteral("Correct"));
            deal(last);
            form->ctl(QStringLiteral("cmdgo")).onClick(-1);
        }
    } else if (const SortActivity *row = sortActivity(activity)) {
        registerSortActivities(app.context);
        auto *form = app.forms.get<SortScreen>(activity);
        app.random.queueIndex(last, count);
        for (int k = 0; k < 10 * row->phraseCount; ++k)
            app.random.queueIndex(k % row->phraseCount, row->phraseCount); // the shuffle changes nothing
        form->timer(QStringLiteral("Timer1"))->fire();
        QCOMPARE(form->setCount(), count);
        for (int i = 0; i < row->phraseCount; ++i) {
            QCOMPARE(form->ctl(QStringLiteral("Label2"), i).caption(), text(bank, last, "events", i));
            const Control &slot = form->ctl(QStringLiteral("Label1"), i);
            form->dropPhraseAt(i, slot.left, slot.top);
        }
        form->cmdcheckit_Click();
        QCOMPARE(form->ctl(QStringLiteral("Label6")).caption(), QStringLiteral("Correct, Well Done!"));
    } else {
        registerSlotActivities(app.context);
        auto *form = app.forms.get<SlotScreen>(activity);
        form->timer(QStringLiteral("Timer1"))->fire();
        QVERIFY(form->hasBank());
        for (int record : {0, 1}) {
            const QString key = text(bank, record, "key");
            const int word = int(std::find_if(key.begin(), key.end(), [](QChar c) { return c != u'0'; }) - key.begin());
            QCOMPARE(form->ctl(QStringLiteral("Label7"), word).caption(), sentenceWords(text(bank, record, "sentence")).at(word));
            QCOMPARE(form->placeWord(word, key.at(word).digitValue() - 1), key.at(word).digitValue() - 1);
            QCOMPARE(form->ctl(QStringLiteral("Label1")).caption(), QStringLiteral("Correct"));
            form->cmdgo_Click();
        }
    }
}

void tst_BankLevels::firstLevelProblemIsNamed_data()
{
    // One record's field set to a JSON value (record -1: the bank cut to that many records,
    // or lengthened by copies of its last); the first level must name record and field and
    // say why in a teacher's words.
    QTest::addColumn<QString>("activity");
    QTest::addColumn<int>("record");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("problemField");
    QTest::addColumn<QString>("reason");
    const QByteArray longText = '"' + QByteArray("many words ").repeated(300) + '"';
    QTest::newRow("too few records") << "openings" << -1 << "" << QByteArray("1") << "records" << "There must be at least 2 records";
    QTest::newRow("more records than the banks hold") << "openings" << -1 << "" << QByteArray("81") << "records" << "There can be at most 80 records, not 81";
    QTest::newRow("a wrong option equal to the answer") << "openings" << 9 << "wrong" << QByteArray(R"(["Myth", "Sci-Fi", "Fable"])") << "wrong[1]" << "This option is the same as the right answer";
    QTest::newRow("two wrong options alike") << "openings" << 9 << "wrong" << QByteArray(R"(["Myth", "Fable", "Myth "])") << "wrong[2]" << "This option looks the same on screen as the option \"Myth\"";
    QTest::newRow("a prompt too long") << "openings" << 9 << "prompt" << longText << "prompt" << "This prompt is too long for the screen by";
    QTest::newRow("an option too long") << "theatre" << 9 << "correct" << longText << "correct" << "This answer is too long for the screen by";
    QTest::newRow("a field missing") << "blurb" << 9 << "correct" << QByteArray("null") << "correct" << "is missing";
    QTest::newRow("a sentence without its gap") << "terms" << 9 << "prompt" << QByteArray(R"("A poem in verse.")") << "prompt" << "This sentence must hold one gap";
    QTest::newRow("a key naming no box") << "questionaire" << 9 << "answer" << QByteArray(R"("maybe")") << "answer" << "must be one of";
    QTest::newRow("an event too long") << "chronological" << 9 << "events" << QByteArray(R"(["a", "b", "c", )") + longText + ']' << "events[3]" << "This event is too long for the screen by";
    QTest::newRow("a title twice") << "genre" << 9 << "titles" << QByteArray(R"(["Ponies", "Kites", "ponies"])") << "titles[2]" << "This title is the same as \"Ponies\" in this record";
    QTest::newRow("a heading too long") << "genre" << 9 << "headings" << QByteArray(R"(["SPORT", "A HEADING FAR TOO LONG FOR ITS PLACE ABOVE ONE SLOT, EVEN SET AS SMALL AS THE SCREEN ALLOWS, ON TWO LINES", "DRAMA"])") << "headings[1]" << "This heading is too long for the screen by";
    QTest::newRow("a word both related and odd") << "similarity" << 0 << "unrelated" << QByteArray(R"(["them", "my", "OLD"])") << "unrelated[2]" << "This word is the same as \"old\" in this record";
    QTest::newRow("a key beyond the sentence") << "key2" << 9 << "key" << QByteArray("[0, 4]") << "key[1]" << "must be a whole number from 0 to 3";
    QTest::newRow("both keys one fragment") << "key2" << 9 << "key" << QByteArray("[1, 1]") << "key[1]" << "The keys must name different texts";
    QTest::newRow("a key out of range") << "cv" << 9 << "unsuitable" << QByteArray("4") << "unsuitable" << "must be a whole number from 0 to 3";
    QTest::newRow("a sentence of twelve words") << "person" << 9 << "sentence" << QByteArray(R"("I and you and we and they and he and she too. ")") << "sentence" << "This sentence is too long for the screen by 1 word";
    QTest::newRow("a sentence twice") << "person" << 9 << "sentence" << QByteArray("null") << "sentence" << "This sentence is the same as record 9";
    // Text the screen could only show below the size a class can read: every answer of a
    // record is set as small as its longest needs, so the long one is named.
    const QByteArray nineteenWords = R"("the brave knight rode slowly over the misty hills towards the tall dark castle where the old king lay")";
    QTest::newRow("a 19-word answer") << "openings" << 9 << "correct" << nineteenWords << "correct" << "This answer is too long for the screen by";
    QTest::newRow("a 60-word prompt") << "similes" << 9 << "prompt" << '"' + QByteArray("the little grey kitten played ").repeated(12) + '"'
                                      << "prompt" << "This prompt is too long for the screen by";
    QTest::newRow("a long event") << "chronological" << 9 << "events" << QByteArray(R"(["a", "b", "c", )") + nineteenWords + ']'
                                  << "events[3]" << "This event is too long for the screen by";
    QTest::newRow("a persuasive part past the line") << "persuasive" << 9 << "segments" << QByteArray(R"(["You must", )") + nineteenWords + R"(, "now."])"
                                                     << "segments[1]" << "This part is too long for the screen by";
    // Empty texts and characters that show as boxes, named on their own element.
    QTest::newRow("an empty answer") << "openings" << 9 << "wrong" << QByteArray(R"(["Myth", "", "Fable"])") << "wrong[1]" << "This answer is empty";
    QTest::newRow("an empty title") << "genre" << 9 << "titles" << QByteArray(R"(["Ponies", " ", "Kites"])") << "titles[1]" << "This title is empty";
    QTest::newRow("a NUL in a prompt") << "openings" << 9 << "prompt" << QByteArray(R"("Once\u0000 upon a time")") << "prompt" << "This prompt holds an invisible control character (U+0000)";
    QTest::newRow("a bell in a sentence") << "person" << 9 << "sentence" << QByteArray(R"("We saw\u0007 them. ")") << "sentence" << "This sentence holds an invisible control character (U+0007)";
    QTest::newRow("a tab in an answer") << "openings" << 9 << "wrong" << QByteArray(R"(["Myth", "Fable\t", "Legend"])") << "wrong[1]" << "This answer holds a tab";
    QTest::newRow("a line break in an event") << "chronological" << 9 << "events" << QByteArray(R"(["a", "b\nc", "d", "e"])") << "events[1]" << "This event must be on one line";
    QTest::newRow("half a surrogate pair") << "genre" << 9 << "titles" << QByteArray(R"(["Ponies", "Kites\ud800", "Boats"])") << "titles[1]" << "This title holds a broken character";
    // One digit of a key, on that digit.
    QTest::newRow("a blank key digit") << "person" << 9 << "key" << QByteArray(R"("0 0000000")") << "key[1]" << "Choose a box for this word";
    QTest::newRow("a digit beyond the boxes") << "notemaking" << 9 << "key" << QByteArray(R"("0200000000")") << "key[1]" << "This digit must be 0 or 1";
}

void tst_BankLevels::firstLevelProblemIsNamed()
{
    QFETCH(QString, activity);
    QFETCH(int, record);
    QFETCH(QString, field);
    QFETCH(QByteArray, value);
    QFETCH(QString, problemField);
    QFETCH(QString, reason);
    QJsonObject bank = builtInBank(activity);
    QJsonArray records = bank.value(QLatin1String("records")).toArray();
    if (record < 0) {
        const int count = value.toInt();
        while (records.size() > count)
            records.removeLast();
        while (records.size() < count)
            records.append(records.last());
    } else if (value == "null" && field == QLatin1String("sentence")) {
        records[record] = records.at(record - 1); // the record before, word for word
    } else {
        QJsonObject changed = records.at(record).toObject();
        const QJsonValue replacement = QJsonDocument::fromJson("[" + value + "]").array().at(0);
        if (replacement.isNull())
            changed.remove(field);
        else
            changed[field] = replacement;
        records[record] = changed;
    }
    bank[QStringLiteral("records")] = records;

    ContentProblems problems;
    kindOf(m_kinds, activity).check(documentOf(bank), problems);
    const bool named = std::any_of(problems.begin(), problems.end(), [&](const ContentProblem &p) {
        return p.record == record && p.field == problemField && p.reason.startsWith(reason);
    });
    QVERIFY2(named, qPrintable(describe(problems)));
}

void tst_BankLevels::everyBuiltInRecordIsSetReadably_data()
{
    QTest::addColumn<QString>("activity");
    for (const ChoiceActivity &row : choiceActivities())
        QTest::newRow(qPrintable(row.id)) << row.id;
    for (const char *id : {"chronological", "genre", "cv", "similarity", "key2"})
        QTest::newRow(id) << QString::fromLatin1(id);
}

void tst_BankLevels::everyBuiltInRecordIsSetReadably()
{
    // What the check promises, on the real screens: every record of a bank that passes is
    // shown whole with no text below the size a class can read (nor below its design).
    QFETCH(QString, activity);
    TestApp app;
    QStringList small;
    const auto look = [&](const Control &label, const FontSpec &designed, int record) {
        if (label.visible && !label.caption().isEmpty() && label.shownFont().pointSize < readableSize(designed))
            small << QStringLiteral("record %1, %2(%3) at %4 pt: %5").arg(record + 1).arg(label.name()).arg(label.index())
                         .arg(label.shownFont().pointSize).arg(label.caption());
    };
    if (const ChoiceActivity *row = choiceActivity(activity)) {
        registerChoiceActivities(app.context);
        auto *form = app.forms.get<ChoiceScreen>(activity);
        for (int r = 0; r < row->itemCount; ++r) {
            app.state.LastItem = -1;
            app.random.queueIndex(r, row->itemCount);
            for (int k = 0; row->rules.options && k < row->rules.shufflePasses * row->rules.optionCount; ++k)
                app.random.queueIndex(k % row->rules.optionCount, row->rules.optionCount);
            if (form->hasBank())
                form->cmdgo_Click();
            else
                form->timer(QStringLiteral("Timer1"))->fire();
            QCOMPARE(app.state.LastItem, r);
            for (int i = 0; i < row->rules.optionCount; ++i) {
                if (form->isCorrect(i))
                    form->Label5_Click(i); // shows what an answer reveals
            }
            for (const LabelSpec &design : row->labels)
                look(form->ctl(design.name, design.index), design.font, r);
        }
    } else {
        const SortActivity *sort = sortActivity(activity);
        registerSortActivities(app.context);
        auto *form = app.forms.get<SortScreen>(activity);
        for (int s = 0; s < sort->setCount; ++s) {
            app.state.LastItem = -1;
            app.random.queueIndex(s, sort->setCount);
            for (int k = 0; sort->shuffled && k < 10 * sort->phraseCount; ++k)
                app.random.queueIndex(k % sort->phraseCount, sort->phraseCount);
            if (form->setCount() > 0)
                form->cmdgo_Click();
            else
                form->timer(QStringLiteral("Timer1"))->fire();
            QCOMPARE(app.state.LastItem, s);
            for (int i = 0; i < sort->phraseCount; ++i)
                look(form->ctl(QStringLiteral("Label2"), i), sort->phraseFont, s);
            for (int i = 0; i < int(sort->captions.size()); ++i)
                look(form->ctl(QStringLiteral("Label5"), sort->captionArray ? i : -1), sort->captions[std::size_t(i)].font, s);
            if (sort->theme)
                look(form->ctl(QStringLiteral("Label8")), sort->theme->font, s);
        }
    }
    QVERIFY2(small.isEmpty(), qPrintable(small.join(u'\n')));
}

QTEST_MAIN(tst_BankLevels)
#include "tst_banklevels.moc"
