#include "schooldatabase.h"

#include "settings.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QUuid>

namespace SchoolDatabase {

namespace {
const QString PupilRole = QStringLiteral("quorvale_pupil");
const QString TeacherRole = QStringLiteral("quorvale_teacher");

// Runs statements in one transaction; false (and nothing kept) if any fails.
class Step
{
public:
    Step(QSqlDatabase &db, const QString &service) : m_db(db), m_service(service) {}

    bool begin(QString *reason)
    {
        if (m_db.transaction())
            return true;
        *reason = explain(m_db.lastError(), m_service);
        return false;
    }
    bool run(const QString &sql, QString *reason)
    {
        QSqlQuery query(m_db);
        if (query.exec(sql))
            return true;
        *reason = explain(query.lastError(), m_service);
        m_db.rollback();
        return false;
    }
    bool commit(QString *reason)
    {
        if (m_db.commit())
            return true;
        *reason = explain(m_db.lastError(), m_service);
        m_db.rollback();
        return false;
    }

private:
    QSqlDatabase &m_db;
    const QString &m_service;
};

// A single boolean or number the server answers; nullopt-like invalid QVariant on failure.
QVariant ask(QSqlDatabase &db, const QString &sql, const QVariantList &values, QSqlError *error)
{
    QSqlQuery query(db);
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        *error = query.lastError();
        return {};
    }
    return query.next() ? query.value(0) : QVariant(QMetaType(QMetaType::Int));
}

// The privileges each group role must hold on each table, and those a pupil's computer must
// not: it may add visits and read class lists, never read, change or remove results.
struct Privilege
{
    const QString &role;
    const char *table;
    const char *privilege;
    bool granted;
};

bool run(QSqlDatabase &db, const QString &service, QTextStream &out, QString *reason)
{
    QSqlError error;
    const QVariant allowed = ask(db, QStringLiteral("SELECT rolsuper OR rolcreaterole FROM pg_roles "
                                                    "WHERE rolname = current_user"), {}, &error);
    if (!allowed.isValid()) {
        *reason = explain(error, service);
        return false;
    }
    if (!allowed.toBool()) {
        *reason = QStringLiteral("the login in the service \"%1\" is not allowed to set up the school database: "
                                 "it needs an administrator's login").arg(service);
        return false;
    }

    // Every step holds the same lock, so two set-ups run at once take turns and the second
    // finds the first one's work done.
    const QString lock = QStringLiteral("SELECT pg_advisory_xact_lock(7234001)");
    bool changed = false;
    Step step(db, service);
    if (!step.begin(reason) || !step.run(lock, reason))
        return false;
    const QVariant hasSchema = ask(db, QStringLiteral("SELECT to_regclass('quorvale_schema') IS NOT NULL"), {}, &error);
    int version = 0;
    if (hasSchema.toBool()) {
        const QVariant kept = ask(db, QStringLiteral("SELECT coalesce(max(version), 0) FROM quorvale_schema"), {}, &error);
        version = kept.isValid() ? kept.toInt() : -1;
    }
    if (!hasSchema.isValid() || version < 0) {
        *reason = explain(error, service);
        db.rollback();
        return false;
    }
    if (version > SchemaVersion) {
        *reason = QStringLiteral("the school database was set up by a newer Quorvale");
        db.rollback();
        return false;
    }
    if (version < 1) {
        // Version 1: the visits every computer sends (one row per visit id, whatever is sent
        // twice), the class lists every computer shows, and what is happening in the lesson
        // now (each sign-in, activity opened and left, and first answer, as it happens), with
        // a notification to every teacher window listening whenever visits, lists or the
        // lesson change.
        if (!step.run(QStringLiteral("CREATE TABLE quorvale_schema (version int NOT NULL)"), reason)
            || !step.run(QStringLiteral("CREATE TABLE visits (id uuid PRIMARY KEY, computer text NOT NULL DEFAULT '', "
                                        "started timestamptz NOT NULL, seconds int NOT NULL DEFAULT 0, "
                                        "class text NOT NULL DEFAULT '', pupil_id uuid, pupil text NOT NULL DEFAULT '', "
                                        "activity text NOT NULL, title text NOT NULL DEFAULT '', "
                                        "items int NOT NULL DEFAULT 0, unit text NOT NULL DEFAULT '', "
                                        "right_first int NOT NULL DEFAULT 0, wrong_first int NOT NULL DEFAULT 0, "
                                        "received timestamptz NOT NULL DEFAULT now())"), reason)
            // A period of every class; a period of one class; one pupil's visits.
            || !step.run(QStringLiteral("CREATE INDEX visits_started ON visits (started)"), reason)
            || !step.run(QStringLiteral("CREATE INDEX visits_class_started ON visits (class, started)"), reason)
            || !step.run(QStringLiteral("CREATE INDEX visits_pupil ON visits (pupil_id)"), reason)
            || !step.run(QStringLiteral("CREATE TABLE pupils (id uuid PRIMARY KEY, name text NOT NULL, "
                                        "class text NOT NULL)"), reason)
            || !step.run(QStringLiteral("CREATE UNIQUE INDEX pupils_class_name ON pupils (class, lower(name))"), reason)
            || !step.run(QStringLiteral("CREATE TABLE lesson (at timestamptz NOT NULL, computer text NOT NULL, "
                                        "class text NOT NULL DEFAULT '', pupil_id uuid, pupil text NOT NULL DEFAULT '', "
                                        "visit uuid, title text NOT NULL DEFAULT '', event text NOT NULL)"), reason)
            || !step.run(QStringLiteral("CREATE INDEX lesson_at ON lesson (at)"), reason)
            || !step.run(QStringLiteral("CREATE FUNCTION quorvale_notify() RETURNS trigger LANGUAGE plpgsql AS "
                                        "$$BEGIN PERFORM pg_notify(TG_ARGV[0], ''); RETURN NULL; END$$"), reason)
            || !step.run(QStringLiteral("CREATE TRIGGER visits_changed AFTER INSERT OR DELETE ON visits "
                                        "FOR EACH STATEMENT EXECUTE FUNCTION quorvale_notify('quorvale_visits')"), reason)
            || !step.run(QStringLiteral("CREATE TRIGGER pupils_changed AFTER INSERT OR UPDATE OR DELETE ON pupils "
                                        "FOR EACH STATEMENT EXECUTE FUNCTION quorvale_notify('quorvale_visits')"), reason)
            || !step.run(QStringLiteral("CREATE TRIGGER lesson_changed AFTER INSERT ON lesson "
                                        "FOR EACH STATEMENT EXECUTE FUNCTION quorvale_notify('quorvale_lesson')"), reason)
            || !step.run(QStringLiteral("REVOKE ALL ON quorvale_schema, visits, pupils, lesson FROM PUBLIC"), reason)
            || !step.run(QStringLiteral("INSERT INTO quorvale_schema (version) VALUES (1)"), reason)
            || !step.commit(reason))
            return false;
        out << "created table quorvale_schema\n"
            << "created table visits\n"
            << "created table pupils\n"
            << "created table lesson\n"
            << "set the school database to version 1\n";
        changed = true;
    } else if (!step.commit(reason)) {
        return false;
    }

    // The group roles and their rights, in one step: created only when missing, each right
    // granted or taken away only when it is not already as it should be.
    if (!step.begin(reason) || !step.run(lock, reason))
        return false;
    QStringList done;
    for (const QString &role : {PupilRole, TeacherRole}) {
        const QVariant exists = ask(db, QStringLiteral("SELECT count(*) FROM pg_roles WHERE rolname = ?"), {role}, &error);
        if (!exists.isValid()) {
            *reason = explain(error, service);
            db.rollback();
            return false;
        }
        if (exists.toInt() == 0) {
            if (!step.run(QStringLiteral("CREATE ROLE %1 NOLOGIN").arg(role), reason))
                return false;
            done << QStringLiteral("created role %1").arg(role);
        }
    }
    const Privilege privileges[] = {
        {PupilRole, "quorvale_schema", "SELECT", true},
        {PupilRole, "pupils", "SELECT", true},
        {PupilRole, "visits", "INSERT", true},
        {PupilRole, "visits", "SELECT", false},
        {PupilRole, "visits", "UPDATE", false},
        {PupilRole, "visits", "DELETE", false},
        {PupilRole, "visits", "TRUNCATE", false},
        {PupilRole, "pupils", "INSERT", false},
        {PupilRole, "pupils", "UPDATE", false},
        {PupilRole, "pupils", "DELETE", false},
        {PupilRole, "lesson", "INSERT", true},
        {PupilRole, "lesson", "SELECT", false},
        {PupilRole, "lesson", "DELETE", false},
        {TeacherRole, "quorvale_schema", "SELECT", true},
        {TeacherRole, "visits", "SELECT", true},
        // The teacher's own computer (the whiteboard's) keeps and sends visits too.
        {TeacherRole, "visits", "INSERT", true},
        {TeacherRole, "lesson", "INSERT", true},
        {TeacherRole, "visits", "DELETE", true},
        {TeacherRole, "pupils", "SELECT", true},
        {TeacherRole, "pupils", "INSERT", true},
        {TeacherRole, "pupils", "UPDATE", true},
        {TeacherRole, "pupils", "DELETE", true},
        {TeacherRole, "lesson", "SELECT", true},
        {TeacherRole, "lesson", "DELETE", true},
    };
    for (const Privilege &p : privileges) {
        const QVariant holds = ask(db, QStringLiteral("SELECT has_table_privilege(?, ?, ?)"),
                                   {p.role, QString::fromLatin1(p.table), QString::fromLatin1(p.privilege)}, &error);
        if (!holds.isValid()) {
            *reason = explain(error, service);
            db.rollback();
            return false;
        }
        if (holds.toBool() == p.granted)
            continue;
        const QString sql = p.granted ? QStringLiteral("GRANT %1 ON %2 TO %3") : QStringLiteral("REVOKE %1 ON %2 FROM %3");
        if (!step.run(sql.arg(QLatin1String(p.privilege), QLatin1String(p.table), p.role), reason))
            return false;
        done << (p.granted ? QStringLiteral("granted %1 %2 on %3") : QStringLiteral("revoked %2 on %3 from %1"))
                    .arg(p.role, QString::fromLatin1(p.privilege), QString::fromLatin1(p.table));
    }
    if (!step.commit(reason))
        return false;
    for (const QString &line : std::as_const(done))
        out << line << '\n';
    changed = changed || !done.isEmpty();

    if (!changed)
        out << "nothing to do: the school database is up to date\n";
    return true;
}

} // namespace

QString explain(const QSqlError &error, const QString &service)
{
    const QString text = (error.databaseText() + QLatin1Char(' ') + error.driverText()).toLower();
    auto has = [&text](const char *part) { return text.contains(QLatin1String(part)); };
    if (has("definition of service") || has("service file"))
        return QStringLiteral("there is no connection service called \"%1\" in this computer's service file "
                              "(pg_service.conf, or the file PGSERVICEFILE names)").arg(service);
    if (has("password authentication failed") || has("no password supplied") || has("password is required"))
        return QStringLiteral("the school database refused the password for the service \"%1\": check the "
                              "password file (.pgpass, or the file PGPASSFILE names)").arg(service);
    if (has("permission denied") || has("must be superuser") || has("must have createrole")
        || has("must be owner") || has("not permitted") || has("no pg_hba.conf entry"))
        return QStringLiteral("the login in the service \"%1\" is not allowed to set up the school database: "
                              "it needs an administrator's login").arg(service);
    if (has("does not exist"))
        return QStringLiteral("the database named in the service \"%1\" does not exist on the server").arg(service);
    if (has("could not connect") || has("connection refused") || has("could not translate host name")
        || has("timeout expired") || has("server closed the connection") || has("no route to host")
        || has("connection to server"))
        return QStringLiteral("the school database server for the service \"%1\" cannot be reached").arg(service);
    return QStringLiteral("the school database could not be set up: %1")
        .arg(error.databaseText().simplified().isEmpty() ? error.text().simplified() : error.databaseText().simplified());
}

QString explainUse(const QSqlError &error, const QString &service)
{
    const QString text = (error.databaseText() + QLatin1Char(' ') + error.driverText()).toLower();
    if (text.contains(QLatin1String("no pg_hba.conf entry")))
        return QStringLiteral("the school database server does not let this computer in with the service \"%1\": "
                              "ask your IT person to allow it (pg_hba.conf)").arg(service);
    if (text.contains(QLatin1String("permission denied")))
        return QStringLiteral("the login in the service \"%1\" may not use the school database: ask your IT person "
                              "to add it to the group quorvale_pupil (or quorvale_teacher)").arg(service);
    const QString said = explain(error, service);
    if (said.startsWith(QLatin1String("the school database could not be set up: ")))
        return QStringLiteral("the school database reported a problem: ") + said.mid(41);
    return said;
}

// How long a connection waits on a server that has stopped answering mid-query.
constexpr int DeadServerMs = 15000;

bool open(QSqlDatabase &db, const QString &service, QString *why, bool *tooNew)
{
    if (tooNew)
        *tooNew = false;
    if (!isServiceName(service)) {
        *why = QStringLiteral("\"%1\" is not a connection service name").arg(service.left(80));
        return false;
    }
    // A server that vanishes mid-query (switched off, its network gone) would otherwise hold
    // the query for as long as the operating system keeps retrying (many minutes): the
    // teacher's window waiting on a read, or the program's ending waiting on a delivery.
    db.setConnectOptions(QStringLiteral("service=%1;keepalives=1;keepalives_idle=10;keepalives_interval=5;"
                                        "keepalives_count=3;tcp_user_timeout=%2")
                             .arg(service)
                             .arg(DeadServerMs));
    if (!db.open()) {
        *why = explainUse(db.lastError(), service);
        return false;
    }
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT coalesce(max(version), 0) FROM quorvale_schema")) || !query.next()) {
        const QString text = query.lastError().databaseText();
        *why = text.contains(QLatin1String("does not exist"))
            ? QStringLiteral("the school database has not been set up yet: your IT person sets it up with "
                             "quorvale --school-setup %1").arg(service)
            : explainUse(query.lastError(), service);
        db.close();
        return false;
    }
    if (query.value(0).toInt() > SchemaVersion) {
        *why = QStringLiteral("the school database was set up by a newer Quorvale: results are kept on this computer "
                              "and sent once this computer's Quorvale is updated");
        if (tooNew)
            *tooNew = true;
        db.close();
        return false;
    }
    return true;
}

bool check(const QString &service, QString *sentence)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        *sentence = QStringLiteral("This computer cannot reach a PostgreSQL server: Qt's PostgreSQL driver (Debian "
                                   "package libqt6sql6-psql) is not installed.");
        return false;
    }
    const QString name = QStringLiteral("quorvale-school-check-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        QString why;
        if (open(db, service, &why)) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("SELECT has_table_privilege('visits', 'INSERT'), "
                                          "has_table_privilege('visits', 'SELECT')"))
                && query.next()) {
                const bool sends = query.value(0).toBool();
                const bool reads = query.value(1).toBool();
                ok = sends || reads;
                if (!ok)
                    why = QStringLiteral("the login in the service \"%1\" may not use the school database: ask your "
                                         "IT person to add it to the group quorvale_pupil (or quorvale_teacher)").arg(service);
                else if (reads)
                    *sentence = QStringLiteral("The connection works: this computer sends its results to the school "
                                               "database and can show the whole school's results.");
                else
                    *sentence = QStringLiteral("The connection works: this computer sends its results to the school "
                                               "database.");
            } else {
                why = explainUse(query.lastError(), service);
            }
            db.close();
        }
        if (!ok) {
            why[0] = why[0].toUpper();
            *sentence = why + QLatin1Char('.');
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

void setDefaults()
{
    // A server that does not answer is given up on after a few seconds, unless the service
    // file says otherwise (libpq prefers the service file to the environment).
    if (qEnvironmentVariableIsEmpty("PGCONNECT_TIMEOUT"))
        qputenv("PGCONNECT_TIMEOUT", "5");
}

bool isServiceName(const QString &name)
{
    return Settings::isServiceName(name);
}

bool setUp(const QString &service, QTextStream &out, QString *reason)
{
    if (!isServiceName(service)) {
        *reason = QStringLiteral("\"%1\" is not a connection service name: use only letters, digits, '_', '-' "
                                 "and '.'").arg(service.left(80));
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        *reason = QStringLiteral("this computer cannot reach a PostgreSQL server: Qt's PostgreSQL driver "
                                 "(Debian package libqt6sql6-psql) is not installed");
        return false;
    }
    const QString name = QStringLiteral("quorvale-school-setup-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        // libpq reads everything else (host, user, sslmode ...) from the service file and the
        // password from the password file: nothing secret passes through the program.
        db.setConnectOptions(QStringLiteral("service=") + service);
        if (!db.open())
            *reason = explain(db.lastError(), service);
        else
            ok = run(db, service, out, reason);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    out.flush();
    return ok;
}

} // namespace SchoolDatabase
