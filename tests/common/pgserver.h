#pragma once

// A real PostgreSQL 15 server for a test: made in a temporary folder, run as the postgres
// user (the server refuses root) on a private port on 127.0.0.1, with the service and
// password files an administrator would give every computer. Stopped when the object goes,
// also when a test has failed.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <unistd.h>

class TestPostgres
{
public:
    static inline const QString AdminPassword = QStringLiteral("admin-secret");

    ~TestPostgres() { stop(); }

    // Why the server cannot be had on this machine (the test then skips), or empty.
    static QString unavailable()
    {
        if (geteuid() != 0)
            return QStringLiteral("starting a PostgreSQL server for the test needs root (to run it as the postgres user)");
        if (!QFile::exists(bin(QStringLiteral("initdb"))))
            return QStringLiteral("PostgreSQL 15 is not installed");
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            return QStringLiteral("Qt's PostgreSQL driver (libqt6sql6-psql) is not installed");
        return {};
    }

    // Makes the database cluster (login "admin") and starts the server; false when it fails.
    bool create()
    {
        if (!m_dir.isValid() || !write(m_dir.filePath(QStringLiteral("pw")), AdminPassword + QLatin1Char('\n')))
            return false;
        QProcess chown;
        chown.start(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("postgres"), m_dir.path()});
        if (!chown.waitForFinished() || chown.exitCode() != 0)
            return false;
        if (!asPostgres({bin(QStringLiteral("initdb")), QStringLiteral("-D"), data(), QStringLiteral("-A"),
                         QStringLiteral("scram-sha-256"), QStringLiteral("--pwfile=") + m_dir.filePath(QStringLiteral("pw")),
                         QStringLiteral("-U"), QStringLiteral("admin"), QStringLiteral("-N")}))
            return false;
        // A private port; another one is tried when it is taken.
        for (int attempt = 0; attempt < 5 && !m_running; ++attempt) {
            m_port = 20000 + (getpid() * 7 + attempt * 977) % 30000;
            start();
        }
        return m_running;
    }
    // Starts the server again on the same port (after stop()).
    bool start()
    {
        if (!m_running)
            m_running = asPostgres({bin(QStringLiteral("pg_ctl")), QStringLiteral("-D"), data(), QStringLiteral("-l"),
                                    m_dir.filePath(QStringLiteral("log")), QStringLiteral("-w"), QStringLiteral("-o"),
                                    QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                                        .arg(m_port).arg(m_dir.path()),
                                    QStringLiteral("start")});
        return m_running;
    }
    void stop()
    {
        if (m_running)
            asPostgres({bin(QStringLiteral("pg_ctl")), QStringLiteral("-D"), data(), QStringLiteral("-w"),
                        QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")});
        m_running = false;
    }

    int port() const { return m_port; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A service file entry for a login on this server (extra: more lines, "password=..." ...).
    QString service(const QString &name, const QString &user, const QString &extra = {}, int port = 0) const
    {
        return QStringLiteral("[%1]\nhost=127.0.0.1\nport=%2\ndbname=postgres\nuser=%3\nconnect_timeout=5\n%4")
            .arg(name).arg(port ? port : m_port).arg(user, extra);
    }
    // Writes the service file and the password file (mode 0600) the programs are given.
    bool setConnections(const QString &services, const QString &passwords)
    {
        return write(path(QStringLiteral("services")), services) && write(path(QStringLiteral("passwords")), passwords)
            && QFile::setPermissions(path(QStringLiteral("passwords")), QFile::ReadOwner | QFile::WriteOwner);
    }
    // The environment a program started by the test runs in: this server's files, and its
    // own settings and results folders under home (a computer of its own).
    QProcessEnvironment environment(const QString &home) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGSERVICEFILE"), path(QStringLiteral("services")));
        env.insert(QStringLiteral("PGPASSFILE"), path(QStringLiteral("passwords")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/share"));
        return env;
    }
    // The same files for this process (a store or teacher window made inside the test).
    void useConnectionsHere() const
    {
        qputenv("PGSERVICEFILE", path(QStringLiteral("services")).toLocal8Bit());
        qputenv("PGPASSFILE", path(QStringLiteral("passwords")).toLocal8Bit());
    }

    // A direct connection as user (not through a service), for checking what a role may do.
    QSqlDatabase connect(const QString &user, const QString &password) const
    {
        if (QSqlDatabase::contains(user)) {
            // Opened afresh after the server was stopped and started again.
            QSqlDatabase db = QSqlDatabase::database(user);
            if (!QSqlQuery(db).exec(QStringLiteral("SELECT 1"))) {
                db.close();
                db.open();
            }
            return db;
        }
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
    QSqlDatabase admin() const { return connect(QStringLiteral("admin"), AdminPassword); }
    // Runs sql: empty when it worked, else the server's message.
    static QString exec(QSqlDatabase db, const QString &sql)
    {
        QSqlQuery query(db);
        return query.exec(sql) ? QString() : query.lastError().databaseText() + query.lastError().driverText();
    }
    // The first column of the first row sql returns (invalid when it fails).
    static QVariant value(QSqlDatabase db, const QString &sql)
    {
        QSqlQuery query(db);
        return query.exec(sql) && query.next() ? query.value(0) : QVariant();
    }

    static bool write(const QString &path, const QString &text)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) == text.toUtf8().size();
    }

private:
    static QString bin(const QString &name) { return QStringLiteral("/usr/lib/postgresql/15/bin/") + name; }
    QString data() const { return m_dir.filePath(QStringLiteral("data")); }
    static bool asPostgres(const QStringList &command)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")} + command);
        const bool ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (!ok)
            qWarning("%s", p.readAll().constData());
        return ok;
    }

    QTemporaryDir m_dir;
    int m_port = 0;
    bool m_running = false;
};
