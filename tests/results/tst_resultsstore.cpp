// The class results through a real SQLite file: what a visit keeps, the CSV, summaries,
// and every fault the file or the disk can have.

#include "resultsstore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>

namespace {

// Plays one visit: items separated by spaces, each a string of its first answers (R right,
// W wrong; "-" for none). The last item is left on screen, as Exit leaves it.
void play(ResultsStore &store, const QString &activity, const QString &script, const QString &title = {})
{
    store.visitStarted(activity, title.isEmpty() ? activity : title);
    int record = 0;
    for (const QString &item : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        store.itemShown(record++);
        for (QChar answer : item) {
            if (answer != QLatin1Char('-'))
                store.answered(answer == QLatin1Char('R'));
        }
    }
}

// Reads one value straight from the file, through a connection of the test's own.
QVariant sql(const QString &path, const QString &statement)
{
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(statement) && query.next())
                value = query.value(0);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return value;
}

// The child the kill test starts: keeps two whole visits, then stops in the middle of a
// third (one item done, the next on screen) and waits to be killed.
int recordThenWait(const QString &path)
{
    ResultsStore store(path);
    play(store, QStringLiteral("similes"), QStringLiteral("R W"));
    store.visitEnded();
    play(store, QStringLiteral("openings"), QStringLiteral("RR"));
    store.visitEnded();
    play(store, QStringLiteral("cv"), QStringLiteral("R W"));
    std::puts("ready");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

} // namespace

class TestResultsStore : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("results-%1/results.sqlite").arg(++m_count));
    }

    void keepsVisits_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("exits"); // Exit pressed, or the program ends with it open
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("wrong");
        QTest::newRow("one right") << "R" << true << 1 << 1 << 0;
        QTest::newRow("one wrong") << "W" << true << 1 << 0 << 1;
        QTest::newRow("next after each") << "R W R W" << true << 4 << 2 << 2;
        QTest::newRow("drops per sentence") << "RRW WR" << true << 2 << 3 << 2;
        QTest::newRow("left unanswered") << "R -" << true << 2 << 1 << 0;
        QTest::newRow("program ends mid-visit") << "W R" << false << 2 << 1 << 1;
    }
    void keepsVisits()
    {
        QFETCH(QString, script);
        QFETCH(bool, exits);
        QFETCH(int, items);
        QFETCH(int, right);
        QFETCH(int, wrong);
        {
            ResultsStore store(m_path);
            store.setClassLabel(QStringLiteral(" 5B "));
            play(store, QStringLiteral("similes"), script);
            if (exits)
                store.visitEnded();
        }
        ResultsStore again(m_path);
        const QList<ResultsStore::Visit> visits = again.visits();
        QCOMPARE(visits.size(), 1);
        const ResultsStore::Visit &visit = visits.first();
        QCOMPARE(visit.classLabel, QStringLiteral("5B"));
        QCOMPARE(visit.activity, QStringLiteral("similes"));
        QVERIFY(qAbs(visit.started.secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(visit.items, items);
        QCOMPARE(visit.rightFirstTime, right);
        QCOMPARE(visit.wrongFirstTime, wrong);
        // The items table tells the same story, item by item.
        QCOMPARE(sql(m_path, "SELECT COUNT(*) || ' ' || SUM(right_first) || ' ' || SUM(wrong_first) FROM items")
                     .toString(),
                 QStringLiteral("%1 %2 %3").arg(items).arg(right).arg(wrong));
        QVERIFY(again.problem().isEmpty());
    }

    void summaryAndFilter()
    {
        ResultsStore store(m_path);
        store.setClassLabel(QStringLiteral("5B"));
        play(store, QStringLiteral("sort"), QStringLiteral("R R R W")); // 75 %
        play(store, QStringLiteral("slot"), QStringLiteral("W W R"));   // 33 %
        play(store, QStringLiteral("quiet"), QStringLiteral("-"));      // nothing answered
        store.setClassLabel(QStringLiteral("6A"));
        play(store, QStringLiteral("sort"), QStringLiteral("W W W W"));
        store.visitEnded();

        QStringList order;
        for (const ResultsStore::Summary &row : store.summary({QStringLiteral("5B"), {}}))
            order << QStringLiteral("%1 %2").arg(row.activity).arg(qRound(row.rightPercent()));
        QCOMPARE(order, QStringList({"slot 33", "sort 75", "quiet 0"}));
        const QList<ResultsStore::Summary> all = store.summary();
        QCOMPARE(all.first().activity, QStringLiteral("slot"));
        QCOMPARE(all.at(1).visits, 2);
        QCOMPARE(all.at(1).right, 3);
        QCOMPARE(store.classLabels(), QStringList({"5B", "6A"}));
        QCOMPARE(store.visits({{}, QDateTime::currentDateTime().addSecs(60)}).size(), 0);
        QCOMPARE(store.clear({QStringLiteral("6A"), {}}), 1);
        QCOMPARE(store.visits().size(), 3);
    }

    void csv_data()
    {
        QTest::addColumn<QString>("classLabel");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("fields"); // the row from the class to the seconds
        QTest::newRow("plain") << "5B" << "Similes" << "5B,x,Similes,2,1,1,0";
        QTest::newRow("no class") << "" << "Similes" << ",x,Similes,2,1,1,0";
        QTest::newRow("comma") << "5B" << "Who, what" << "5B,x,\"Who, what\",2,1,1,0";
        QTest::newRow("quotes") << "5B" << "Say \"hi\"" << "5B,x,\"Say \"\"hi\"\"\",2,1,1,0";
        QTest::newRow("line break") << "5B" << "One\ntwo" << "5B,x,\"One\ntwo\",2,1,1,0";
        QTest::newRow("formula =") << "=1+1" << "=SUM(A1)" << "'=1+1,x,'=SUM(A1),2,1,1,0";
        QTest::newRow("formula + - @") << "+5" << "-2" << "'+5,x,'-2,2,1,1,0";
        QTest::newRow("formula @, quoted") << "@B" << "@a,b" << "'@B,x,\"'@a,b\",2,1,1,0";
        QTest::newRow("not at the start") << "5=B" << "a-b" << "5=B,x,a-b,2,1,1,0";
    }
    void csv()
    {
        QFETCH(QString, classLabel);
        QFETCH(QString, title);
        QFETCH(QString, fields);
        ResultsStore store(m_path);
        store.setClassLabel(classLabel);
        play(store, QStringLiteral("x"), QStringLiteral("R W"), title);
        store.visitEnded();
        const QString out = m_dir.filePath(QStringLiteral("out-%1.csv").arg(m_count));
        QString error;
        QVERIFY2(store.exportCsv(out, {}, &error), qPrintable(error));
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const ResultsStore::Visit visit = store.visits().first();
        const QString expected = QStringLiteral("date,start time,class,activity,title,items,right first time,"
                                                "wrong first time,seconds\r\n%1,%2,%3\r\n")
                                     .arg(visit.started.toString("yyyy-MM-dd"), visit.started.toString("HH:mm:ss"),
                                          fields);
        QCOMPARE(QString::fromUtf8(file.readAll()), expected);
        // Nothing but the file itself is left beside it.
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("out-*")}, QDir::Files).size(), 1);
        file.remove();
        QVERIFY(!store.exportCsv(m_dir.filePath(QStringLiteral("no/such/folder/x.csv")), {}, &error));
        QVERIFY(!error.isEmpty());
    }

    // A file that cannot be used is set aside, byte for byte, and a new one started.
    void damagedFile_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("garbage") << "garbage";
        QTest::newRow("empty-looking text") << "text";
        QTest::newRow("truncated to the header") << "header";
        QTest::newRow("truncated to half") << "half";
        QTest::newRow("newer schema") << "newer";
    }
    void damagedFile()
    {
        QFETCH(QString, damage);
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        if (damage == QLatin1String("garbage") || damage == QLatin1String("text")) {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(damage == QLatin1String("text") ? QByteArray("date,class\n") : QByteArray(5000, '\x5a'));
        } else {
            {
                ResultsStore store(m_path);
                for (int i = 0; i < 40; ++i)
                    play(store, QStringLiteral("activity-%1").arg(i), QStringLiteral("R W R W R"), QString(300, 'x'));
            }
            QFile file(m_path);
            if (damage == QLatin1String("newer")) {
                QCOMPARE(sql(m_path, "PRAGMA user_version").toInt(), ResultsStore::SchemaVersion);
                sql(m_path, "PRAGMA user_version = 2");
            } else {
                QVERIFY(file.size() > 8192);
                QVERIFY(file.resize(damage == QLatin1String("header") ? 100 : file.size() / 2));
            }
        }
        QFile original(m_path);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        original.close();

        ResultsStore store(m_path);
        QVERIFY(store.visits().isEmpty());
        QVERIFY(store.isKeeping());
        QVERIFY2(store.problem().contains(QLatin1String("a new one was started")), qPrintable(store.problem()));
        const QStringList aside = QFileInfo(m_path).dir().entryList({QStringLiteral("results-set-aside-*.sqlite")});
        QCOMPARE(aside.size(), 1);
        QVERIFY(QRegularExpression(QStringLiteral("^results-set-aside-\\d{4}-\\d\\d-\\d\\d-\\d{6}\\.sqlite$"))
                    .match(aside.first())
                    .hasMatch());
        QVERIFY(store.problem().contains(aside.first()));
        QFile kept(QFileInfo(m_path).dir().filePath(aside.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), bytes);
        play(store, QStringLiteral("similes"), QStringLiteral("R"));
        store.visitEnded();
        QCOMPARE(store.visits().size(), 1);
        QCOMPARE(sql(m_path, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
    }

    // A folder that cannot be written keeps nothing; the activity goes on regardless.
    void unusableFolder_data()
    {
        QTest::addColumn<bool>("readOnly"); // else the folder is a file
        QTest::newRow("read-only folder") << true;
        QTest::newRow("folder is a file") << false;
    }
    void unusableFolder()
    {
        QFETCH(bool, readOnly);
        const QString folder = QFileInfo(m_path).absolutePath();
        if (readOnly) {
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            QFile probe(folder + QStringLiteral("/probe"));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("this user writes into read-only folders (root): the folder-is-a-file row covers it");
            }
        } else {
            QFile file(folder);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        {
            ResultsStore store(m_path);
            play(store, QStringLiteral("similes"), QStringLiteral("R W"));
            store.visitEnded();
            QVERIFY(!store.isKeeping());
            QVERIFY(store.visits().isEmpty());
            QVERIFY2(store.problem().startsWith(QLatin1String("Results are not being kept: ")),
                     qPrintable(store.problem()));
            QString error;
            QVERIFY(store.exportCsv(m_dir.filePath(QStringLiteral("empty.csv")), {}, &error));
        }
        if (readOnly)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!QFile::exists(m_path));
    }

    // A full disk (the file's page limit reached): what was kept stays, the rest is not
    // kept, and the problem says why.
    void fullDisk()
    {
        ResultsStore store(m_path);
        play(store, QStringLiteral("kept"), QStringLiteral("R"));
        store.visitEnded();
        QCOMPARE(QSqlDatabase::connectionNames().size(), 1);
        QSqlQuery limit(QSqlDatabase::database(QSqlDatabase::connectionNames().first()));
        QVERIFY(limit.exec(QStringLiteral("PRAGMA max_page_count = 1")));
        for (int i = 0; i < 50; ++i)
            play(store, QStringLiteral("lost"), QStringLiteral("R W R W"), QString(2000, 'x'));
        store.visitEnded();
        QVERIFY(!store.isKeeping());
        QCOMPARE(store.problem(), QStringLiteral("Results are not being kept: the disk is full."));
        QCOMPARE(store.visits().first().activity, QStringLiteral("kept"));
        QCOMPARE(sql(m_path, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
    }

    // Killed in the middle of a visit: everything before the item on screen is there, and
    // the file is sound.
    void killedMidVisit()
    {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--record-then-wait"), m_path});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(20000));
        QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
        child.kill();
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        QCOMPARE(sql(m_path, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        ResultsStore store(m_path);
        QStringList kept;
        for (const ResultsStore::Visit &visit : store.visits())
            kept << QStringLiteral("%1 %2 %3 %4").arg(visit.activity).arg(visit.items).arg(visit.rightFirstTime)
                        .arg(visit.wrongFirstTime);
        QCOMPARE(kept, QStringList({"similes 2 1 1", "openings 1 2 0", "cv 1 1 0"}));
        QVERIFY(store.problem().isEmpty());
    }

    // The same export from the command line, through the real program.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("export") << QStringList{"--export-results", "OUT"} << 0;
        QTest::newRow("export, one word") << QStringList{"--export-results=OUT"} << 0;
        QTest::newRow("help") << QStringList{"--help"} << 0;
        QTest::newRow("no file name") << QStringList{"--export-results"} << 2;
        QTest::newRow("empty file name") << QStringList{"--export-results="} << 2;
        QTest::newRow("unknown option") << QStringList{"--export-results", "OUT", "--colour"} << 2;
        QTest::newRow("stray argument") << QStringList{"--export-results", "OUT", "more"} << 2;
        QTest::newRow("unwritable file") << QStringList{"--export-results", "NOWHERE"} << 2;
        QTest::newRow("folder as file") << QStringList{"--export-results", "."} << 2;
        // A copy of the program with no results module beside it (nor an installed one).
        QTest::newRow("no results module") << QStringList{"--export-results", "OUT", "ALONE"} << 2;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        const QString home = m_dir.filePath(QStringLiteral("home-%1").arg(m_count));
        {
            ResultsStore store(home + QStringLiteral("/data/Quorvale/results.sqlite"));
            store.setClassLabel(QStringLiteral("5B"));
            play(store, QStringLiteral("similes"), QStringLiteral("R W"));
            store.visitEnded();
        }
        const QString out = home + QStringLiteral("/out.csv");
        arguments.replaceInStrings(QStringLiteral("OUT"), out);
        arguments.replaceInStrings(QStringLiteral("NOWHERE"), home + QStringLiteral("/no/such/out.csv"));
        QString executable = QStringLiteral(QUORVALE_PROGRAM);
        if (arguments.removeAll(QStringLiteral("ALONE"))) {
            QVERIFY(QDir().mkpath(home + QStringLiteral("/alone")));
            executable = home + QStringLiteral("/alone/quorvale");
            QVERIFY(QFile::copy(QStringLiteral(QUORVALE_PROGRAM), executable));
        }
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM")); // no window system is needed
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(home);
        program.start(executable, arguments);
        QVERIFY(program.waitForFinished(30000));
        const QString output = QString::fromUtf8(program.readAllStandardOutput());
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(program.exitCode() == exitCode, qPrintable(errors));
        if (exitCode == 2) {
            QVERIFY2(errors.startsWith(QLatin1String("quorvale: ")) && errors.count(QLatin1Char('\n')) == 1,
                     qPrintable(errors));
            QCOMPARE(errors.contains(QLatin1String("quorvale-results")), executable != QLatin1String(QUORVALE_PROGRAM));
            QVERIFY(!QFile::exists(out));
        } else if (arguments.first() == QLatin1String("--help")) {
            QVERIFY(output.contains(QLatin1String("--export-results <file>")));
        } else {
            QFile file(out);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = file.readAll().split('\n');
            QCOMPARE(lines.size(), 3);
            QVERIFY(lines.at(1).contains(",5B,similes,similes,2,1,1,"));
        }
    }

    // The program loads the store (and Qt SQL with it) only when the results are first
    // needed: its binary does not depend on Qt SQL, directly or through another library.
    void programDoesNotNeedQtSql()
    {
        QProcess ldd;
        ldd.start(QStringLiteral("ldd"), {QStringLiteral(QUORVALE_PROGRAM)});
        if (!ldd.waitForStarted())
            QSKIP("ldd is not available");
        QVERIFY(ldd.waitForFinished(30000));
        const QString needed = QString::fromLocal8Bit(ldd.readAllStandardOutput());
        QVERIFY2(needed.contains(QLatin1String("libQt6Widgets")), qPrintable(needed));
        QVERIFY2(!needed.contains(QLatin1String("libQt6Sql")), qPrintable(needed));
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_count = 0;
};

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--record-then-wait") == 0) {
        QCoreApplication app(argc, argv);
        return recordThenWait(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestResultsStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_resultsstore.moc"
