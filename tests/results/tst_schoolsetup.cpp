// `quorvale --school-setup SERVICE` against a real PostgreSQL server the test starts itself
// (as the postgres user, in a temporary folder, on a private port on 127.0.0.1), with the
// service and password files an administrator would deploy.
#include "pgserver.h"

#include <QtTest>

class TestSchoolSetup : public QObject
{
    Q_OBJECT

    TestPostgres m_server;

    QSqlDatabase connect(const QString &user, const QString &password) { return m_server.connect(user, password); }
    static QString exec(QSqlDatabase db, const QString &sql) { return TestPostgres::exec(db, sql); }
    void start(QProcess &program, const QString &name, const QString &outputFile = {})
    {
        if (!outputFile.isEmpty())
            program.setStandardOutputFile(outputFile);
        QProcessEnvironment env = m_server.environment(m_server.path(QStringLiteral("home")));
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

private slots:
    void initTestCase()
    {
        if (const QString why = TestPostgres::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(m_server.create());
        QVERIFY(m_server.setConnections(
            m_server.service(QStringLiteral("school"), QStringLiteral("admin"))
                + m_server.service(QStringLiteral("wrongpw"), QStringLiteral("admin"), QStringLiteral("password=not-it\n"))
                + m_server.service(QStringLiteral("down"), QStringLiteral("admin"), {}, m_server.port() + 1)
                + m_server.service(QStringLiteral("suite"), QStringLiteral("suite_pc")),
            QStringLiteral("127.0.0.1:*:*:admin:%1\n127.0.0.1:*:*:suite_pc:pc-secret\n").arg(TestPostgres::AdminPassword)));
    }
    // Also when a test has failed: the server is never left running.
    void cleanupTestCase() { m_server.stop(); }

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
        QVERIFY2(!output.contains(TestPostgres::AdminPassword.toUtf8()), output.constData());
        QCOMPARE(setup(QStringLiteral("school"), &output), 0);
        QCOMPARE(output, QByteArray("nothing to do: the school database is up to date\n"));
        // What was done cannot be told (a full disk): not reported as success.
        QCOMPARE(setup(QStringLiteral("school"), &output, QStringLiteral("/dev/full")), 2);
        QVERIFY2(output.contains("could not be written"), output.constData());
    }

    // What a pupil's computer and a teacher's login may do with the visits.
    void roles()
    {
        QSqlDatabase admin = connect(QStringLiteral("admin"), TestPostgres::AdminPassword);
        QVERIFY(admin.isOpen());
        QCOMPARE(exec(admin, QStringLiteral("CREATE ROLE suite_pc LOGIN PASSWORD 'pc-secret' IN ROLE quorvale_pupil")), QString());
        QCOMPARE(exec(admin, QStringLiteral("CREATE ROLE front_desk LOGIN PASSWORD 'teacher-secret' IN ROLE quorvale_teacher")), QString());
        QSqlDatabase pupil = connect(QStringLiteral("suite_pc"), QStringLiteral("pc-secret"));
        QVERIFY(pupil.isOpen());
        QCOMPARE(exec(pupil, QStringLiteral("INSERT INTO visits (id, computer, started, class, pupil, activity, items) VALUES "
                                            "('6f1c1d2e-0000-4000-8000-000000000001', 'suite-1', now(), '5B', 'Amara', 'similes', 4)")), QString());
        // Sent again (the computer never heard the commit): kept once, without an error. With no
        // conflict target, which would need the right to read the visits.
        QCOMPARE(exec(pupil, QStringLiteral("INSERT INTO visits (id, started, activity, items) VALUES "
                                            "('6f1c1d2e-0000-4000-8000-000000000001', now(), 'similes', 9) ON CONFLICT DO NOTHING")), QString());
        QCOMPARE(exec(pupil, QStringLiteral("SELECT name FROM pupils")), QString());
        QCOMPARE(exec(pupil, QStringLiteral("INSERT INTO lesson (at, computer, event) VALUES (now(), 'suite-1', 'right')")), QString());
        for (const char *sql : {"SELECT * FROM visits", "DELETE FROM visits", "UPDATE visits SET items = 0", "SELECT * FROM lesson",
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
        QSqlDatabase admin = connect(QStringLiteral("admin"), TestPostgres::AdminPassword);
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
        QCOMPARE(tables.value(0).toInt(), 4);
    }
};

QTEST_GUILESS_MAIN(TestSchoolSetup)
#include "tst_schoolsetup.moc"
