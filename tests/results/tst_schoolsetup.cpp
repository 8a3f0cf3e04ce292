// `quorvale --school-setup SERVICE` against a real PostgreSQL server the test starts itself
// (as the postgres user, in a temporary folder, on a private port on 127.0.0.1), with the
// service and password files an administrator would deploy.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {
const QString Bin = QStringLiteral("/usr/lib/postgresql/15/bin/");
const QString AdminPassword = QStringLiteral("admin-secret");
}

class TestSchoolSetup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_port = 0;
    bool m_running = false;

    bool asPostgres(const QStringList &command)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")} + command);
        const bool ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (!ok)
            qWarning("%s", p.readAll().constData());
        return ok;
    }
    void stopServer()
    {
        if (m_running)
            asPostgres({Bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")),
                        QStringLiteral("-w"), QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")});
        m_running = false;
    }
    static void write(const QString &path, const QString &text)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(file.write(text.toUtf8()) == text.toUtf8().size());
    }
    QString service(const QString &name, const QString &user, int port, const QString &extra = {}) const
    {
        return QStringLiteral("[%1]\nhost=127.0.0.1\nport=%2\ndbname=postgres\nuser=%3\n%4")
            .arg(name).arg(port).arg(user, extra);
    }
    // A direct connection as user (not through the service), for checking what a role may do.
    QSqlDatabase connect(const QString &user, const QString &password)
    {
        if (QSqlDatabase::contains(user))
            return QSqlDatabase::database(user);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), user);
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(m_port);
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(user);
        db.setPassword(password);
        if (!db.open())
            qWarning("%s", qPrintable(db.lastError().text()));
        return db;
    }
    static QString exec(QSqlDatabase db, const QString &sql)
    {
        QSqlQuery query(db);
        return query.exec(sql) ? QString() : query.lastError().databaseText();
    }
    void start(QProcess &program, const QString &name, const QString &outputFile = {})
    {
        if (!outputFile.isEmpty())
            program.setStandardOutputFile(outputFile);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGSERVICEFILE"), m_dir.filePath(QStringLiteral("services")));
        env.insert(QStringLiteral("PGPASSFILE"), m_dir.filePath(QStringLiteral("passwords")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("share")));
        env.remove(QStringLiteral("DISPLAY"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(QUORVALE_PROGRAM), {QStringLiteral("--school-setup"), name});
    }
    // The program's exit code once it has ended, with what it printed.
    static int finish(QProcess &program, QByteArray *output)
    {
        if (!program.waitForFinished(60000))
            return -1;
        *output = program.readAllStandardOutput() + program.readAllStandardError();
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }
    int setup(const QString &name, QByteArray *output, const QString &outputFile = {})
    {
        QProcess program;
        start(program, name, outputFile);
        return finish(program, output);
    }

public:
    ~TestSchoolSetup() override { stopServer(); }

private slots:
    void initTestCase()
    {
        if (geteuid() != 0)
            QSKIP("starting a PostgreSQL server for the test needs root (to run it as the postgres user)");
        if (!QFile::exists(Bin + QStringLiteral("initdb")))
            QSKIP("PostgreSQL 15 is not installed");
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            QSKIP("Qt's PostgreSQL driver (libqt6sql6-psql) is not installed");
        QVERIFY(m_dir.isValid());
        write(m_dir.filePath(QStringLiteral("pw")), AdminPassword + QLatin1Char('\n'));
        QProcess chown;
        chown.start(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("postgres"), m_dir.path()});
        QVERIFY(chown.waitForFinished() && chown.exitCode() == 0);
        QVERIFY(asPostgres({Bin + QStringLiteral("initdb"), QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")),
                            QStringLiteral("-A"), QStringLiteral("scram-sha-256"), QStringLiteral("--pwfile=") + m_dir.filePath(QStringLiteral("pw")),
                            QStringLiteral("-U"), QStringLiteral("admin"), QStringLiteral("-N")}));
        // A private port; another one is tried when it is taken.
        for (int attempt = 0; attempt < 5 && !m_running; ++attempt) {
            m_port = 20000 + (getpid() * 7 + attempt * 977) % 30000;
            m_running = asPostgres({Bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")),
                                    QStringLiteral("-l"), m_dir.filePath(QStringLiteral("log")), QStringLiteral("-w"),
                                    QStringLiteral("-o"), QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                                                              .arg(m_port).arg(m_dir.path()), QStringLiteral("start")});
        }
        QVERIFY(m_running);
        write(m_dir.filePath(QStringLiteral("services")),
              service(QStringLiteral("school"), QStringLiteral("admin"), m_port)
                  + service(QStringLiteral("wrongpw"), QStringLiteral("admin"), m_port, QStringLiteral("password=not-it\n"))
                  + service(QStringLiteral("down"), QStringLiteral("admin"), m_port + 1)
                  + service(QStringLiteral("suite"), QStringLiteral("suite_pc"), m_port));
        write(m_dir.filePath(QStringLiteral("passwords")),
              QStringLiteral("127.0.0.1:*:*:admin:%1\n127.0.0.1:*:*:suite_pc:pc-secret\n").arg(AdminPassword));
        QVERIFY(QFile::setPermissions(m_dir.filePath(QStringLiteral("passwords")), QFile::ReadOwner | QFile::WriteOwner));
    }
    // Also when a test has failed: the server is never left running.
    void cleanupTestCase() { stopServer(); }

    void setUpThenNothingToDo()
    {
        // Two set-ups at once (two IT people): they take turns, and one of them does it all.
        QProcess first, second;
        start(first, QStringLiteral("school"));
        start(second, QStringLiteral("school"));
        QByteArray output, other;
        QCOMPARE(finish(first, &output), 0);
        QCOMPARE(finish(second, &other), 0);
        if (other.contains("created"))
            std::swap(output, other);
        QCOMPARE(other, QByteArray("nothing to do: the school database is up to date\n"));
        for (const char *line : {"created table visits", "created table pupils", "created role quorvale_pupil",
                                 "created role quorvale_teacher", "granted quorvale_pupil INSERT on visits"})
            QVERIFY2(output.contains(line), output.constData());
        QVERIFY2(!output.contains(AdminPassword.toUtf8()), output.constData());
        QCOMPARE(setup(QStringLiteral("school"), &output), 0);
        QCOMPARE(output, QByteArray("nothing to do: the school database is up to date\n"));
        // What was done cannot be told (a full disk): not reported as success.
        QCOMPARE(setup(QStringLiteral("school"), &output, QStringLiteral("/dev/full")), 2);
        QVERIFY2(output.contains("could not be written"), output.constData());
    }

    // What a pupil's computer and a teacher's login may do with the visits.
    void roles()
    {
        QSqlDatabase admin = connect(QStringLiteral("admin"), AdminPassword);
        QVERIFY(admin.isOpen());
        QCOMPARE(exec(admin, QStringLiteral("CREATE ROLE suite_pc LOGIN PASSWORD 'pc-secret' IN ROLE quorvale_pupil")), QString());
        QCOMPARE(exec(admin, QStringLiteral("CREATE ROLE front_desk LOGIN PASSWORD 'teacher-secret' IN ROLE quorvale_teacher")), QString());
        QSqlDatabase pupil = connect(QStringLiteral("suite_pc"), QStringLiteral("pc-secret"));
        QVERIFY(pupil.isOpen());
        QCOMPARE(exec(pupil, QStringLiteral("INSERT INTO visits (id, computer, class, pupil, items) VALUES "
                                            "('6f1c1d2e-0000-4000-8000-000000000001', 'suite-1', '5B', 'Amara', 4)")), QString());
        // Sent again (the computer never heard the commit): kept once, without an error. With no
        // conflict target, which would need the right to read the visits.
        QCOMPARE(exec(pupil, QStringLiteral("INSERT INTO visits (id, items) VALUES "
                                            "('6f1c1d2e-0000-4000-8000-000000000001', 9) ON CONFLICT DO NOTHING")), QString());
        QCOMPARE(exec(pupil, QStringLiteral("SELECT name FROM pupils")), QString());
        for (const char *sql : {"SELECT * FROM visits", "DELETE FROM visits", "UPDATE visits SET items = 0",
                                "INSERT INTO pupils (id, name, class) VALUES (gen_random_uuid(), 'X', '5B')"})
            QVERIFY2(exec(pupil, QString::fromLatin1(sql)).contains(QLatin1String("permission denied")), sql);
        QSqlDatabase teacher = connect(QStringLiteral("front_desk"), QStringLiteral("teacher-secret"));
        QVERIFY(teacher.isOpen());
        QSqlQuery read(teacher);
        QVERIFY(read.exec(QStringLiteral("SELECT pupil FROM visits")) && read.next());
        QCOMPARE(read.value(0).toString(), QStringLiteral("Amara"));
        QVERIFY(!read.next());
        QCOMPARE(exec(teacher, QStringLiteral("DELETE FROM visits WHERE pupil = 'Amara'")), QString());
        QCOMPARE(exec(teacher, QStringLiteral("INSERT INTO pupils (id, name, class) VALUES (gen_random_uuid(), 'Amara', '5B')")), QString());
        QVERIFY(!exec(teacher, QStringLiteral("INSERT INTO pupils (id, name, class) VALUES (gen_random_uuid(), 'AMARA', '5B')")).isEmpty());
        // A login in the pupils' group cannot set the school database up.
        QByteArray output;
        QCOMPARE(setup(QStringLiteral("suite"), &output), 2);
        QVERIFY2(output.contains("needs an administrator's login"), output.constData());
    }

    void refused_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("reason");
        QTest::newRow("wrong password") << "wrongpw" << "refused the password for the service \"wrongpw\"";
        QTest::newRow("unknown service") << "nowhere" << "no connection service called \"nowhere\"";
        QTest::newRow("server down") << "down" << "server for the service \"down\" cannot be reached";
        QTest::newRow("not a plain word") << "school host=evil" << "is not a connection service name";
        QTest::newRow("schema too new") << "school" << "set up by a newer Quorvale";
    }
    void refused()
    {
        QFETCH(QString, service);
        QFETCH(QString, reason);
        QSqlDatabase admin = connect(QStringLiteral("admin"), AdminPassword);
        const bool tooNew = reason.contains(QLatin1String("newer"));
        if (tooNew)
            QCOMPARE(exec(admin, QStringLiteral("UPDATE quorvale_schema SET version = 99")), QString());
        QByteArray output;
        const int status = setup(service, &output);
        QSqlQuery tables(admin);
        QVERIFY(tables.exec(QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'")) && tables.next());
        if (tooNew)
            QCOMPARE(exec(admin, QStringLiteral("UPDATE quorvale_schema SET version = 1")), QString());
        QCOMPARE(status, 2);
        QCOMPARE(output.count('\n'), 1);
        QVERIFY2(output.startsWith("quorvale: ") && output.contains(reason.toUtf8()), output.constData());
        QCOMPARE(tables.value(0).toInt(), 3);
    }
};

QTEST_GUILESS_MAIN(TestSchoolSetup)
#include "tst_schoolsetup.moc"
