#include "schoolresults.h"

#include "schooldatabase.h"
#include "settings.h"

#include <QHash>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>

#include <algorithm>

namespace {
// Ended visits sent in one delivery; more follow at once.
constexpr int VisitsPerDelivery = 200;
// Lesson events waiting for a server that is away: the newest are kept, and none older than
// the lesson page shows.
constexpr int MostWaitingEvents = 5000;
constexpr qint64 LessonSecs = 3600;
// The class lists are fetched again this often while the program runs.
constexpr qint64 PupilsEveryMs = 30000;
// After the school database could not be read, this computer's own results are shown for
// this long before it is tried again.
constexpr qint64 ReadRetryMs = 15000;
// A delivery waits this long for more to come with it (a burst of answers goes as one).
constexpr int GatherMs = 150;

const QString VisitsChannel = QStringLiteral("quorvale_visits");
const QString LessonChannel = QStringLiteral("quorvale_lesson");

QDateTime fromMs(const QVariant &ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms.toLongLong());
}

// The visits' columns as every query of the school's visits selects them (see readVisit).
const QString VisitColumns = QStringLiteral(
    "CAST(extract(epoch FROM v.started) * 1000 AS bigint), v.seconds, v.class, v.activity, v.title, v.right_first,"
    " v.wrong_first, v.unit, v.items, coalesce(p.name, v.pupil), v.computer"
    " FROM visits v LEFT JOIN pupils p ON p.id = v.pupil_id");

Results::Visit readVisit(const QSqlQuery &query)
{
    Results::Visit visit;
    visit.started = fromMs(query.value(0));
    ResultsStore::readVisitColumns(query, visit);
    return visit;
}

// Runs sql with values bound in order.
bool run(QSqlQuery &query, const QString &sql, const QVariantList &values)
{
    if (!query.prepare(sql))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}
} // namespace

SchoolResults::SchoolResults(const QString &path, QString service)
    : m_local(path)
    , m_service(std::move(service))
    , m_readerName(QStringLiteral("quorvale-school-reader-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    m_local.setSchoolLists(true);
    m_nextSend.setSingleShot(true);
    connect(&m_nextSend, &QTimer::timeout, this, &SchoolResults::sendNow);
    // A visit written here is ready to send once it has ended; what the teacher window shows
    // is read again either way.
    m_localListener = m_local.addChangeListener([this] {
        sendSoon(GatherMs);
        notifyChanged();
    });
    // Sending starts once the program's event loop runs (never for a one-off export, which
    // only reads).
    QTimer::singleShot(0, this, &SchoolResults::startSending);
}

SchoolResults::~SchoolResults()
{
    m_local.removeChangeListener(m_localListener);
    m_nextSend.stop();
    // The visit under way is kept here (the store ends it); the sender finishes the delivery
    // it is making, if any, and closes its connection in its own thread.
    if (m_worker) {
        SchoolSender *sender = m_sender;
        QMetaObject::invokeMethod(m_worker, [sender] { sender->close(); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
        delete m_worker;
        delete m_sender;
    }
    if (m_reader.isValid()) {
        m_reader.close();
        m_reader = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_readerName);
    }
}

// --- What this computer keeps: its own file, as without a school ---------------------------

void SchoolResults::setClassLabel(const QString &label) { m_local.setClassLabel(label); }
QString SchoolResults::classLabel() const { return m_local.classLabel(); }

void SchoolResults::setReadOnly()
{
    m_readOnly = true;
    m_local.setReadOnly();
}

void SchoolResults::visitStarted(const QString &activity, const QString &title)
{
    visitEnded();
    m_local.visitStarted(activity, title);
    m_visit = m_local.visitUnderWay();
    m_visitTitle = title;
    if (!m_visit.isEmpty())
        tell(QStringLiteral("start"), m_visit, title);
}

void SchoolResults::itemShown(int record) { m_local.itemShown(record); }

void SchoolResults::answered(bool right)
{
    m_local.answered(right);
    if (!m_visit.isEmpty())
        tell(right ? QStringLiteral("right") : QStringLiteral("wrong"), m_visit, m_visitTitle);
}

void SchoolResults::visitEnded()
{
    m_local.visitEnded();
    if (!m_visit.isEmpty())
        tell(QStringLiteral("end"), std::exchange(m_visit, QString()), std::exchange(m_visitTitle, QString()));
}

QList<PupilRoster::Entry> SchoolResults::pupilsOf(const QString &classLabel) const
{
    // The school's lists as last fetched: signing in never waits for the network.
    return m_local.pupilsOf(classLabel);
}

void SchoolResults::signIn(qint64 pupil)
{
    visitEnded();
    if (m_local.signedIn() != 0)
        tell(QStringLiteral("signout"));
    m_local.signIn(pupil);
    m_pupilName.clear();
    m_pupilClass.clear();
    m_pupilId.clear();
    if (m_local.signedIn() == 0)
        return;
    const Pupil found = localPupil(m_local.signedIn());
    m_pupilName = found.name;
    m_pupilClass = found.classLabel;
    m_pupilId = m_local.schoolIdOf(pupil);
    tell(QStringLiteral("signin"));
}

qint64 SchoolResults::signedIn() const { return m_local.signedIn(); }

QList<Results::OutgoingVisit> SchoolResults::unsentVisits(int limit) const { return m_local.unsentVisits(limit); }
bool SchoolResults::markSent(const QStringList &uuids, QString *error) { return m_local.markSent(uuids, error); }
bool SchoolResults::isKeeping() const { return m_local.isKeeping(); }

// --- Sending ---------------------------------------------------------------------------

void SchoolResults::startSending()
{
    if (m_readOnly || m_worker)
        return;
    // What had not reached the school when the program last counted, if the file holding it
    // has since been found damaged and set aside.
    Settings settings;
    if (m_local.wasSetAside())
        m_undeliveredLost = settings.undeliveredVisits();
    m_worker = new QObject;
    m_sender = new SchoolSender(m_service);
    m_worker->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("school sender"));
    m_thread.start();
    keepUndeliveredCount();
    sendSoon(0);
}

void SchoolResults::tell(const QString &event, const QString &visit, const QString &title)
{
    if (m_readOnly)
        return;
    LessonEvent told;
    told.at = QDateTime::currentDateTimeUtc();
    told.computer = QSysInfo::machineHostName();
    told.classLabel = m_local.signedIn() != 0 ? m_pupilClass : m_local.classLabel();
    told.pupilId = m_pupilId;
    told.pupil = m_pupilName;
    told.visit = visit;
    told.title = title;
    told.event = event;
    if (m_events.size() >= MostWaitingEvents)
        m_events.removeFirst();
    m_events.append(told);
    sendSoon(GatherMs);
}

void SchoolResults::sendSoon(int delayMs)
{
    if (!m_worker)
        return;
    if (m_sending) {
        m_sendAgain = true;
        return;
    }
    // A retry already waiting for a server that is away is not hurried by every answer.
    if (m_nextSend.isActive() && (m_retryMs > 0 || m_nextSend.remainingTime() <= delayMs))
        return;
    m_nextSend.start(delayMs);
}

void SchoolResults::sendNow()
{
    if (!m_worker || m_sending)
        return;
    SchoolBatch batch;
    batch.visits = m_local.unsentVisits(VisitsPerDelivery);
    // Lesson events older than the lesson page shows are of no more use.
    const QDateTime oldest = QDateTime::currentDateTimeUtc().addSecs(-LessonSecs);
    m_events.removeIf([&oldest](const LessonEvent &event) { return event.at < oldest; });
    batch.events = m_events;
    batch.wantPupils = !m_pupilsFetched.isValid() || m_pupilsFetched.elapsed() >= PupilsEveryMs;
    if (batch.isEmpty()) {
        // Nothing to send: the class lists are fetched again when due.
        m_nextSend.start(int(PupilsEveryMs - m_pupilsFetched.elapsed()));
        return;
    }
    m_sending = true;
    m_sendAgain = false;
    SchoolSender *sender = m_sender;
    QMetaObject::invokeMethod(m_worker, [this, sender, batch] {
        const SchoolReply reply = sender->deliver(batch);
        // Back in the thread this object lives in; dropped if it has gone meanwhile.
        QMetaObject::invokeMethod(this, [this, reply, batch] { received(reply, batch); }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void SchoolResults::received(const SchoolReply &reply, const SchoolBatch &batch)
{
    m_sending = false;
    QString problem = reply.problem;
    // Marked as sent only now that the school database has committed them: killed before
    // this, the next start sends them again and the school keeps each once.
    QString why;
    if (!reply.sent.isEmpty() && !m_local.markSent(reply.sent, &why) && problem.isEmpty())
        problem = why;
    if (reply.eventsSent > 0)
        m_events.erase(m_events.begin(), m_events.begin() + std::min(reply.eventsSent, int(m_events.size())));
    if (reply.pupils) {
        m_pupilsFetched.start();
        if (!m_local.mirrorPupils(*reply.pupils, &why) && problem.isEmpty())
            problem = why;
    }
    m_tooNew = reply.tooNew;
    m_sendProblem = problem;
    // The sender has just found the server away: the teacher window does not wait on it too.
    if (reply.connected || problem.isEmpty())
        m_serverAway.invalidate();
    else
        m_serverAway.start();
    keepUndeliveredCount();
    if (!problem.isEmpty()) {
        // Tried again later, a little later each time, never more than MostRetryMs apart.
        m_retryMs = m_retryMs == 0 ? 1000 : std::min(m_retryMs * 2, MostRetryMs);
        m_nextSend.start(m_retryMs);
        return;
    }
    m_retryMs = 0;
    const bool more = batch.visits.size() == VisitsPerDelivery || m_sendAgain || !m_events.isEmpty();
    if (more)
        m_nextSend.start(0);
    else
        m_nextSend.start(int(PupilsEveryMs));
}

void SchoolResults::keepUndeliveredCount()
{
    const int count = m_local.unsentCount();
    if (count < 0 || count == m_lastUndelivered)
        return;
    m_lastUndelivered = count;
    Settings().setUndeliveredVisits(count);
}

// --- Reading the school's results -------------------------------------------------------

bool SchoolResults::reachable() const
{
    if (m_readerLost) {
        m_readerLost = false;
        m_reader.close();
    }
    if (m_reader.isValid() && m_reader.isOpen() && !m_readerFailed.isValid())
        return true;
    if (m_readerFailed.isValid() && m_readerFailed.elapsed() < ReadRetryMs)
        return false;
    if (m_serverAway.isValid() && m_serverAway.elapsed() < ReadRetryMs && !m_reader.isOpen()) {
        m_readProblem = m_sendProblem;
        m_readRefused = false;
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        m_readProblem = QStringLiteral("Qt's PostgreSQL driver (Debian package libqt6sql6-psql) is not installed");
        m_readerFailed.start();
        return false;
    }
    if (!m_reader.isValid())
        m_reader = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_readerName);
    m_listening = false;
    m_readRefused = false;
    if (!SchoolDatabase::open(m_reader, m_service, &m_readProblem, nullptr)) {
        m_readerFailed.start();
        return false;
    }
    // A pupils' computer's login may send visits but not read anyone's.
    QSqlQuery may(m_reader);
    if (!may.exec(QStringLiteral("SELECT has_table_privilege('visits', 'SELECT')")) || !may.next()
        || !may.value(0).toBool()) {
        m_readProblem = QStringLiteral("this computer's login may send results but not read them");
        m_readRefused = true;
        m_readerLost = true;
        m_readerFailed.start();
        return false;
    }
    m_readProblem.clear();
    m_readerFailed.invalidate();
    // Told by the server whenever visits, class lists or the lesson change anywhere.
    QSqlDriver *driver = m_reader.driver();
    if (driver->hasFeature(QSqlDriver::EventNotifications)) {
        auto *self = const_cast<SchoolResults *>(this);
        QObject::disconnect(driver, nullptr, self, nullptr);
        connect(driver, &QSqlDriver::notification, self, [self](const QString &channel) {
            if (channel == LessonChannel)
                self->notifyLesson();
            else
                self->notifyChanged();
        });
        m_listening = driver->subscribeToNotification(VisitsChannel) && driver->subscribeToNotification(LessonChannel);
    }
    return true;
}

void SchoolResults::lostReader(const QSqlQuery &query) const
{
    m_readProblem = SchoolDatabase::explainUse(query.lastError(), m_service);
    m_readRefused = false;
    // Closed when next tried, once the query that failed has gone.
    m_readerLost = true;
    m_readerFailed.start();
}

bool SchoolResults::schoolQuery(QSqlQuery &query, const QString &sql, const QVariantList &values) const
{
    query.setForwardOnly(true);
    if (run(query, sql, values))
        return true;
    lostReader(query);
    return false;
}

QString SchoolResults::unreachable() const
{
    if (m_readRefused)
        return QStringLiteral("This computer's login sends its results to the school database but may not read the "
                              "school's.");
    return QStringLiteral("The school database cannot be reached (%1).").arg(m_readProblem);
}

bool SchoolResults::showsSchool() const
{
    return reachable();
}

bool SchoolResults::where(const Filter &filter, QString *sql, QVariantList *values) const
{
    QStringList terms;
    if (!filter.classLabel.isEmpty()) {
        terms << QStringLiteral("v.class = ?");
        *values << filter.classLabel;
    }
    if (filter.since.isValid()) {
        terms << QStringLiteral("v.started >= to_timestamp(CAST(? AS bigint) / 1000.0)");
        *values << filter.since.toMSecsSinceEpoch();
    }
    if (filter.before.isValid()) {
        terms << QStringLiteral("v.started < to_timestamp(CAST(? AS bigint) / 1000.0)");
        *values << filter.before.toMSecsSinceEpoch();
    }
    if (filter.pupil) {
        const QString id = m_local.schoolIdOf(*filter.pupil);
        if (id.isEmpty())
            return false;
        terms << QStringLiteral("v.pupil_id = CAST(? AS uuid)");
        *values << id;
    }
    *sql = terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
    return true;
}

bool SchoolResults::readVisits(const Filter &filter, QList<Visit> *visits, QString *error) const
{
    QString condition;
    QVariantList values;
    if (!where(filter, &condition, &values))
        return true;
    QSqlQuery query(m_reader);
    if (!schoolQuery(query, QStringLiteral("SELECT ") + VisitColumns + condition + QStringLiteral(" ORDER BY v.started, v.id"),
                     values)) {
        *error = m_readProblem;
        return false;
    }
    while (query.next())
        visits->append(readVisit(query));
    return true;
}

QList<Results::Visit> SchoolResults::visits(const Filter &filter) const
{
    QList<Visit> rows;
    QString error;
    if (reachable() && readVisits(filter, &rows, &error))
        return rows;
    return m_local.visits(filter);
}

QList<Results::Summary> SchoolResults::summary(const Filter &filter) const
{
    if (!reachable())
        return m_local.summary(filter);
    QString condition;
    QVariantList values;
    if (!where(filter, &condition, &values))
        return {};
    // Summed by the server: a year of a school's visits never travels for a chart.
    QSqlQuery query(m_reader);
    if (!schoolQuery(query,
                     QStringLiteral("SELECT v.activity, (array_agg(v.title ORDER BY v.started DESC))[1], count(*),"
                                    " sum(v.items), (array_agg(v.unit ORDER BY v.started DESC))[1], sum(v.right_first),"
                                    " sum(v.wrong_first) FROM visits v")
                         + condition + QStringLiteral(" GROUP BY v.activity"),
                     values))
        return m_local.summary(filter);
    QList<Summary> rows;
    while (query.next()) {
        Summary row;
        row.activity = query.value(0).toString();
        row.title = query.value(1).toString();
        row.visits = query.value(2).toInt();
        row.items = query.value(3).toInt();
        row.unit = query.value(4).toString();
        row.right = query.value(5).toInt();
        row.wrong = query.value(6).toInt();
        rows.append(row);
    }
    ResultsStore::sortWeakestFirst(rows);
    return rows;
}

QStringList SchoolResults::classLabels() const
{
    if (!reachable())
        return m_local.classLabels();
    // The classes of the visits, found class by class along the index rather than by
    // reading every visit, and those of the class lists.
    QSqlQuery query(m_reader);
    if (!schoolQuery(query,
                     QStringLiteral("WITH RECURSIVE c (class) AS ("
                                    " SELECT min(class) FROM visits WHERE class <> ''"
                                    " UNION ALL SELECT (SELECT min(class) FROM visits WHERE class > c.class)"
                                    " FROM c WHERE c.class IS NOT NULL)"
                                    " SELECT class FROM c WHERE class IS NOT NULL UNION SELECT class FROM pupils"
                                    " ORDER BY 1"),
                     {}))
        return m_local.classLabels();
    QStringList labels;
    while (query.next())
        labels << query.value(0).toString();
    return labels;
}

bool SchoolResults::refreshPupils(QString *error) const
{
    QSqlQuery query(m_reader);
    if (!reachable() || !schoolQuery(query, QStringLiteral("SELECT CAST(id AS text), name, class FROM pupils"), {})) {
        if (error)
            *error = unreachable();
        return false;
    }
    QList<ResultsStore::SchoolPupil> school;
    while (query.next())
        school.append({query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
    return m_local.mirrorPupils(school, error);
}

QList<Results::Pupil> SchoolResults::pupils(const QString &classLabel) const
{
    refreshPupils(nullptr);
    return m_local.pupils(classLabel);
}

bool SchoolResults::changeSchoolPupils(const std::function<bool(QSqlQuery &, QString *)> &work, QString *error)
{
    QString why;
    if (!reachable()) {
        if (error)
            *error = QStringLiteral("The class lists are the school's and can be changed only while the school "
                                    "database can be reached (%1).").arg(m_readProblem);
        return false;
    }
    QSqlQuery query(m_reader);
    if (!m_reader.transaction()) {
        lostReader(query);
        if (error)
            *error = unreachable();
        return false;
    }
    if (!work(query, &why)) {
        if (why.isEmpty()) {
            why = SchoolDatabase::explainUse(query.lastError(), m_service);
            why[0] = why[0].toUpper();
            why += QLatin1Char('.');
        }
        m_reader.rollback();
        if (error)
            *error = why;
        return false;
    }
    if (!m_reader.commit()) {
        lostReader(query);
        if (error)
            *error = unreachable();
        return false;
    }
    // The change is the school's; this computer's copy of the lists follows at once.
    if (!refreshPupils(&why) && error)
        *error = why;
    notifyChanged();
    return true;
}

QList<qint64> SchoolResults::addPupils(const QString &classLabel, const QStringList &names, QString *error)
{
    // Checked as this computer's own lists are, and said the same way.
    const QString label = classLabel.trimmed().left(ClassLabelMaxLength);
    QStringList problems;
    const QStringList kept = ResultsStore::checkedNames(label, names, &problems);
    if (!problems.isEmpty()) {
        if (error)
            *error = problems.join(QLatin1Char('\n'));
        return {};
    }
    QStringList ids;
    const bool done = changeSchoolPupils(
        [&](QSqlQuery &query, QString *refused) {
            // Read inside the transaction: the teacher at the next computer cannot add the
            // same name meanwhile (the school's unique index would refuse it anyway).
            if (!run(query, QStringLiteral("SELECT name FROM pupils WHERE class = ?"), {label}))
                return false;
            QStringList taken;
            while (query.next())
                taken << query.value(0).toString();
            for (const QString &name : kept) {
                if (taken.contains(name, Qt::CaseInsensitive))
                    problems << ResultsStore::alreadyInClass(name, label);
            }
            if (!problems.isEmpty()) {
                *refused = problems.join(QLatin1Char('\n'));
                return false;
            }
            for (const QString &name : kept) {
                const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
                if (!run(query, QStringLiteral("INSERT INTO pupils (id, name, class) VALUES (CAST(? AS uuid), ?, ?)"),
                         {id, name, label}))
                    return false;
                ids << id;
            }
            return true;
        },
        error);
    QList<qint64> added;
    if (!done)
        return added;
    for (const QString &id : std::as_const(ids))
        added << m_local.pupilWithSchoolId(id);
    return added;
}

bool SchoolResults::renamePupil(qint64 pupil, const QString &name, QString *error)
{
    QString why;
    const QString tidy = ResultsStore::checkedName(name, &why);
    if (tidy.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    return changePupil(pupil, tidy, {}, error);
}

bool SchoolResults::movePupil(qint64 pupil, const QString &classLabel, QString *error)
{
    const QString label = classLabel.trimmed().left(ClassLabelMaxLength);
    if (label.isEmpty()) {
        if (error)
            *error = QStringLiteral("Choose a class to move the pupil to.");
        return false;
    }
    return changePupil(pupil, {}, label, error);
}

Results::Pupil SchoolResults::localPupil(qint64 id) const
{
    for (const Pupil &each : m_local.pupils()) {
        if (each.id == id)
            return each;
    }
    return {};
}

bool SchoolResults::changePupil(qint64 pupil, const QString &newName, const QString &newClass, QString *error)
{
    const Pupil found = localPupil(pupil);
    const QString id = m_local.schoolIdOf(pupil);
    if (found.id == 0 || id.isEmpty()) {
        if (error)
            *error = QStringLiteral("That pupil is no longer in the class lists.");
        return false;
    }
    const QString name = newName.isEmpty() ? found.name : newName;
    const QString label = newClass.isEmpty() ? found.classLabel : newClass;
    return changeSchoolPupils(
        [&](QSqlQuery &query, QString *refused) {
            if (!run(query, QStringLiteral("SELECT count(*) FROM pupils WHERE class = ? AND lower(name) = lower(?)"
                                           " AND id <> CAST(? AS uuid)"),
                     {label, name, id})
                || !query.next())
                return false;
            if (query.value(0).toInt() > 0) {
                *refused = ResultsStore::alreadyInClass(name, label);
                return false;
            }
            return run(query, QStringLiteral("UPDATE pupils SET name = ?, class = ? WHERE id = CAST(? AS uuid)"),
                       {name, label, id});
        },
        error);
}

int SchoolResults::removePupil(qint64 pupil, QString *error)
{
    const QString id = m_local.schoolIdOf(pupil);
    const Pupil found = localPupil(pupil);
    if (id.isEmpty() || found.id == 0) {
        if (error)
            *error = QStringLiteral("That pupil is no longer in the class lists.");
        return -1;
    }
    int removed = 0;
    // Everything the school keeps of the pupil: their visits (and any sent under their name
    // in their class before they were in the school's lists), their part of the lesson,
    // their name. The other computers drop their own copies when they next fetch the lists.
    const bool done = changeSchoolPupils(
        [&](QSqlQuery &query, QString *) {
            if (!run(query, QStringLiteral("DELETE FROM visits WHERE pupil_id = CAST(? AS uuid)"
                                           " OR (pupil_id IS NULL AND class = ? AND lower(pupil) = lower(?))"),
                     {id, found.classLabel, found.name}))
                return false;
            removed = query.numRowsAffected();
            return run(query, QStringLiteral("DELETE FROM lesson WHERE pupil_id = CAST(? AS uuid)"), {id})
                && run(query, QStringLiteral("DELETE FROM pupils WHERE id = CAST(? AS uuid)"), {id});
        },
        error);
    return done ? removed : -1;
}

int SchoolResults::removeClass(const QString &classLabel, QString *error)
{
    if (classLabel.isEmpty()) {
        if (error)
            *error = QStringLiteral("Choose a class to remove.");
        return -1;
    }
    int removed = 0;
    const bool done = changeSchoolPupils(
        [&](QSqlQuery &query, QString *) {
            if (!run(query, QStringLiteral("DELETE FROM visits WHERE class = ? OR pupil_id IN"
                                           " (SELECT id FROM pupils WHERE class = ?)"),
                     {classLabel, classLabel}))
                return false;
            removed = query.numRowsAffected();
            return run(query, QStringLiteral("DELETE FROM lesson WHERE class = ?"), {classLabel})
                && run(query, QStringLiteral("DELETE FROM pupils WHERE class = ?"), {classLabel});
        },
        error);
    if (!done)
        return -1;
    // This computer's own visits of the class (made before it was the school's) go too.
    m_local.removeClass(classLabel, nullptr);
    return removed;
}

QList<Results::PupilSummary> SchoolResults::pupilSummary(const Filter &filter) const
{
    if (!reachable() || !refreshPupils(nullptr))
        return m_local.pupilSummary(filter);
    QString condition;
    QVariantList values;
    Filter visitsOnly = filter;
    visitsOnly.classLabel.clear(); // a pupil's visits wherever they were made
    visitsOnly.pupil.reset();
    if (!where(visitsOnly, &condition, &values))
        return {};
    // Per pupil and activity, summed by the server.
    QStringList pupilTerms;
    QVariantList pupilValues;
    if (!filter.classLabel.isEmpty()) {
        pupilTerms << QStringLiteral("p.class = ?");
        pupilValues << filter.classLabel;
    }
    if (filter.pupil) {
        pupilTerms << QStringLiteral("p.id = CAST(? AS uuid)");
        pupilValues << m_local.schoolIdOf(*filter.pupil);
    }
    // The pupils' ids first, so the server finds their visits along visits_pupil rather than
    // joining the whole table (8 ms against 60-130 ms for a class in a year of a million).
    QSqlQuery query(m_reader);
    const QString pupilsOf = QStringLiteral("SELECT p.id FROM pupils p")
        + (pupilTerms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + pupilTerms.join(QStringLiteral(" AND ")));
    if (!schoolQuery(query,
                     QStringLiteral("SELECT CAST(v.pupil_id AS text), v.activity, (array_agg(v.title ORDER BY v.started DESC))[1],"
                                    " count(*), sum(v.items), (array_agg(v.unit ORDER BY v.started DESC))[1],"
                                    " sum(v.right_first), sum(v.wrong_first) FROM visits v"
                                    " WHERE v.pupil_id = ANY(ARRAY(")
                         + pupilsOf + QStringLiteral("))")
                         + (condition.isEmpty() ? QString() : QStringLiteral(" AND ") + condition.mid(7))
                         + QStringLiteral(" GROUP BY v.pupil_id, v.activity"),
                     pupilValues + values))
        return m_local.pupilSummary(filter);
    QHash<QString, QList<Summary>> byPupil;
    while (query.next()) {
        Summary row;
        row.activity = query.value(1).toString();
        row.title = query.value(2).toString();
        row.visits = query.value(3).toInt();
        row.items = query.value(4).toInt();
        row.unit = query.value(5).toString();
        row.right = query.value(6).toInt();
        row.wrong = query.value(7).toInt();
        byPupil[query.value(0).toString()].append(row);
    }
    QList<PupilSummary> rows;
    for (const Pupil &pupil : m_local.pupils(filter.classLabel)) {
        if (filter.pupil && *filter.pupil != pupil.id)
            continue;
        QList<Summary> activities = byPupil.value(m_local.schoolIdOf(pupil.id));
        ResultsStore::sortWeakestFirst(activities);
        rows.append({pupil, activities});
    }
    return rows;
}

int SchoolResults::clear(const Filter &filter, QString *error)
{
    if (!reachable()) {
        if (error)
            *error = QStringLiteral("The school's results can be removed only while the school database can be "
                                    "reached (%1).").arg(m_readProblem);
        return -1;
    }
    QString condition;
    QVariantList values;
    if (!where(filter, &condition, &values))
        return 0;
    QSqlQuery query(m_reader);
    if (!schoolQuery(query, QStringLiteral("DELETE FROM visits v") + condition, values)) {
        if (error)
            *error = QStringLiteral("The visits could not be removed: %1.").arg(m_readProblem);
        return -1;
    }
    const int removed = query.numRowsAffected();
    // This computer's copies go too, so they are not shown again when the server is away.
    m_local.clear(filter, nullptr);
    notifyChanged();
    return removed;
}

int SchoolResults::exportCsv(const QString &path, const Filter &filter, QString *error) const
{
    QList<Visit> rows;
    if (!reachable())
        return m_local.exportCsv(path, filter, error);
    if (!readVisits(filter, &rows, error))
        return -1;
    return ResultsStore::exportVisits(path, rows, error);
}

int SchoolResults::writeCsv(QIODevice &device, const Filter &filter, QString *error) const
{
    QList<Visit> rows;
    if (!reachable())
        return m_local.writeCsv(device, filter, error);
    if (!readVisits(filter, &rows, error))
        return -1;
    return ResultsStore::writeVisits(device, rows, error);
}

QString SchoolResults::problem() const
{
    QStringList said;
    if (const QString local = m_local.problem(); !local.isEmpty())
        said << local;
    if (m_undeliveredLost > 0)
        said << QStringLiteral("%1 %2 kept on this computer had not reached the school database when its results file "
                               "was found damaged, and could not be delivered.")
                    .arg(m_undeliveredLost)
                    .arg(m_undeliveredLost == 1 ? QStringLiteral("visit") : QStringLiteral("visits"));
    if (!reachable())
        said << unreachable().chopped(1) + QStringLiteral(": showing this computer's own results.");
    if (!m_sendProblem.isEmpty()) {
        const int waiting = std::max(0, m_lastUndelivered);
        const QString visits = waiting == 1 ? QStringLiteral("1 visit kept on this computer has")
                                            : QStringLiteral("%1 visits kept on this computer have").arg(waiting);
        // Set up by a newer program: the reason says what happens to them.
        said << (m_tooNew ? QStringLiteral("%1 not reached the school database: %2.").arg(visits, m_sendProblem)
                          : QStringLiteral("%1 not reached the school database yet (%2); they are sent as soon as "
                                           "it can be reached.").arg(visits, m_sendProblem));
    }
    return said.join(QLatin1Char(' '));
}

// --- The lesson -------------------------------------------------------------------------

QList<Results::LessonPupil> SchoolResults::lesson(QString *error) const
{
    if (!reachable()) {
        if (error)
            *error = unreachable();
        return {};
    }
    // Now and then, what is older than any lesson is tidied away.
    if (!m_lessonTidied.isValid() || m_lessonTidied.elapsed() > 3600 * 1000) {
        m_lessonTidied.start();
        QSqlQuery tidy(m_reader);
        tidy.exec(QStringLiteral("DELETE FROM lesson WHERE at < now() - interval '1 day'"));
    }
    QSqlQuery query(m_reader);
    if (!schoolQuery(query,
                     QStringLiteral("SELECT CAST(extract(epoch FROM at) * 1000 AS bigint), computer, class,"
                                    " coalesce(CAST(pupil_id AS text), ''), pupil, title, event FROM lesson"
                                    " WHERE at > now() - interval '1 hour' ORDER BY at"),
                     {})) {
        if (error)
            *error = unreachable();
        return {};
    }
    QList<LessonPupil> rows;
    QHash<QString, int> rowOf;
    QHash<QString, int> wrongInARow;
    while (query.next()) {
        const QString computer = query.value(1).toString();
        const QString pupilId = query.value(3).toString();
        const QString key = pupilId.isEmpty() ? QStringLiteral("@") + computer : pupilId;
        if (!rowOf.contains(key)) {
            rowOf.insert(key, int(rows.size()));
            rows.append(LessonPupil());
        }
        LessonPupil &row = rows[rowOf.value(key)];
        row.name = query.value(4).toString();
        row.classLabel = query.value(2).toString();
        row.computer = computer;
        row.lastSeen = fromMs(query.value(0));
        const QString event = query.value(6).toString();
        if (event == QLatin1String("start")) {
            row.activity = query.value(5).toString();
        } else if (event == QLatin1String("end") || event == QLatin1String("signout")) {
            row.activity.clear();
        } else if (event == QLatin1String("right") || event == QLatin1String("wrong")) {
            const bool right = event == QLatin1String("right");
            ++row.items;
            row.right += right ? 1 : 0;
            int &run = wrongInARow[key];
            run = right ? 0 : run + 1;
            row.threeWrong = row.threeWrong || run >= 3;
        }
    }
    std::sort(rows.begin(), rows.end(), [](const LessonPupil &a, const LessonPupil &b) {
        if (a.classLabel != b.classLabel)
            return a.classLabel < b.classLabel;
        if (a.name.isEmpty() != b.name.isEmpty())
            return !a.name.isEmpty();
        const int order = a.name.compare(b.name, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.computer < b.computer;
    });
    return rows;
}
