#include "schoolsender.h"

#include "schooldatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace {
// An id, or NULL for none (a visit or event with no pupil).
QVariant orNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

// A text value, empty rather than NULL when there is none (the driver sends a null string
// as NULL).
QVariant text(const QString &value)
{
    return QVariant(value.isNull() ? QStringLiteral("") : value);
}
} // namespace

SchoolSender::SchoolSender(QString service)
    : m_service(std::move(service))
    , m_connection(QStringLiteral("quorvale-school-sender-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

SchoolSender::~SchoolSender()
{
    close();
}

void SchoolSender::close()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

bool SchoolSender::fail(const QSqlError &error, SchoolReply &reply)
{
    reply.problem = SchoolDatabase::explainUse(error, m_service);
    return false;
}

SchoolReply SchoolSender::deliver(const SchoolBatch &batch)
{
    SchoolReply reply = attempt(batch);
    if (!reply.problem.isEmpty() && m_db.isOpen()) {
        // Whatever went wrong (often the server going away), the next delivery starts afresh.
        m_db.rollback();
        m_db.close();
    }
    return reply;
}

SchoolReply SchoolSender::attempt(const SchoolBatch &batch)
{
    SchoolReply reply;
    if (!m_db.isOpen()) {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
            reply.problem = QStringLiteral("Qt's PostgreSQL driver (Debian package libqt6sql6-psql) is not installed");
            return reply;
        }
        if (!m_db.isValid())
            m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
        if (!SchoolDatabase::open(m_db, m_service, &reply.problem, &reply.tooNew))
            return reply;
    }
    reply.connected = true;
    if (!batch.visits.isEmpty() || !batch.events.isEmpty()) {
        if (!m_db.transaction()) {
            fail(m_db.lastError(), reply);
            return reply;
        }
        QSqlQuery query(m_db);
        if (!batch.visits.isEmpty()
            && !query.prepare(QStringLiteral(
                "INSERT INTO visits (id, computer, started, seconds, class, pupil_id, pupil, activity, title, items,"
                " unit, right_first, wrong_first)"
                " SELECT CAST(? AS uuid), ?, to_timestamp(CAST(? AS bigint) / 1000.0), ?, ?, CAST(? AS uuid), ?, ?, ?,"
                " ?, ?, ?, ?"
                " WHERE CAST(? AS uuid) IS NULL OR EXISTS (SELECT 1 FROM pupils WHERE id = CAST(? AS uuid))"
                " ON CONFLICT DO NOTHING"))) {
            fail(query.lastError(), reply);
            return reply;
        }
        for (const Results::OutgoingVisit &visit : batch.visits) {
            const QVariant pupilId = orNull(visit.pupilId);
            for (const QVariant &value :
                 {QVariant(visit.uuid), text(visit.computer), QVariant(visit.started.toMSecsSinceEpoch()),
                  QVariant(visit.seconds), text(visit.classLabel), pupilId, text(visit.pupil),
                  text(visit.activity), text(visit.title), QVariant(visit.items), text(visit.unit),
                  QVariant(visit.rightFirstTime), QVariant(visit.wrongFirstTime), pupilId, pupilId})
                query.addBindValue(value);
            if (!query.exec()) {
                fail(query.lastError(), reply);
                return reply;
            }
        }
        if (!batch.events.isEmpty()
            && !query.prepare(QStringLiteral(
                "INSERT INTO lesson (at, computer, class, pupil_id, pupil, visit, title, event)"
                " VALUES (to_timestamp(CAST(? AS bigint) / 1000.0), ?, ?, CAST(? AS uuid), ?, CAST(? AS uuid), ?, ?)"))) {
            fail(query.lastError(), reply);
            return reply;
        }
        for (const LessonEvent &event : batch.events) {
            for (const QVariant &value :
                 {QVariant(event.at.toMSecsSinceEpoch()), text(event.computer), text(event.classLabel),
                  orNull(event.pupilId), text(event.pupil), orNull(event.visit), text(event.title),
                  text(event.event)})
                query.addBindValue(value);
            if (!query.exec()) {
                fail(query.lastError(), reply);
                return reply;
            }
        }
        if (!m_db.commit()) {
            fail(m_db.lastError(), reply);
            return reply;
        }
        for (const Results::OutgoingVisit &visit : batch.visits)
            reply.sent << visit.uuid;
        reply.eventsSent = int(batch.events.size());
    }
    if (batch.wantPupils) {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("SELECT CAST(id AS text), name, class FROM pupils"))) {
            fail(query.lastError(), reply);
            return reply;
        }
        QList<ResultsStore::SchoolPupil> pupils;
        while (query.next())
            pupils.append({query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
        reply.pupils = std::move(pupils);
    }
    return reply;
}
