// The class results through a real SQLite file: what a visit keeps, the CSV, summaries,
// and every fault the file or the disk can have.

#include "resultsstore.h"
#include "tmpfs.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QUuid>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <memory>

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

// Keeps one visit of class 5B, then `more` copies of it straight into the file.
void keepMany(const QString &path, int more)
{
    {
        ResultsStore store(path);
        store.setClassLabel(QStringLiteral("5B"));
        play(store, QStringLiteral("similes"), QStringLiteral("R W"));
        store.visitEnded();
    }
    if (more > 0)
        sql(path, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)"
                                 " INSERT INTO visits (started, class, activity, title, items, unit, right_first,"
                                 " wrong_first) SELECT started, class, activity, title, items, unit, right_first,"
                                 " wrong_first"
                                 " FROM visits, n")
                      .arg(more));
}

// Takes `room` bytes and no more: the write that does not fit is cut short, as a full
// disk cuts it, or refused outright.
class CrampedDevice : public QIODevice
{
public:
    CrampedDevice(qint64 room, bool refuse) : m_room(room), m_refuse(refuse) {}

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 size) override
    {
        if (m_room == 0 || (m_refuse && size > m_room))
            return -1;
        const qint64 taken = std::min(size, m_room);
        m_room -= taken;
        return taken;
    }

private:
    qint64 m_room;
    bool m_refuse;
};

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

// A copy of the program in the race: waits for the agreed moment, opens the file and keeps
// visits as fast as it can; fails when anything was not kept.
constexpr int RaceVisits = 6;
int race(const QString &path, qint64 startAt)
{
    while (QDateTime::currentMSecsSinceEpoch() < startAt) {
    }
    ResultsStore store(path);
    for (int i = 0; i < RaceVisits; ++i) {
        play(store, QStringLiteral("similes"), QStringLiteral("R W R"));
        store.visitEnded();
    }
    std::fputs(qPrintable(store.problem()), stderr);
    return store.isKeeping() && store.problem().isEmpty() ? 0 : 1;
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

    // Items and first answers in one unit: a word activity counts each word dropped.
    void keepsVisits_data()
    {
        QTest::addColumn<QString>("activity");
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("exits"); // Exit pressed, or the program ends with it open
        QTest::addColumn<int>("items");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("wrong");
        QTest::newRow("one right") << "similes" << "R" << true << 1 << "question" << 1 << 0;
        QTest::newRow("one wrong") << "similes" << "W" << true << 1 << "question" << 0 << 1;
        QTest::newRow("next after each") << "similes" << "R W R W" << true << 4 << "question" << 2 << 2;
        QTest::newRow("left unanswered") << "similes" << "R -" << true << 2 << "question" << 1 << 0;
        QTest::newRow("program ends mid-visit") << "similes" << "W R" << false << 2 << "question" << 1 << 1;
        QTest::newRow("sets of phrases") << "cv" << "R W -" << true << 3 << "set" << 1 << 1;
        QTest::newRow("words dropped per sentence") << "person" << "RRW WR" << true << 5 << "word" << 3 << 2;
        QTest::newRow("a sentence left alone") << "notemaking" << "R -" << true << 1 << "word" << 1 << 0;
    }
    void keepsVisits()
    {
        QFETCH(QString, activity);
        QFETCH(QString, script);
        QFETCH(bool, exits);
        QFETCH(int, items);
        QFETCH(QString, unit);
        QFETCH(int, right);
        QFETCH(int, wrong);
        {
            ResultsStore store(m_path);
            store.setClassLabel(QStringLiteral(" 5B "));
            play(store, activity, script);
            if (exits)
                store.visitEnded();
        }
        ResultsStore again(m_path);
        const QList<ResultsStore::Visit> visits = again.visits();
        QCOMPARE(visits.size(), 1);
        const ResultsStore::Visit &visit = visits.first();
        QCOMPARE(visit.classLabel, QStringLiteral("5B"));
        QCOMPARE(visit.activity, activity);
        QVERIFY(qAbs(visit.started.secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(visit.items, items);
        QCOMPARE(visit.unit, unit);
        QCOMPARE(visit.rightFirstTime, right);
        QCOMPARE(visit.wrongFirstTime, wrong);
        QVERIFY(right + wrong <= items);
        // The items table tells the same story, item shown by item shown.
        QCOMPARE(sql(m_path, "SELECT COUNT(*) || ' ' || SUM(right_first) || ' ' || SUM(wrong_first) FROM items")
                     .toString(),
                 QStringLiteral("%1 %2 %3").arg(script.count(QLatin1Char(' ')) + 1).arg(right).arg(wrong));
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
        for (const ResultsStore::Summary &row : store.summary({QStringLiteral("5B"), {}, {}, {}}))
            order << QStringLiteral("%1 %2").arg(row.activity).arg(qRound(row.rightPercent()));
        QCOMPARE(order, QStringList({"slot 33", "sort 75", "quiet 0"}));
        const QList<ResultsStore::Summary> all = store.summary();
        QCOMPARE(all.first().activity, QStringLiteral("slot"));
        QCOMPARE(all.at(1).visits, 2);
        QCOMPARE(all.at(1).right, 3);
        QCOMPARE(store.classLabels(), QStringList({"5B", "6A"}));
        QCOMPARE(store.visits({{}, QDateTime::currentDateTime().addSecs(60), {}, {}}).size(), 0);
        QCOMPARE(store.visits({{}, {}, QDateTime::currentDateTime().addSecs(-60), {}}).size(), 0);
        QCOMPARE(store.clear({QStringLiteral("6A"), {}, {}, {}}), 1);
        QCOMPARE(store.visits().size(), 3);
        // A label from a hand-edited settings file is cut to what the class field holds.
        store.setClassLabel(QString(1800000, QLatin1Char('x')));
        QCOMPARE(store.classLabel().size(), ResultsStore::ClassLabelMaxLength);
    }

    // A file of the first schema (no unit, no application id; the word activities counted
    // sentences as items): every visit is read in one unit per activity, whether the file
    // is brought up to date or only read, which leaves it as it was.
    void firstSchemaFile_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("opened to keep visits") << false;
        QTest::newRow("only read") << true;
    }
    void firstSchemaFile()
    {
        QFETCH(bool, readOnly);
        QVERIFY(QDir().mkpath(QFileInfo(m_path).path()));
        for (const char *statement :
             {"CREATE TABLE visits (id INTEGER PRIMARY KEY, started TEXT NOT NULL, seconds INTEGER NOT NULL DEFAULT 0,"
              " class TEXT NOT NULL DEFAULT '', activity TEXT NOT NULL, title TEXT NOT NULL DEFAULT '',"
              " items INTEGER NOT NULL DEFAULT 0, right_first INTEGER NOT NULL DEFAULT 0,"
              " wrong_first INTEGER NOT NULL DEFAULT 0)",
              "CREATE INDEX visits_started ON visits (started)",
              "CREATE TABLE items (visit INTEGER NOT NULL REFERENCES visits (id) ON DELETE CASCADE, seq INTEGER NOT NULL,"
              " record INTEGER NOT NULL, right_first INTEGER NOT NULL DEFAULT 0, wrong_first INTEGER NOT NULL DEFAULT 0,"
              " PRIMARY KEY (visit, seq)) WITHOUT ROWID",
              "PRAGMA user_version = 1",
              "INSERT INTO visits (started, activity, items, right_first, wrong_first) VALUES"
              " ('2025-03-12T10:00:00', 'person', 2, 3, 2), ('2025-03-12T10:05:00', 'similes', 4, 3, 1),"
              " ('2025-03-12T10:09:00', 'cv', 3, 1, 1)"})
            sql(m_path, QString::fromLatin1(statement));
        {
            ResultsStore store(m_path);
            if (readOnly)
                store.setReadOnly();
            QStringList read;
            for (const ResultsStore::Visit &visit : store.visits())
                read << QStringLiteral("%1 %2 %3 %4 %5").arg(visit.activity).arg(visit.items).arg(visit.unit)
                            .arg(visit.rightFirstTime).arg(visit.wrongFirstTime);
            QCOMPARE(read, QStringList({"person 5 word 3 2", "similes 4 question 3 1", "cv 3 set 1 1"}));
            QVERIFY2(store.problem().isEmpty(), qPrintable(store.problem()));
        }
        QCOMPARE(sql(m_path, "PRAGMA user_version").toInt(), readOnly ? 1 : ResultsStore::SchemaVersion);
        QCOMPARE(sql(m_path, "PRAGMA application_id").toInt(), readOnly ? 0 : ResultsStore::ApplicationId);
    }

    // Every write of an export is checked: a device that takes only part (as a full disk
    // does) or refuses fails it with a reason. (A real full disk: commandLine.)
    void shortWrites_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("device cuts a write short") << "short";
        QTest::newRow("device refuses a write") << "refuse";
    }
    void shortWrites()
    {
        QFETCH(QString, target);
        keepMany(m_path, 300);
        ResultsStore store(m_path);
        QString error;
        CrampedDevice device(1000, target == QLatin1String("refuse"));
        QVERIFY(device.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QCOMPARE(store.writeCsv(device, {}, &error), -1);
        QVERIFY2(error.contains(QLatin1String("full")), qPrintable(error));
        QCOMPARE(store.exportCsv(m_dir.filePath(QStringLiteral("whole-%1.csv").arg(m_count)), {}, &error), 301);
    }

    // A results file on a read-only disk: what it holds is shown and exported, the teacher
    // is told new visits cannot be kept, the lesson goes on, and the file stays as it was.
    void readOnlyDisk()
    {
        Tmpfs disk(QFileInfo(m_path).path(), QStringLiteral("1m"));
        if (!disk.isMounted())
            QSKIP("a read-only disk of its own needs root");
        keepMany(m_path, 0);
        QVERIFY(disk.makeReadOnly());
        ResultsStore store(m_path);
        QCOMPARE(store.visits().size(), 1);
        QVERIFY(!store.isKeeping());
        QVERIFY2(store.problem().startsWith(QLatin1String("New visits cannot be kept")), qPrintable(store.problem()));
        play(store, QStringLiteral("openings"), QStringLiteral("R"));
        store.visitEnded();
        QCOMPARE(store.visits().size(), 1);
        QString error;
        QCOMPARE(store.exportCsv(m_dir.filePath(QStringLiteral("read-only.csv")), {}, &error), 1);
    }

    void csv_data()
    {
        QTest::addColumn<QString>("classLabel");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("fields"); // the row from the class to the seconds (pupil empty)
        QTest::newRow("plain") << "5B" << "Similes" << "5B,,x,Similes,2,question,1,1,0";
        QTest::newRow("no class") << "" << "Similes" << ",,x,Similes,2,question,1,1,0";
        QTest::newRow("comma") << "5B" << "Who, what" << "5B,,x,\"Who, what\",2,question,1,1,0";
        QTest::newRow("quotes") << "5B" << "Say \"hi\"" << "5B,,x,\"Say \"\"hi\"\"\",2,question,1,1,0";
        QTest::newRow("line break") << "5B" << "One\ntwo" << "5B,,x,\"One\ntwo\",2,question,1,1,0";
        QTest::newRow("formula =") << "=1+1" << "=SUM(A1)" << "'=1+1,,x,'=SUM(A1),2,question,1,1,0";
        QTest::newRow("formula + - @") << "+5" << "-2" << "'+5,,x,'-2,2,question,1,1,0";
        QTest::newRow("formula @, quoted") << "@B" << "@a,b" << "'@B,,x,\"'@a,b\",2,question,1,1,0";
        QTest::newRow("not at the start") << "5=B" << "a-b" << "5=B,,x,a-b,2,question,1,1,0";
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
        QVERIFY2(store.exportCsv(out, {}, &error) == 1, qPrintable(error));
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const ResultsStore::Visit visit = store.visits().first();
        const QString expected = QStringLiteral("date,start time,class,pupil,activity,title,items,unit,answers right first "
                                                "time,answers wrong first time,seconds\r\n%1,%2,%3\r\n")
                                     .arg(visit.started.toString("yyyy-MM-dd"), visit.started.toString("HH:mm:ss"),
                                          fields);
        QCOMPARE(QString::fromUtf8(file.readAll()), expected);
        // Nothing but the file itself is left beside it.
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("out-*")}, QDir::Files).size(), 1);
        file.remove();
        QVERIFY(store.exportCsv(m_dir.filePath(QStringLiteral("no/such/folder/x.csv")), {}, &error) < 0);
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
        QTest::newRow("another program's file") << "foreign";
        QTest::newRow("another program's id") << "foreign id";
    }
    void damagedFile()
    {
        QFETCH(QString, damage);
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        if (damage == QLatin1String("foreign")) {
            sql(m_path, "CREATE TABLE notes (text TEXT)");
        } else if (damage == QLatin1String("garbage") || damage == QLatin1String("text")) {
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
                sql(m_path, QStringLiteral("PRAGMA user_version = %1").arg(ResultsStore::SchemaVersion + 1));
            } else if (damage == QLatin1String("foreign id")) {
                QCOMPARE(sql(m_path, "PRAGMA application_id").toInt(), ResultsStore::ApplicationId);
                sql(m_path, "PRAGMA application_id = 7");
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
            QCOMPARE(store.exportCsv(m_dir.filePath(QStringLiteral("empty.csv")), {}, &error), 0);
        }
        if (readOnly)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!QFile::exists(m_path));
    }

    // A full disk: what was kept stays, the visits that do not fit wait in memory, and the
    // teacher is told in plain words; once there is room again, every visit is written.
    void fullDisk_data()
    {
        QTest::addColumn<bool>("realDisk"); // else the file's page limit is reached
        QTest::newRow("page limit") << false;
        QTest::newRow("a full disk") << true;
    }
    void fullDisk()
    {
        QFETCH(bool, realDisk);
        std::unique_ptr<Tmpfs> disk;
        if (realDisk) {
            disk = std::make_unique<Tmpfs>(QFileInfo(m_path).path(), QStringLiteral("256k"));
            if (!disk->isMounted())
                QSKIP("a full disk of its own needs root");
        }
        ResultsStore store(m_path);
        play(store, QStringLiteral("kept"), QStringLiteral("R"));
        store.visitEnded();
        QCOMPARE(QSqlDatabase::connectionNames().size(), 1);
        QSqlQuery limit(QSqlDatabase::database(QSqlDatabase::connectionNames().first()));
        if (!realDisk)
            QVERIFY(limit.exec(QStringLiteral("PRAGMA max_page_count = 1")));
        for (int i = 0; i < 50; ++i)
            play(store, QStringLiteral("waiting"), QStringLiteral("R W R W"), QString(2000, 'x'));
        store.visitEnded();
        QVERIFY(!store.isKeeping());
        QCOMPARE(store.problem(), QStringLiteral("Results are not being kept: the disk is full."));
        QCOMPARE(store.visits().first().activity, QStringLiteral("kept"));
        QCOMPARE(sql(m_path, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));

        if (realDisk)
            QVERIFY(disk->resize(QStringLiteral("16m")));
        else
            QVERIFY(limit.exec(QStringLiteral("PRAGMA max_page_count = 1000000")));
        play(store, QStringLiteral("after"), QStringLiteral("R"));
        store.visitEnded();
        QVERIFY(store.isKeeping());
        QVERIFY2(store.problem().isEmpty(), qPrintable(store.problem()));
        QCOMPARE(store.visits().size(), 52);
        QCOMPARE(store.visits().last().activity, QStringLiteral("after"));
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
        // The visit cut short is not sent while it might still be under way (another copy
        // of the program); half a day on, it has ended as far as it ever will.
        QCOMPARE(store.unsentVisits(10).size(), 2);
        sql(m_path, "UPDATE visits SET started = '2025-03-12T10:00:00' WHERE activity = 'cv'");
        QCOMPARE(store.unsentVisits(10).size(), 3);
    }

    // The same export from the command line, through the real program: from a results file
    // that may be missing, read-only, damaged or not ours (only ever read, never changed or
    // set aside), to a file, a device, a full disk or standard output.
    void commandLine_data()
    {
        QTest::addColumn<QString>("kept"); // what stands where the results file should be
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("rows"); // visits in the CSV when it is written
        const QStringList toOut{"--export-results", "OUT"};
        QTest::newRow("export") << "one visit" << toOut << 0 << 1;
        QTest::newRow("export, one word") << "one visit" << QStringList{"--export-results=OUT"} << 0 << 1;
        QTest::newRow("help") << "one visit" << QStringList{"--help"} << 0 << -1;
        QTest::newRow("to standard output") << "one visit" << QStringList{"--export-results", "-"} << 0 << 1;
        QTest::newRow("no results yet") << "nothing" << toOut << 0 << 0;
        QTest::newRow("read-only results file") << "read-only" << toOut << 0 << 1;
        QTest::newRow("no file name") << "one visit" << QStringList{"--export-results"} << 2 << 0;
        QTest::newRow("empty file name") << "one visit" << QStringList{"--export-results="} << 2 << 0;
        QTest::newRow("unknown option") << "one visit" << QStringList{"--export-results", "OUT", "--colour"} << 2 << 0;
        QTest::newRow("stray argument") << "one visit" << QStringList{"--export-results", "OUT", "more"} << 2 << 0;
        QTest::newRow("unwritable file") << "one visit" << QStringList{"--export-results", "NOWHERE"} << 2 << 0;
        QTest::newRow("folder as file") << "one visit" << QStringList{"--export-results", "."} << 2 << 0;
        QTest::newRow("a device") << "one visit" << QStringList{"--export-results", "DEVICE"} << 2 << 0;
        QTest::newRow("a full disk") << "many visits" << QStringList{"--export-results", "FULL"} << 2 << 0;
        QTest::newRow("standard output full") << "one visit" << QStringList{"--export-results", "-", ">/dev/full"} << 2 << 0;
        QTest::newRow("results file is a folder") << "folder" << toOut << 2 << 0;
        QTest::newRow("results file a broken link") << "broken link" << toOut << 2 << 0;
        QTest::newRow("another program's file") << "foreign" << toOut << 2 << 0;
        QTest::newRow("damaged results file") << "damaged" << toOut << 2 << 0;
        // A copy of the program with no results module beside it (nor an installed one).
        QTest::newRow("no results module") << "one visit" << QStringList{"--export-results", "OUT", "ALONE"} << 2 << 0;
    }
    void commandLine()
    {
        QFETCH(QString, kept);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(int, rows);
        const QString home = m_dir.filePath(QStringLiteral("home-%1").arg(m_count));
        const QString folder = home + QStringLiteral("/data/Quorvale");
        const QString results = folder + QStringLiteral("/results.sqlite");
        const QString other = home + QStringLiteral("/other.sqlite");
        const QString out = home + QStringLiteral("/out.csv");
        const QString full = home + QStringLiteral("/full/out.csv");
        QVERIFY(QDir().mkpath(folder));
        Tmpfs readOnly(kept == QLatin1String("read-only") ? folder : QString(), QStringLiteral("1m"));
        Tmpfs small(arguments.contains(QStringLiteral("FULL")) ? QFileInfo(full).path() : QString(), QStringLiteral("4k"));
        if ((kept == QLatin1String("read-only") && !readOnly.isMounted())
            || (arguments.contains(QStringLiteral("FULL")) && !small.isMounted())
            || (arguments.contains(QStringLiteral("DEVICE"))
                && QProcess::execute(QStringLiteral("mknod"), {home + "/device", "c", "1", "3"}) != 0))
            QSKIP("a disk or a device of the test's own needs root");
        if (QStringList{"one visit", "read-only", "many visits"}.contains(kept))
            keepMany(results, kept == QLatin1String("many visits") ? 300 : 0); // 300: more than 4 KiB
        if (kept == QLatin1String("read-only"))
            QVERIFY(readOnly.makeReadOnly());
        if (kept == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(results));
        if (kept == QLatin1String("broken link"))
            QVERIFY(QFile::link(home + QStringLiteral("/gone.sqlite"), results));
        if (kept == QLatin1String("foreign")) {
            sql(other, "CREATE TABLE notes (text TEXT)");
            QVERIFY(QFile::link(other, results));
        }
        if (kept == QLatin1String("damaged")) {
            QFile file(results);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(5000, 'Z')) == 5000);
        }
        arguments.replaceInStrings(QStringLiteral("OUT"), out);
        arguments.replaceInStrings(QStringLiteral("NOWHERE"), home + QStringLiteral("/no/such/out.csv"));
        arguments.replaceInStrings(QStringLiteral("DEVICE"), home + QStringLiteral("/device"));
        arguments.replaceInStrings(QStringLiteral("FULL"), full);
        QString executable = QStringLiteral(QUORVALE_PROGRAM);
        if (arguments.removeAll(QStringLiteral("ALONE"))) {
            QVERIFY(QDir().mkpath(home + QStringLiteral("/alone")));
            executable = home + QStringLiteral("/alone/quorvale");
            QVERIFY(QFile::copy(QStringLiteral(QUORVALE_PROGRAM), executable));
        }
        QProcess program;
        if (arguments.last().startsWith(QLatin1Char('>')))
            program.setStandardOutputFile(arguments.takeLast().mid(1));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM")); // no window system is needed
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(home);
        program.start(executable, arguments);
        QVERIFY(program.waitForFinished(30000));
        const QByteArray output = program.readAllStandardOutput();
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(program.exitCode() == exitCode, qPrintable(errors));
        // Reading the results never sets anything aside, nor writes to another program's file.
        QVERIFY(QDir(folder).entryList({QStringLiteral("*set-aside*")}).isEmpty());
        if (kept == QLatin1String("foreign"))
            QCOMPARE(sql(other, "SELECT group_concat(name) || (SELECT user_version FROM pragma_user_version)"
                                " || (SELECT journal_mode FROM pragma_journal_mode) FROM sqlite_schema")
                         .toString(),
                     QStringLiteral("notes0delete"));
        if (exitCode == 2) {
            QVERIFY2(errors.startsWith(QLatin1String("quorvale: ")) && errors.count(QLatin1Char('\n')) == 1,
                     qPrintable(errors));
            QCOMPARE(errors.contains(QLatin1String("quorvale-results")), executable != QLatin1String(QUORVALE_PROGRAM));
            QVERIFY(output.isEmpty() && !QFile::exists(out) && !QFile::exists(full));
            QVERIFY(!QFileInfo(home + QStringLiteral("/device")).isFile());
        } else if (rows < 0) {
            QVERIFY(output.contains("--export-results <file>"));
            QVERIFY2(errors.isEmpty(), qPrintable(errors));
        } else {
            QFile file(out);
            const QByteArray csv = arguments.last() == QLatin1String("-")
                ? output
                : (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
            const QList<QByteArray> lines = csv.split('\n');
            QCOMPARE(lines.size(), rows + 2); // the header, each visit, nothing after the last line end
            QVERIFY(lines.first().startsWith("date,"));
            QVERIFY(rows == 0 || lines.at(1).contains(",5B,,similes,similes,2,question,1,1,"));
        }
    }

    // Two copies of the program opening one new results file at the same moment, then
    // writing as fast as they can: both keep every visit, round after round.
    void twoCopiesAtOnce()
    {
        for (int round = 0; round < 12; ++round) {
            const QString path = m_dir.filePath(QStringLiteral("race-%1-%2/results.sqlite").arg(m_count).arg(round));
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            const QString start = QString::number(QDateTime::currentMSecsSinceEpoch() + 400);
            QProcess copies[2];
            for (QProcess &copy : copies)
                copy.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--race"), path, start});
            for (QProcess &copy : copies) {
                QVERIFY(copy.waitForFinished(60000));
                QVERIFY2(copy.exitCode() == 0, copy.readAllStandardError().constData());
            }
            QCOMPARE(ResultsStore(path).visits().size(), 2 * RaceVisits);
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

    // A file of an older schema gains the class lists in one transaction: every visit and
    // item kept as it was (value for value); a step that fails (a trigger that raises, a
    // name already taken, a read-only disk) leaves the file exactly as it was, still read.
    void pupilsMigration_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("from version 1") << 1 << "";
        QTest::newRow("from version 2") << 2 << "";
        QTest::newRow("version 1, a trigger raises") << 1 << "CREATE TRIGGER no BEFORE UPDATE ON visits BEGIN"
                                                             " SELECT RAISE(ABORT, 'no'); END";
        QTest::newRow("version 1, the last step fails") << 1 << "CREATE VIEW pupils AS SELECT 1";
        QTest::newRow("version 2, the name taken") << 2 << "CREATE VIEW pupils AS SELECT 1";
        QTest::newRow("version 2, a read-only disk") << 2 << "read-only";
        QTest::newRow("from version 3") << 3 << "";
        QTest::newRow("version 3, a trigger raises") << 3 << "CREATE TRIGGER no BEFORE UPDATE ON visits BEGIN"
                                                             " SELECT RAISE(ABORT, 'no'); END";
        QTest::newRow("version 3, the name taken") << 3 << "CREATE INDEX visits_uuid ON items (seq)";
    }
    void pupilsMigration()
    {
        QFETCH(int, version);
        QFETCH(QString, obstacle);
        Tmpfs disk(obstacle == QLatin1String("read-only") ? QFileInfo(m_path).path() : QString(), QStringLiteral("1m"));
        if (obstacle == QLatin1String("read-only") && !disk.isMounted())
            QSKIP("a read-only disk of its own needs root");
        QVERIFY(QDir().mkpath(QFileInfo(m_path).path()));
        // The schema as the releases before the class lists made it.
        QStringList statements = {
            "CREATE TABLE visits (id INTEGER PRIMARY KEY, started TEXT NOT NULL, seconds INTEGER NOT NULL DEFAULT 0,"
            " class TEXT NOT NULL DEFAULT '', activity TEXT NOT NULL, title TEXT NOT NULL DEFAULT '',"
            " items INTEGER NOT NULL DEFAULT 0, right_first INTEGER NOT NULL DEFAULT 0,"
            " wrong_first INTEGER NOT NULL DEFAULT 0)",
            "CREATE INDEX visits_started ON visits (started)",
            "CREATE TABLE items (visit INTEGER NOT NULL REFERENCES visits (id) ON DELETE CASCADE, seq INTEGER NOT NULL,"
            " record INTEGER NOT NULL, right_first INTEGER NOT NULL DEFAULT 0, wrong_first INTEGER NOT NULL DEFAULT 0,"
            " PRIMARY KEY (visit, seq)) WITHOUT ROWID",
            "INSERT INTO visits (started, seconds, class, activity, title, items, right_first, wrong_first) VALUES"
            " ('2025-03-12T10:00:00', 61, '5B', 'similes', 'Similes, \"a\"', 4, 3, 1),"
            " ('2025-03-12T10:05:00', 0, '', 'cv', '', 3, 1, 1), ('2025-03-13T09:00:00', 7, '6A', 'sort', 'Sort', 2, 0, 2)",
            "INSERT INTO items VALUES (1, 0, 5, 1, 0), (1, 1, 9, 0, 1), (3, 0, 2, 0, 2)",
        };
        if (version >= 2)
            statements << "ALTER TABLE visits ADD COLUMN unit TEXT NOT NULL DEFAULT 'question'"
                       << "UPDATE visits SET unit = 'set' WHERE activity = 'cv'"
                       << QStringLiteral("PRAGMA application_id = %1").arg(ResultsStore::ApplicationId);
        if (version == 3)
            statements << "CREATE TABLE pupils (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL,"
                          " class TEXT NOT NULL)"
                       << "ALTER TABLE visits ADD COLUMN pupil INTEGER REFERENCES pupils (id)"
                       << "INSERT INTO pupils (name, class) VALUES ('Ann', '5B')";
        statements << QStringLiteral("PRAGMA user_version = %1").arg(version);
        if (!obstacle.isEmpty() && obstacle != QLatin1String("read-only"))
            statements << obstacle;
        for (const QString &statement : std::as_const(statements))
            sql(m_path, statement);
        const QString columns = version >= 2 ? "id, started, seconds, class, activity, title, items, right_first,"
                                               " wrong_first, unit"
                                             : "id, started, seconds, class, activity, title, items, right_first,"
                                               " wrong_first";
        const QString visitRows = "SELECT group_concat(quote(v), '|') FROM (SELECT json_array(" + columns
            + ") AS v FROM visits ORDER BY id)";
        const QString itemRows = "SELECT group_concat(json_array(visit, seq, record, right_first, wrong_first), '|')"
                                 " FROM items";
        const QString visitsBefore = sql(m_path, visitRows).toString();
        const QString itemsBefore = sql(m_path, itemRows).toString();
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytesBefore = file.readAll();
        file.close();
        if (obstacle == QLatin1String("read-only"))
            QVERIFY(disk.makeReadOnly());
        {
            ResultsStore store(m_path);
            QCOMPARE(store.visits().size(), 3); // read either way
            QCOMPARE(store.visits().first().pupil, QString());
            QCOMPARE(store.isKeeping(), obstacle.isEmpty());
            // Kept visits are ready to send once migrated, oldest first.
            QStringList unsent;
            for (const auto &visit : store.unsentVisits(10))
                unsent << visit.activity + " " + visit.started.toString(Qt::ISODate);
            QCOMPARE(unsent, obstacle.isEmpty() ? QStringList({"similes 2025-03-12T10:00:00", "cv 2025-03-12T10:05:00",
                                                               "sort 2025-03-13T09:00:00"})
                                                : QStringList());
            QCOMPARE(store.problem().isEmpty(), obstacle.isEmpty());
            QCOMPARE(store.classLabels(), QStringList({"5B", "6A"}));
        }
        if (obstacle.isEmpty()) {
            QCOMPARE(sql(m_path, "PRAGMA user_version").toInt(), ResultsStore::SchemaVersion);
            // Each visit has an id of its own, this computer's name and no "sent" mark.
            QCOMPARE(sql(m_path, "SELECT COUNT(DISTINCT uuid) FROM visits WHERE uuid LIKE '________-____-4___-____-"
                                 "____________' AND computer = '" + QSysInfo::machineHostName()
                                 + "' AND sent = 0 AND done = 1").toInt(), 3);
            // Version 1 counted the word activities differently (none here): every value stays.
            QCOMPARE(sql(m_path, visitRows).toString(), visitsBefore);
            QCOMPARE(sql(m_path, itemRows).toString(), itemsBefore);
            QCOMPARE(sql(m_path, "SELECT COUNT(*) FROM visits WHERE pupil IS NULL").toInt(), 3);
        } else {
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.readAll() == bytesBefore);
            QCOMPARE(sql(m_path, "PRAGMA user_version").toInt(), version);
        }
    }

    // Adding a list is all or none; every name refused is named.
    void addPupils_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("refusal"); // empty: added
        QTest::newRow("a list") << QStringList{"Ann B", " bob  c ", "Éamonn Ó"} << "";
        QTest::newRow("a blank line") << QStringList{"Ann B", "  "} << "A name is empty.";
        QTest::newRow("over-long") << QStringList{"Ann B", "Maximilian Featherstonehaugh"}
                                   << "\"Maximilian Featherstonehaugh\" is longer than 24 letters.";
        QTest::newRow("24 letters") << QStringList{"Bartholomew Christophers"} << "";
        QTest::newRow("twice in the list") << QStringList{"Ann B", "ANN b"} << "\"ANN b\" is in the list more than once.";
        QTest::newRow("already in the class") << QStringList{"Ann B", "zoe"} << "\"zoe\" is already in class 5B.";
        QTest::newRow("a control character") << QStringList{QString("Ann") + QChar(0x7) }
                                             << "\"Ann\a\" has a character that cannot be shown.";
        QTest::newRow("nothing") << QStringList{} << "There are no names to add.";
    }
    void addPupils()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, refusal);
        ResultsStore store(m_path);
        QString error;
        QCOMPARE(store.addPupils(QStringLiteral("5B"), {QStringLiteral("Zoe")}, &error).size(), 1);
        QCOMPARE(store.addPupils(QStringLiteral("6A"), {QStringLiteral("Ann B")}, &error).size(), 1);
        int changes = 0;
        store.addChangeListener([&] { ++changes; });
        const QList<qint64> ids = store.addPupils(QStringLiteral("5B"), names, &error);
        QCOMPARE(error, refusal);
        QCOMPARE(ids.size(), refusal.isEmpty() ? names.size() : 0);
        QCOMPARE(changes, refusal.isEmpty() ? 1 : 0);
        QCOMPARE(store.pupils(QStringLiteral("5B")).size(), 1 + ids.size());
    }

    // Visits made while signed in are kept with the pupil and their class, read, summed,
    // exported and cleared per pupil; renames and moves follow.
    void signingIn()
    {
        ResultsStore store(m_path);
        store.setClassLabel(QStringLiteral("Suite"));
        QString error;
        const QList<qint64> ids = store.addPupils(QStringLiteral("6A"), {"zak", "Amy", "bea"}, &error);
        QCOMPARE(ids.size(), 3);
        QStringList order;
        for (const auto &entry : store.pupilsOf(QStringLiteral("6A")))
            order << entry.name;
        QCOMPARE(order, QStringList({"Amy", "bea", "zak"}));
        QVERIFY(store.pupilsOf(QStringLiteral("5B")).isEmpty());
        QCOMPARE(store.classLabels(), QStringList({"6A"}));

        store.signIn(ids.at(0));
        QCOMPARE(store.signedIn(), ids.at(0));
        play(store, QStringLiteral("similes"), QStringLiteral("R W"));
        store.signIn(ids.at(1)); // ends zak's visit
        play(store, QStringLiteral("similes"), QStringLiteral("R R"));
        play(store, QStringLiteral("cv"), QStringLiteral("W"));
        store.signIn(0);
        play(store, QStringLiteral("similes"), QStringLiteral("W"));
        store.visitEnded();
        store.signIn(999); // no such pupil: signed out
        QCOMPARE(store.signedIn(), 0);

        QStringList kept;
        for (const auto &visit : store.visits())
            kept << visit.classLabel + "/" + visit.pupil + "/" + visit.activity;
        QCOMPARE(kept, QStringList({"6A/zak/similes", "6A/Amy/similes", "6A/Amy/cv", "Suite//similes"}));
        QCOMPARE(store.visits({{}, {}, {}, ids.at(1)}).size(), 2);
        QCOMPARE(store.summary({{}, {}, {}, ids.at(0)}).first().wrong, 1);
        QCOMPARE(store.classLabels(), QStringList({"6A", "Suite"}));

        QStringList grid;
        for (const auto &row : store.pupilSummary({QStringLiteral("6A"), {}, {}, {}})) {
            QStringList cells;
            for (const auto &cell : row.activities)
                cells << QStringLiteral("%1 %2/%3").arg(cell.activity).arg(cell.right).arg(cell.wrong);
            grid << row.pupil.name + ": " + cells.join(", ");
        }
        QCOMPARE(grid, QStringList({"Amy: cv 0/1, similes 2/0", "bea: ", "zak: similes 1/1"}));

        QVERIFY(store.renamePupil(ids.at(0), QStringLiteral("Zak M"), &error));
        QVERIFY(!store.renamePupil(ids.at(0), QStringLiteral("amy"), &error));
        QCOMPARE(error, QStringLiteral("\"amy\" is already in class 6A."));
        QVERIFY(store.addPupils(QStringLiteral("5B"), {"Amy"}, &error).size() == 1);
        QVERIFY(!store.movePupil(ids.at(1), QStringLiteral("5B"), &error));
        QCOMPARE(error, QStringLiteral("\"Amy\" is already in class 5B."));
        QVERIFY(store.movePupil(ids.at(0), QStringLiteral("5B"), &error));
        store.signIn(ids.at(0));
        play(store, QStringLiteral("sort"), QStringLiteral("R"));
        store.visitEnded();
        kept.clear();
        for (const auto &visit : store.visits({{}, {}, {}, ids.at(0)}))
            kept << visit.classLabel + "/" + visit.pupil;
        QCOMPARE(kept, QStringList({"6A/Zak M", "5B/Zak M"})); // kept visits keep their class
        // Summed wherever they were made; one pupil when the filter names one.
        const auto zak = store.pupilSummary({QStringLiteral("5B"), {}, {}, ids.at(0)});
        QCOMPARE(zak.size(), 1);
        QCOMPARE(zak.first().activities.size(), 2);

        // One pupil's results for a parent: their visits alone, with the pupil column.
        const QString out = m_dir.filePath(QStringLiteral("pupil-%1.csv").arg(m_count));
        QCOMPARE(store.exportCsv(out, {{}, {}, {}, ids.at(1)}, &error), 2);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QVERIFY(lines.at(0).startsWith("date,start time,class,pupil,activity,"));
        QVERIFY(lines.at(1).contains(",6A,Amy,similes,"));
        QCOMPARE(store.clear({{}, {}, {}, ids.at(1)}), 2);
        QCOMPARE(store.visits().size(), 3);
    }

    // Each visit is ready to send once it has ended: its UUID is made at its start and kept
    // when written; only ended visits are listed, oldest first, and marked sent; the marks
    // survive reopening; removing a pupil or class removes their visits, sent or not.
    void readyToSend()
    {
        QString error;
        QString first;
        QString third;
        {
            ResultsStore store(m_path);
            store.setClassLabel(QStringLiteral("5B"));
            const qint64 ann = store.addPupils(QStringLiteral("5B"), {"Ann"}, &error).value(0);
            play(store, QStringLiteral("similes"), QStringLiteral("R W")); // written at its second item
            first = sql(m_path, "SELECT uuid FROM visits").toString();
            QVERIFY(!QUuid::fromString(first).isNull());
            QVERIFY(store.unsentVisits(10).isEmpty()); // under way
            QVERIFY(store.markSent({first}, &error));   // passed over while under way
            store.visitEnded();
            QCOMPARE(sql(m_path, "SELECT uuid || sent FROM visits").toString(), first + "0");
            store.signIn(ann);
            play(store, QStringLiteral("cv"), QStringLiteral("R"));
            store.signIn(0);
            play(store, QStringLiteral("sort"), QStringLiteral("W R")); // under way
            third = sql(m_path, "SELECT uuid FROM visits WHERE activity = 'sort'").toString();

            QStringList unsent;
            for (const auto &visit : store.unsentVisits(10))
                unsent << QStringList{visit.uuid.left(8), visit.computer, visit.classLabel, visit.pupil, visit.activity,
                                      QString::number(visit.items), visit.unit, QString::number(visit.rightFirstTime),
                                      QString::number(visit.wrongFirstTime)}
                              .join(' ');
            const QString host = QSysInfo::machineHostName();
            QCOMPARE(unsent, QStringList({first.left(8) + " " + host + " 5B  similes 2 question 1 1",
                                          store.unsentVisits(10).value(1).uuid.left(8) + " " + host
                                              + " 5B Ann cv 1 set 1 0"}));
            QCOMPARE(store.unsentVisits(1).size(), 1);
            QCOMPARE(store.unsentVisits(1).first().uuid, first);
            QVERIFY(store.markSent({first, third, "no such visit"}, &error));
            QCOMPARE(store.unsentVisits(10).size(), 1);
        } // ends the third visit
        ResultsStore again(m_path);
        QCOMPARE(sql(m_path, "SELECT group_concat(activity || sent, ' ') FROM (SELECT * FROM visits ORDER BY id)")
                     .toString(),
                 QStringLiteral("similes1 cv0 sort0"));
        QCOMPARE(sql(m_path, "SELECT uuid FROM visits WHERE activity = 'sort'").toString(), third);
        QCOMPARE(again.unsentVisits(10).size(), 2);
        QCOMPARE(again.removePupil(again.pupils().first().id, &error), 1);
        QCOMPARE(again.removeClass(QStringLiteral("5B"), &error), 2); // one sent, one not
        QVERIFY(again.unsentVisits(10).isEmpty());
    }

    // A pupil removed from another copy of the program (the teacher's computer) while
    // signed in here: their visit is not kept, and the visits after it are.
    void pupilRemovedElsewhere()
    {
        ResultsStore pupils(m_path);
        ResultsStore teacher(m_path);
        QString error;
        const QList<qint64> ids = teacher.addPupils(QStringLiteral("5B"), {"Ann"}, &error);
        QCOMPARE(ids.size(), 1);
        pupils.signIn(ids.first());
        play(pupils, QStringLiteral("similes"), QStringLiteral("R W")); // one item written
        QCOMPARE(teacher.removePupil(ids.first(), &error), 1);
        pupils.visitEnded();
        pupils.signIn(0);
        play(pupils, QStringLiteral("similes"), QStringLiteral("R"));
        pupils.visitEnded();
        QCOMPARE(teacher.visits().size(), 1);
        QCOMPARE(teacher.visits().first().pupil, QString());
        QVERIFY2(pupils.problem().isEmpty(), qPrintable(pupils.problem()));
    }

    // Removing a pupil or a class deletes for good: the name's bytes are nowhere in the
    // file nor its logs once the store is closed; the other class's pupil is untouched.
    void removalLeavesNoTrace_data()
    {
        QTest::addColumn<bool>("wholeClass");
        QTest::newRow("remove pupil") << false;
        QTest::newRow("remove class") << true;
    }
    void removalLeavesNoTrace()
    {
        QFETCH(bool, wholeClass);
        QString error;
        const auto fileBytes = [this] {
            QByteArray bytes;
            for (const char *suffix : {"", "-wal", "-journal"}) {
                QFile file(m_path + QLatin1String(suffix));
                if (file.open(QIODevice::ReadOnly))
                    bytes += file.readAll();
            }
            return bytes;
        };
        {
            ResultsStore store(m_path);
            store.setClassLabel(QStringLiteral("5B"));
            const QList<qint64> ids = store.addPupils(QStringLiteral("5B"), {"Zebedee Quill", "Xanthe"}, &error);
            QCOMPARE(store.addPupils(QStringLiteral("6A"), {"Yasmin Roe"}, &error).size(), 1);
            for (int i = 0; i < 30; ++i) {
                store.signIn(ids.at(0));
                play(store, QStringLiteral("similes"), QStringLiteral("R W R"));
                store.signIn(0);
                play(store, QStringLiteral("similes"), QStringLiteral("R"));
            }
            store.visitEnded();
            QVERIFY(store.renamePupil(ids.at(0), QStringLiteral("Zebedee Q"), &error));
            store.signIn(ids.at(0));
            play(store, QStringLiteral("cv"), QStringLiteral("R W")); // under way when removed
            const int removed = wholeClass ? store.removeClass(QStringLiteral("5B"), &error)
                                           : store.removePupil(ids.at(0), &error);
            QVERIFY2(removed == (wholeClass ? 61 : 31), qPrintable(error));
            QCOMPARE(store.signedIn(), 0);
            store.visitEnded();
            QCOMPARE(store.visits().size(), wholeClass ? 0 : 30);
            QCOMPARE(store.pupils().size(), wholeClass ? 1 : 2);
            QVERIFY(!fileBytes().contains("Zebedee")); // at once, while the program goes on
        }
        const QByteArray bytes = fileBytes();
        QVERIFY(!bytes.contains("Zebedee"));
        QCOMPARE(bytes.contains("Xanthe"), !wholeClass);
        QVERIFY(bytes.contains("Yasmin Roe")); // the check can find a name
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_count = 0;
};

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--race") == 0) {
        QCoreApplication app(argc, argv);
        return race(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toLongLong());
    }
    if (argc == 3 && qstrcmp(argv[1], "--record-then-wait") == 0) {
        QCoreApplication app(argc, argv);
        return recordThenWait(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestResultsStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_resultsstore.moc"
