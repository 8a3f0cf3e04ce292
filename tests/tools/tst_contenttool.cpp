#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Runs the quorvale-content program as a teacher would.

namespace {

struct Run
{
    int status = -1;
    QString output;
};

Run tool(const QStringList &arguments, const QString &workingFolder = QString())
{
    QProcess process;
    // A user's folder of its own, so no teacher's bank on this computer is read.
    static const QTemporaryDir userData;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), userData.path());
    process.setProcessEnvironment(environment);
    process.setProgram(QStringLiteral(QUORVALE_CONTENT_TOOL));
    process.setArguments(arguments);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

QByteArray builtIn(const QString &activity)
{
    QFile file(QStringLiteral(":/assets/content/%1.json").arg(activity));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_ContentTool : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void exportCopiesTheBuiltInBankExactly_data();
    void exportCopiesTheBuiltInBankExactly();
    void exportNeverOverwrites();
    void exportRefusesAnUnknownActivity();
    void activityIsNamedByIdOrCaption_data();
    void activityIsNamedByIdOrCaption();
    void dumpSaysWhichCopyItRead();
    void checkFolderListsEveryProblem();
    void checkEmptyFolderFails();
    void builtInRulesHoldOnlyWhenAsked();
    void dumpPrintsEveryBankAsJson();
};

void tst_ContentTool::exportCopiesTheBuiltInBankExactly_data()
{
    QTest::addColumn<QString>("activity");
    // Curly quotes and trailing spaces must survive the copy.
    QTest::newRow("the new activity") << "locating";
    QTest::newRow("a bank with trailing spaces") << "writer";
    QTest::newRow("a drag activity") << "person";
}

void tst_ContentTool::exportCopiesTheBuiltInBankExactly()
{
    QFETCH(QString, activity);
    QTemporaryDir dir;
    const Run run = tool({QStringLiteral("export"), activity}, dir.path());
    QCOMPARE(run.status, 0);
    const QString path = dir.filePath(activity + QStringLiteral(".json"));
    QVERIFY2(run.output.contains(QFileInfo(path).absoluteFilePath()), qPrintable(run.output));
    QCOMPARE(readFile(path), builtIn(activity));
    // A teacher edits the copy, so it must not be read-only as the embedded one is (asked
    // of the permissions, since a test run as root may write anything).
    QVERIFY(QFileInfo(path).permissions() & QFile::WriteOwner);
    // What was exported checks clean, as the folder the teacher drops it in.
    const Run check = tool({QStringLiteral("check"), dir.path()});
    QCOMPARE(check.status, 0);
    QVERIFY2(check.output.contains(QStringLiteral(": ok")), qPrintable(check.output));
}

void tst_ContentTool::exportNeverOverwrites()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("locating.json"));
    QVERIFY(writeFile(path, "my own questions"));
    const Run run = tool({QStringLiteral("export"), QStringLiteral("locating"), dir.path()});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.output.contains(QStringLiteral("already exists")), qPrintable(run.output));
    QCOMPARE(readFile(path), QByteArray("my own questions"));
}

void tst_ContentTool::exportRefusesAnUnknownActivity()
{
    QTemporaryDir dir;
    const Run run = tool({QStringLiteral("export"), QStringLiteral("locate"), dir.path()});
    QCOMPARE(run.status, 1);
    // The list of names, each id with its menu caption.
    QVERIFY2(run.output.contains(QStringLiteral("locating       (Locating Information)")), qPrintable(run.output));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

void tst_ContentTool::activityIsNamedByIdOrCaption_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("activity");
    QTest::newRow("its id") << "openings" << "openings";
    QTest::newRow("its menu caption, in any letter case") << "story OPENINGS" << "openings";
    QTest::newRow("a caption with a question mark") << "Fact or Opinion?" << "fact";
    QTest::newRow("an id in capitals") << "KEY2" << "key2";
}

void tst_ContentTool::activityIsNamedByIdOrCaption()
{
    QFETCH(QString, name);
    QFETCH(QString, activity);
    QTemporaryDir dir;
    const Run run = tool({QStringLiteral("export"), name, dir.path()});
    QCOMPARE(run.status, 0);
    QCOMPARE(readFile(dir.filePath(activity + QStringLiteral(".json"))), builtIn(activity));
    const Run dumped = tool({QStringLiteral("dump"), QStringLiteral("--human"), name});
    QCOMPARE(dumped.status, 0);
    QVERIFY2(dumped.output.contains(activity + QStringLiteral(": read from the built-in bank")), qPrintable(dumped.output));
}

void tst_ContentTool::dumpSaysWhichCopyItRead()
{
    // A teacher's twelve records in the content folder the program reads from the working
    // folder: dump prints those, and says so, as the program would use them.
    QTemporaryDir dir;
    QJsonObject bank = QJsonDocument::fromJson(builtIn(QStringLiteral("openings"))).object();
    QJsonArray records = bank.value(QLatin1String("records")).toArray();
    while (records.size() > 12)
        records.removeLast();
    bank[QLatin1String("records")] = records;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("content")));
    const QString path = dir.filePath(QStringLiteral("content/openings.json"));
    QVERIFY(writeFile(path, QJsonDocument(bank).toJson()));

    const Run run = tool({QStringLiteral("dump"), QStringLiteral("Story Openings")}, dir.path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.output.contains(QStringLiteral("openings: read from your file ") + QFileInfo(path).canonicalFilePath()), qPrintable(run.output));
    const QJsonObject dumped = QJsonDocument::fromJson(run.output.mid(run.output.indexOf(QLatin1Char('{'))).toUtf8()).object();
    QCOMPARE(dumped.value(QLatin1String("records")).toArray().size(), 12);

    // Broken, it is passed over, with its reason, for the built-in bank.
    records[3] = QJsonObject{{QStringLiteral("prompt"), QStringLiteral("Once")}};
    bank[QLatin1String("records")] = records;
    QVERIFY(writeFile(path, QJsonDocument(bank).toJson()));
    const Run broken = tool({QStringLiteral("dump"), QStringLiteral("--human"), QStringLiteral("openings")}, dir.path());
    QCOMPARE(broken.status, 0);
    QVERIFY2(broken.output.contains(QStringLiteral("is not used: record 4, field \"wrong\": is missing")), qPrintable(broken.output));
    QVERIFY2(broken.output.contains(QStringLiteral("openings: read from the built-in bank")), qPrintable(broken.output));
}

void tst_ContentTool::checkFolderListsEveryProblem()
{
    // Two faults in one file, one good file and one file the program would never read:
    // the check lists them all, each with its file, and fails.
    QTemporaryDir dir;
    QJsonObject bank = QJsonDocument::fromJson(builtIn(QStringLiteral("locating"))).object();
    QJsonArray records = bank.value(QLatin1String("records")).toArray();
    QJsonObject record = records.at(3).toObject();
    record[QLatin1String("correct")] = QString();
    records[3] = record;
    record = records.at(20).toObject();
    record.remove(QLatin1String("wrong"));
    records[20] = record;
    bank[QLatin1String("records")] = records;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("locating.json")), QJsonDocument(bank).toJson()));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("theatre.json")), builtIn(QStringLiteral("theatre"))));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("theatre.json.txt")), builtIn(QStringLiteral("theatre"))));

    const Run run = tool({QStringLiteral("check"), dir.path()});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.output.contains(QStringLiteral("locating.json, record 4, field \"correct\": This answer is empty")), qPrintable(run.output));
    QVERIFY2(run.output.contains(QStringLiteral("locating.json, record 21, field \"wrong\": is missing")), qPrintable(run.output));
    QVERIFY2(run.output.contains(QStringLiteral("theatre.json: ok")), qPrintable(run.output));
    QVERIFY2(run.output.contains(QStringLiteral("theatre.json.txt: ends in .txt instead of .json")), qPrintable(run.output));
}

void tst_ContentTool::checkEmptyFolderFails()
{
    // Pointing the check at the wrong folder must not look like success.
    QTemporaryDir dir;
    const Run run = tool({QStringLiteral("check"), dir.path()});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.output.contains(QStringLiteral("holds no item banks")), qPrintable(run.output));
}

void tst_ContentTool::builtInRulesHoldOnlyWhenAsked()
{
    // A teacher's twelve records, none of them our examples: every bank's checks pass it,
    // the built-in bank's own rules do not; the built-in banks pass both.
    QTemporaryDir dir;
    QJsonObject bank = QJsonDocument::fromJson(builtIn(QStringLiteral("openings"))).object();
    QJsonArray records = bank.value(QLatin1String("records")).toArray();
    while (records.size() > 12)
        records.removeFirst();
    bank[QLatin1String("records")] = records;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("openings.json")), QJsonDocument(bank).toJson()));

    QCOMPARE(tool({QStringLiteral("check"), dir.path()}).status, 0);
    const Run strict = tool({QStringLiteral("check"), QStringLiteral("--built-in"), dir.path()});
    QCOMPARE(strict.status, 1);
    QVERIFY2(strict.output.contains(QStringLiteral("openings.json, field \"records\": The built-in bank must hold 30 records, not 12")),
             qPrintable(strict.output));
    QVERIFY2(strict.output.contains(QStringLiteral("openings.json, record 1, field \"prompt\": This example must read exactly")),
             qPrintable(strict.output));
    QCOMPARE(tool({QStringLiteral("check"), QStringLiteral("--built-in")}).status, 0);
}

void tst_ContentTool::dumpPrintsEveryBankAsJson()
{
    const Run all = tool({QStringLiteral("dump")});
    QCOMPARE(all.status, 0);
    // The JSON from its opening bracket (a platform notice may come first on the merged output).
    const QJsonArray banks = QJsonDocument::fromJson(all.output.mid(all.output.indexOf(QLatin1Char('['))).toUtf8()).array();
    QCOMPARE(banks.size(), 30);
    for (const QJsonValue &dumped : banks) {
        const QString activity = dumped[QLatin1String("activity")].toString();
        const int records = QJsonDocument::fromJson(builtIn(activity)).object().value(QLatin1String("records")).toArray().size();
        QCOMPARE(dumped[QLatin1String("records")].toArray().size(), records);
    }
    const Run human = tool({QStringLiteral("dump"), QStringLiteral("--human"), QStringLiteral("genre")});
    QCOMPARE(human.status, 0);
    QVERIFY2(human.output.contains(QStringLiteral("genre: 59 sets")), qPrintable(human.output));
}

QTEST_GUILESS_MAIN(tst_ContentTool)
#include "tst_contenttool.moc"
