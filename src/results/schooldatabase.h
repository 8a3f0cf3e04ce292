#pragma once

#include <QString>

class QSqlDatabase;
class QSqlError;
class QTextStream;

// The school's own PostgreSQL server, reached through a libpq connection service (the
// service file and password file an administrator gives every computer).
namespace SchoolDatabase {

// The newest layout of the school database this program knows.
constexpr int SchemaVersion = 1;

// Sets what libpq reads from the environment when the service file does not say (how long
// to wait for a server that does not answer). Called once, before any connection is made
// and before any thread that makes one starts: the environment is not safe to change while
// another thread may be reading it.
void setDefaults();

// Whether name may be a libpq service name: letters, digits, '_', '-' and '.', at most 63
// characters. Anything else is refused before it reaches the connection options.
bool isServiceName(const QString &name);

// What a failed connection or statement means, in one sentence an IT person can act on (no
// such service, server not reachable, wrong password, no permission ...), without a full stop.
QString explain(const QSqlError &error, const QString &service);

// Creates or brings up to date the tables and the two group roles (quorvale_pupil,
// quorvale_teacher) on the database the service names, as the administrator the service
// logs in as. Writes a line to out for each thing it changed, or that nothing needed
// doing. On failure returns false with a one-sentence reason (no trailing full stop);
// every step already committed stays, and the failing step leaves nothing behind.
bool setUp(const QString &service, QTextStream &out, QString *reason);

// The same for a computer using the school database rather than setting it up: a refusal
// means the login is in neither of the program's groups.
QString explainUse(const QSqlError &error, const QString &service);

// Opens db (added with the QPSQL driver in the calling thread) on the database the service
// names, and checks that it has been set up by a program that knows its layout. False with
// one sentence (no trailing full stop) when it cannot be used; *tooNew is then set when it
// was set up by a newer program, which nothing may be written to.
bool open(QSqlDatabase &db, const QString &service, QString *why, bool *tooNew = nullptr);

// Tries the connection as this computer would use it, in a connection of its own: true when
// it works. Either way one sentence, ending in a full stop, for the teacher.
bool check(const QString &service, QString *sentence);

} // namespace SchoolDatabase
