#include "contentfile.h"
#include "typography.h"

#include <QDir>
#include <QtTest>

// The content checker's notes on how a bank is written, on small made-up banks, and none
// on any built-in bank.
class tst_Typography : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void notes_data();
    void notes();
    void builtInBanksHaveNone();
};

void tst_Typography::notes_data()
{
    QTest::addColumn<QByteArray>("bank");
    QTest::addColumn<QStringList>("expected"); // "record field: start of the reason"
    const auto bank = [](const char *activity, const char *records) {
        return QByteArray(R"({"activity": ")") + activity + R"(", "title": "T", "records": [)" + records + "]}";
    };
    QTest::newRow("clean") << bank("openings", R"({"prompt": "It’s late.", "wrong": ["Action"], "correct": "Myth"})") << QStringList{};
    QTest::newRow("two spaces and an end space") << bank("fact", R"({"text": "The  sun rises in the east. ", "answer": "fact"})")
                                                 << QStringList{"0 text: two spaces", "0 text: a space at the start"};
    QTest::newRow("a space inside an answer list") << bank("similes", R"({"prompt": "as cold as", "wrong": [" ice"], "correct": "snow"})")
                                                   << QStringList{"0 wrong[0]: a space at the start"};
    QTest::newRow("straight and curly double marks") << bank("openings", R"({"prompt": "\"Hello,” she said.", "wrong": ["Action"], "correct": "Dialogue"})")
                                                     << QStringList{"0 : straight and curly double"};
    QTest::newRow("straight apostrophe beside a curly one") << bank("fact", R"({"text": "It's the Thames’ source.", "answer": "fact"})")
                                                            << QStringList{"0 : straight and curly single"};
    QTest::newRow("curly apostrophe with straight speech marks is the house style")
        << bank("openings", R"({"prompt": "\"I can’t!\" cried Sam.", "wrong": ["Action"], "correct": "Dialogue"})") << QStringList{};
    QTest::newRow("a label spelt two ways") << bank("style", R"({"style": "Humour"}, {"style": "Humorous"}, {"style": "humour"})")
                                            << QStringList{"1 style: \"Humorous\" is spelt", "2 style: \"humour\" is spelt"};
    QTest::newRow("the designed spellings") << bank("writer", R"({"prompt": "x", "wrong": ["Poet ", "Critic "], "correct": "Poet"})") << QStringList{};
    QTest::newRow("a sentence ends with its one space") << bank("person", R"({"sentence": "I saw you. ", "key": "101"}, {"sentence": "I saw you.  ", "key": "101"})")
                                                        << QStringList{"1 sentence: a space at the start"};
    QTest::newRow("five spaces after a CV heading") << bank("cv", R"({"entries": ["Interests:     Chess.", "Spare time:  Reading."], "unsuitable": 0})")
                                                    << QStringList{"0 entries[1]: two spaces"};
}

void tst_Typography::notes()
{
    QFETCH(QByteArray, bank);
    QFETCH(QStringList, expected);
    ContentProblems problems;
    const auto document = ContentDocument::parse(bank, QStringLiteral("bank.json"), problems);
    QVERIFY(document && problems.isEmpty());
    QStringList found;
    for (const ContentProblem &p : checkTypography(*document))
        found << QStringLiteral("%1 %2: %3").arg(p.record).arg(p.field, p.reason);
    QCOMPARE(found.size(), expected.size());
    for (int i = 0; i < found.size(); ++i)
        QVERIFY2(found[i].startsWith(expected[i]), qPrintable(found[i]));
}

void tst_Typography::builtInBanksHaveNone()
{
    const QDir dir(QStringLiteral(":/assets/content"));
    const QStringList files = dir.entryList({QStringLiteral("*.json")});
    QCOMPARE(files.size(), 30);
    QStringList found;
    for (const QString &file : files) {
        ContentProblems problems;
        const auto document = ContentDocument::read(dir.filePath(file), problems);
        QVERIFY2(document, qPrintable(file));
        for (const ContentProblem &p : checkTypography(*document))
            found << p.toString();
    }
    QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
}

QTEST_MAIN(tst_Typography)
#include "tst_typography.moc"
