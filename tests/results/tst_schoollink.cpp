// Computers joined to a real school database (a PostgreSQL server the test starts): visits
// kept first on each computer and delivered once, whatever fails on the way; the class lists
// and the lesson as the teacher window reads them.
#include "pgserver.h"
#include "resultsstore.h"
#include "schooldatabase.h"
#include "schoolresults.h"
#include "settings.h"

#include <QtTest>

#include <csignal>

namespace {
const QString PupilLogin = QStringLiteral("suite_pc");
const QString TeacherLogin = QStringLiteral("class_teacher");
} // namespace

class TestSchoolLink : public QObject
{
    Q_OBJECT

    TestPostgres m_server;
    QTemporaryDir m_home;
    int m_computers = 0;

    QSqlDatabase admin() { return m_server.admin(); }
    int count(const QString &sql) { return TestPostgres::value(admin(), sql).toInt(); }
    QString file(const QString &name) const { return m_home.filePath(name); }

    // A pupils' computer, as its own process: `schoolcomputer` plays visits through the
    // program's results module with the pupils' service, and waits for them to be delivered.
    void startComputer(QProcess &computer, const QString &results, const QStringList &options)
    {
        computer.setProcessEnvironment(m_server.environment(file(QStringLiteral("computer%1").arg(++m_computers))));
        computer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        computer.start(QStringLiteral(SCHOOL_COMPUTER),
                       QStringList{QStringLiteral("--results"), results, QStringLiteral("--service"),
                                   QStringLiteral("suite")} + options);
    }
    // Its exit code once it has ended (-1 when killed or still running after the time).
    static int finish(QProcess &computer, int seconds = 90)
    {
        if (!computer.waitForFinished(seconds * 1000))
            return -1;
        return computer.exitStatus() == QProcess::NormalExit ? computer.exitCode() : -1;
    }
    static QStringList visits(QStringList lines)
    {
        lines.removeIf([](const QString &line) { return !line.startsWith(QLatin1String("ended ")); });
        return lines;
    }
    static QStringList output(QProcess &computer)
    {
        return QString::fromUtf8(computer.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // The number of visits in a results file not yet marked as sent.
    static int unsentIn(const QString &path)
    {
        ResultsStore store(path);
        store.setReadOnly();
        return store.unsentCount();
    }

private slots:
    void initTestCase()
    {
        if (const QString why = TestPostgres::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(m_home.isValid());
        QVERIFY(m_server.create());
        QVERIFY(m_server.setConnections(
            m_server.service(QStringLiteral("admin"), QStringLiteral("admin"))
                + m_server.service(QStringLiteral("suite"), PupilLogin)
                + m_server.service(QStringLiteral("teacher"), TeacherLogin)
                + m_server.service(QStringLiteral("wrongpw"), PupilLogin, QStringLiteral("password=not-it\n"))
                + m_server.service(QStringLiteral("stranger"), QStringLiteral("stranger")),
            QStringLiteral("127.0.0.1:*:*:admin:%1\n127.0.0.1:*:*:%2:pc-secret\n127.0.0.1:*:*:%3:teacher-secret\n"
                           "127.0.0.1:*:*:stranger:stranger-secret\n")
                .arg(TestPostgres::AdminPassword, PupilLogin, TeacherLogin)));
        m_server.useConnectionsHere();
        qputenv("XDG_CONFIG_HOME", file(QStringLiteral("config")).toLocal8Bit());
        QTextStream out(stdout);
        QString reason;
        QVERIFY2(SchoolDatabase::setUp(QStringLiteral("admin"), out, &reason), qPrintable(reason));
        for (const QString &sql :
             {QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'pc-secret' IN ROLE quorvale_pupil").arg(PupilLogin),
              QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'teacher-secret' IN ROLE quorvale_teacher").arg(TeacherLogin),
              QStringLiteral("CREATE ROLE stranger LOGIN PASSWORD 'stranger-secret'")})
            QCOMPARE(TestPostgres::exec(admin(), sql), QString());
    }
    void cleanupTestCase() { m_server.stop(); }

    // Two computers in one lesson, each with its own pupil; the teacher's window sees both
    // within moments of an answer, and every visit arrives once.
    void twoComputersOneLesson()
    {
        SchoolResults teacher(file(QStringLiteral("teacher.sqlite")), QStringLiteral("teacher"));
        QString error;
        const QList<qint64> added = teacher.addPupils(QStringLiteral("6A"), {QStringLiteral("Amara K."), QStringLiteral("Ben T.")}, &error);
        QVERIFY2(added.size() == 2 && !added.contains(0), qPrintable(error));
        QVERIFY(teacher.showsSchool());
        // A name already in the school's class is refused whole, whoever typed it.
        QVERIFY(teacher.addPupils(QStringLiteral("6A"), {QStringLiteral("Cara M."), QStringLiteral("amara k.")}, &error).isEmpty());
        QVERIFY2(error.contains(QLatin1String("\"amara k.\" is already in class 6A.")), qPrintable(error));
        int lessonCalls = 0;
        teacher.addLessonListener([&lessonCalls] { ++lessonCalls; });
        QVERIFY(teacher.lesson(&error).isEmpty());

        QProcess first, second;
        startComputer(first, file(QStringLiteral("a.sqlite")),
                      {QStringLiteral("--class"), QStringLiteral("6A"), QStringLiteral("--pupils"), QStringLiteral("Amara K."),
                       QStringLiteral("--visits"), QStringLiteral("3"), QStringLiteral("--items"), QStringLiteral("4"),
                       QStringLiteral("--answer-ms"), QStringLiteral("150"), QStringLiteral("--wrong-every"),
                       QStringLiteral("1"), QStringLiteral("--wait-delivered"), QStringLiteral("30")});
        startComputer(second, file(QStringLiteral("b.sqlite")),
                      {QStringLiteral("--class"), QStringLiteral("6A"), QStringLiteral("--pupils"), QStringLiteral("Ben T."),
                       QStringLiteral("--visits"), QStringLiteral("3"), QStringLiteral("--items"), QStringLiteral("4"),
                       QStringLiteral("--answer-ms"), QStringLiteral("150"), QStringLiteral("--wait-delivered"),
                       QStringLiteral("30")});
        // Pushed, not polled: the first answers reach the teacher's window while the lesson goes on.
        QTRY_VERIFY_WITH_TIMEOUT(lessonCalls > 0, 15000);
        QCOMPARE(finish(first), 0);
        QCOMPARE(finish(second), 0);
        QCOMPARE(visits(output(first)).size(), 3);
        QCOMPARE(visits(output(second)).size(), 3);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM visits")), 6);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM visits v JOIN pupils p ON p.id = v.pupil_id AND p.name = v.pupil")), 6);
        QCOMPARE(unsentIn(file(QStringLiteral("a.sqlite"))), 0);

        const QList<Results::LessonPupil> lesson = teacher.lesson(&error);
        QCOMPARE(lesson.size(), 2);
        QCOMPARE(lesson[0].name, QStringLiteral("Amara K."));
        QCOMPARE(lesson[0].items, 12);
        QCOMPARE(lesson[0].right, 0);
        QVERIFY(lesson[0].threeWrong);
        QCOMPARE(lesson[1].name, QStringLiteral("Ben T."));
        QCOMPARE(lesson[1].right, 12);
        QVERIFY(!lesson[1].threeWrong);
        QVERIFY(lesson[1].activity.isEmpty()); // signed out
        const QList<Results::Visit> seen = teacher.visits({QStringLiteral("6A"), QDateTime(), QDateTime(), added[1]});
        QCOMPARE(seen.size(), 3);
        QCOMPARE(seen[0].computer, QSysInfo::machineHostName());
        QCOMPARE(seen[0].rightFirstTime, 4);
        const QList<Results::Summary> summary = teacher.summary({QStringLiteral("6A"), QDateTime(), QDateTime(), std::nullopt});
        QCOMPARE(summary.size(), 1);
        QCOMPARE(summary[0].visits, 6);
        QCOMPARE(summary[0].right, 12);
        const QList<Results::PupilSummary> byPupil = teacher.pupilSummary({QStringLiteral("6A"), QDateTime(), QDateTime(), std::nullopt});
        QCOMPARE(byPupil.size(), 2);
        QCOMPARE(byPupil[0].activities.constFirst().visits, 3);
        QCOMPARE(byPupil[0].activities.constFirst().wrong, 12);
        QCOMPARE(byPupil[1].activities.constFirst().right, 12);
        // A period with none of their visits: the pupils, with nothing done.
        const QList<Results::PupilSummary> later = teacher.pupilSummary(
            {QStringLiteral("6A"), QDateTime::currentDateTime().addSecs(3600), QDateTime(), added[1]});
        QCOMPARE(later.size(), 1);
        QVERIFY(later[0].activities.isEmpty());

        // An answer on another computer reaches the teacher's lesson within 2 seconds.
        {
            SchoolResults computer(file(QStringLiteral("c.sqlite")), QStringLiteral("suite"));
            computer.setClassLabel(QStringLiteral("6B"));
            QTest::qWait(50); // sending starts with the event loop
            computer.visitStarted(QStringLiteral("similes"), QStringLiteral("Similes"));
            computer.itemShown(0);
            QTRY_COMPARE_WITH_TIMEOUT(teacher.lesson(&error).size(), 3, 5000);
            QTest::qWait(500); // the notice of the start, read above, has come too
            const int calls = lessonCalls;
            QElapsedTimer answer;
            answer.start();
            computer.answered(false);
            QTRY_VERIFY_WITH_TIMEOUT(lessonCalls > calls, 2000);
            qInfo("an answer reached the teacher's lesson in %lld ms", answer.elapsed());
            const Results::LessonPupil here = teacher.lesson(&error).constLast();
            QCOMPARE(here.name, QString());
            QCOMPARE(here.classLabel, QStringLiteral("6B"));
            QCOMPARE(here.activity, QStringLiteral("Similes"));
            QCOMPARE(here.items, 1);
        }

        // Renamed and moved in the school's lists; a clash refused; the visits follow the name.
        QCOMPARE(teacher.addPupils(QStringLiteral("6B"), {QStringLiteral("Cara M.")}, &error).size(), 1);
        QVERIFY2(teacher.renamePupil(added[1], QStringLiteral("cara m."), &error), qPrintable(error));
        QVERIFY(!teacher.movePupil(added[1], QStringLiteral("6B"), &error));
        QCOMPARE(error, QStringLiteral("\"cara m.\" is already in class 6B."));
        QCOMPARE(teacher.visits({QStringLiteral("6A"), QDateTime(), QDateTime(), added[1]}).constFirst().pupil, QStringLiteral("cara m."));
        QVERIFY2(teacher.renamePupil(added[1], QStringLiteral("Ben T."), &error) && teacher.movePupil(added[1], QStringLiteral("6C"), &error),
                 qPrintable(error));
        QCOMPARE(TestPostgres::value(admin(), QStringLiteral("SELECT class FROM pupils WHERE name = 'Ben T.'")).toString(), QStringLiteral("6C"));

        // Removed by the teacher: gone from the school, and from a computer once it has the lists again.
        QCOMPARE(teacher.removePupil(added[0], &error), 3);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM visits")), 3);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM lesson WHERE pupil = 'Amara K.'")), 0);
        {
            SchoolResults computer(file(QStringLiteral("a.sqlite")), QStringLiteral("suite"));
            QTRY_COMPARE_WITH_TIMEOUT(computer.pupilsOf(QStringLiteral("6C")).size(), 1, 10000);
            QVERIFY(computer.pupilsOf(QStringLiteral("6A")).isEmpty());
            QCOMPARE(computer.visits().size(), 0);
        }
    }

    // The server stops in the middle of a lesson and starts again later: the lesson never
    // waits, and every visit arrives once.
    void serverAwayThenBack()
    {
        const int before = count(QStringLiteral("SELECT count(*) FROM visits"));
        m_server.stop();
        QProcess computer;
        startComputer(computer, file(QStringLiteral("away.sqlite")),
                      {QStringLiteral("--visits"), QStringLiteral("4"), QStringLiteral("--items"), QStringLiteral("3"),
                       QStringLiteral("--answer-ms"), QStringLiteral("100"), QStringLiteral("--wait-delivered"),
                       QStringLiteral("60")});
        // The visits are played at their pace with no server: 4 x 3 answers 100 ms apart.
        QTRY_COMPARE_WITH_TIMEOUT(visits(QString::fromUtf8(computer.peek(1 << 16)).split(QLatin1Char('\n'))).size(), 4, 10000);
        // From the first visit's end to the last's: 3 visits of 3 answers 100 ms apart, however
        // long the program took to start.
        const QStringList ended = visits(QString::fromUtf8(computer.peek(1 << 16)).split(QLatin1Char('\n')));
        const qint64 played = ended.constLast().section(QLatin1Char(' '), 1, 1).toLongLong()
            - ended.constFirst().section(QLatin1Char(' '), 1, 1).toLongLong();
        QVERIFY2(played < 3000, qPrintable(QString::number(played)));
        // Meanwhile the teacher's window shows this computer's own results, and says why.
        {
            SchoolResults teacher(file(QStringLiteral("teacher.sqlite")), QStringLiteral("teacher"));
            QVERIFY(!teacher.showsSchool());
            QVERIFY(teacher.visits().isEmpty());
            QVERIFY2(teacher.problem().contains(QLatin1String("cannot be reached"))
                         && teacher.problem().contains(QLatin1String("showing this computer's own results")),
                     qPrintable(teacher.problem()));
        }
        QTest::qWait(1000);
        QVERIFY(m_server.start());
        QCOMPARE(finish(computer), 0);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM visits")), before + 4);
        QCOMPARE(unsentIn(file(QStringLiteral("away.sqlite"))), 0);
    }

    // Killed after the school database committed its visits but before they were marked as
    // sent here (the file was held by another program): sent again at the next start, kept once.
    void killedBeforeMarkedSent()
    {
        const QString results = file(QStringLiteral("killed.sqlite"));
        const int before = count(QStringLiteral("SELECT count(*) FROM visits"));
        m_server.stop();
        QProcess computer;
        startComputer(computer, results,
                      {QStringLiteral("--visits"), QStringLiteral("3"), QStringLiteral("--items"), QStringLiteral("2"),
                       QStringLiteral("--answer-ms"), QStringLiteral("50"), QStringLiteral("--wait-delivered"),
                       QStringLiteral("1")});
        QCOMPARE(finish(computer), 1); // undelivered: the server is away
        QCOMPARE(unsentIn(results), 3);
        QVERIFY(m_server.start());
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
            holder.setDatabaseName(results);
            QVERIFY(holder.open());
            QSqlQuery hold(holder);
            QVERIFY(hold.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            startComputer(computer, results, {QStringLiteral("--visits"), QStringLiteral("0"), QStringLiteral("--wait-delivered"),
                                              QStringLiteral("60")});
            QTRY_COMPARE_WITH_TIMEOUT(count(QStringLiteral("SELECT count(*) FROM visits")), before + 3, 20000);
            ::kill(pid_t(computer.processId()), SIGKILL);
            QCOMPARE(finish(computer), -1);
            QVERIFY(hold.exec(QStringLiteral("ROLLBACK")));
            holder.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("holder"));
        QCOMPARE(unsentIn(results), 3);
        startComputer(computer, results, {QStringLiteral("--visits"), QStringLiteral("0"), QStringLiteral("--wait-delivered"),
                                          QStringLiteral("30")});
        QCOMPARE(finish(computer), 0);
        QCOMPARE(unsentIn(results), 0);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM visits")), before + 3);
    }

    // What a computer is told when it cannot send, and that nothing reaches the server then.
    void refused_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("said");
        QTest::newRow("wrong password") << "wrongpw" << "refused the password for the service \"wrongpw\"";
        QTest::newRow("no such service") << "nowhere" << "no connection service called \"nowhere\"";
        QTest::newRow("in neither group") << "stranger" << "may not use the school database";
        QTest::newRow("set up by a newer program") << "suite" << "set up by a newer Quorvale";
        QTest::newRow("works") << "suite" << "The connection works: this computer sends its results";
    }
    void refused()
    {
        QFETCH(QString, service);
        QFETCH(QString, said);
        const bool tooNew = said.contains(QLatin1String("newer"));
        const bool works = said.contains(QLatin1String("works"));
        if (tooNew)
            QCOMPARE(TestPostgres::exec(admin(), QStringLiteral("UPDATE quorvale_schema SET version = 99")), QString());
        const int before = count(QStringLiteral("SELECT count(*) FROM visits"));
        QString sentence;
        const bool ok = SchoolDatabase::check(service, &sentence);
        QString problem;
        {
            const QString results = file(QStringLiteral("refused-%1.sqlite").arg(QTest::currentDataTag()));
            SchoolResults computer(results, service);
            computer.visitStarted(QStringLiteral("similes"), QStringLiteral("Similes"));
            computer.itemShown(0);
            computer.answered(true);
            computer.visitEnded();
            if (works)
                QTRY_VERIFY2_WITH_TIMEOUT(computer.unsentVisits(10).isEmpty(), qPrintable(computer.problem()), 5000);
            else
                QTRY_VERIFY_WITH_TIMEOUT(!computer.problem().isEmpty() && computer.problem().contains(QLatin1String("visit")), 5000);
            problem = computer.problem();
        }
        if (tooNew)
            QCOMPARE(TestPostgres::exec(admin(), QStringLiteral("UPDATE quorvale_schema SET version = 1")), QString());
        QCOMPARE(ok, works);
        QVERIFY2(sentence.contains(said) && sentence.endsWith(QLatin1Char('.')), qPrintable(sentence));
        QVERIFY2(!sentence.contains(QLatin1String("secret")) && !problem.contains(QLatin1String("secret")), qPrintable(sentence));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM visits")), before + (works ? 1 : 0));
        if (!works)
            QVERIFY2(problem.contains(QLatin1String("1 visit kept on this computer has not reached the school database"))
                         && problem.contains(said.section(QLatin1Char('"'), 0, 0)),
                     qPrintable(problem));
    }

    // The file holding visits not yet delivered is found damaged: set aside, and the teacher
    // is told how many never reached the school.
    void damagedWithVisitsUnsent()
    {
        const QString results = file(QStringLiteral("damaged.sqlite"));
        m_server.stop();
        {
            SchoolResults computer(results, QStringLiteral("suite"));
            QTest::qWait(50); // sending starts with the event loop
            for (int visit = 0; visit < 2; ++visit) {
                computer.visitStarted(QStringLiteral("similes"), QStringLiteral("Similes"));
                computer.itemShown(0);
                computer.answered(false);
                computer.visitEnded();
            }
            QTRY_VERIFY_WITH_TIMEOUT(computer.problem().contains(QLatin1String("2 visits kept on this computer have")), 10000);
        }
        QCOMPARE(Settings().undeliveredVisits(), 2);
        QFile damage(results);
        QVERIFY(damage.open(QIODevice::ReadWrite));
        QVERIFY(damage.write(QByteArray(100, 'x')) == 100);
        damage.close();
        QVERIFY(m_server.start());
        SchoolResults computer(results, QStringLiteral("suite"));
        QTRY_VERIFY_WITH_TIMEOUT(computer.problem().contains(QLatin1String(
                                     "2 visits kept on this computer had not reached the school database when its "
                                     "results file was found damaged")),
                                 10000);
        QVERIFY(QFileInfo::exists(results)); // a new file in its place, the damaged one set aside
    }

    // With a service set, the command line's export is the school's.
    void exportFromSchool()
    {
        const QString home = file(QStringLiteral("exporter"));
        QVERIFY(QDir().mkpath(home + QStringLiteral("/config/Quorvale")));
        QVERIFY(TestPostgres::write(home + QStringLiteral("/config/Quorvale/Quorvale.ini"),
                                    QStringLiteral("[results]\nservice=teacher\n")));
        QProcess program;
        program.setProcessEnvironment(m_server.environment(home));
        program.start(QStringLiteral(QUORVALE_PROGRAM), {QStringLiteral("--export-results"), QStringLiteral("-")});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        const QStringList rows = QString::fromUtf8(program.readAllStandardOutput()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(rows.size() - 1, count(QStringLiteral("SELECT count(*) FROM visits")));
        QVERIFY(rows.size() > 3);
        // The server away: refused, rather than this computer's own results passed off as the school's.
        m_server.stop();
        program.start(QStringLiteral(QUORVALE_PROGRAM), {QStringLiteral("--export-results"), QStringLiteral("-")});
        QVERIFY(program.waitForFinished(30000));
        QVERIFY(m_server.start());
        QCOMPARE(program.exitCode(), 2);
        QVERIFY(program.readAllStandardError().contains("cannot be reached"));
    }
};

QTEST_GUILESS_MAIN(TestSchoolLink)
#include "tst_schoollink.moc"
