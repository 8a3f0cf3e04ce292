#pragma once

#include <QString>

class QSqlError;
class QTextStream;

// The school's own PostgreSQL server, reached through a libpq connection service (the
// service file and password file an administrator gives every computer).
namespace SchoolDatabase {

// The newest layout of the school database this program knows.
constexpr int SchemaVersion = 1;

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

} // namespace SchoolDatabase
