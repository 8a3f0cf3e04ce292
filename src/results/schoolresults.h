#pragma once

#include "results.h"
#include "resultsstore.h"
#include "schoolsender.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSqlDatabase>
#include <QThread>
#include <QTimer>

class QSqlQuery;

// The class results of a computer joined to the school database (a libpq connection
// service). Every visit is kept in this computer's own file first, exactly as without a
// school, so a lesson never waits for the network; a sender in a thread of its own then
// delivers each ended visit (again and again, waiting longer each time up to a limit,
// until the server has committed it; only then is it marked as sent here), and sends what
// happens in the lesson as it happens. The class lists are the school's, kept here too so
// signing in never waits either. What the teacher window reads (visits, summaries, class
// lists, the lesson) is the school's whenever the server can be reached, and this
// computer's own, said so in problem(), when it cannot.
class SchoolResults : public QObject, public Results
{
public:
    SchoolResults(const QString &path, QString service);
    ~SchoolResults() override;

    // The longest wait between two tries to deliver.
    static constexpr int MostRetryMs = 30000;

    void setClassLabel(const QString &label) override;
    QString classLabel() const override;
    void setReadOnly() override;

    void visitStarted(const QString &activity, const QString &title) override;
    void itemShown(int record) override;
    void answered(bool right) override;
    void visitEnded() override;

    QList<Entry> pupilsOf(const QString &classLabel) const override;
    void signIn(qint64 pupil) override;
    qint64 signedIn() const override;

    QList<Visit> visits(const Filter &filter = {}) const override;
    QList<Summary> summary(const Filter &filter = {}) const override;
    QStringList classLabels() const override;
    QList<Pupil> pupils(const QString &classLabel = {}) const override;
    QList<qint64> addPupils(const QString &classLabel, const QStringList &names, QString *error) override;
    bool renamePupil(qint64 pupil, const QString &name, QString *error) override;
    bool movePupil(qint64 pupil, const QString &classLabel, QString *error) override;
    int removePupil(qint64 pupil, QString *error) override;
    int removeClass(const QString &classLabel, QString *error) override;
    QList<PupilSummary> pupilSummary(const Filter &filter = {}) const override;
    int clear(const Filter &filter = {}, QString *error = nullptr) override;
    int exportCsv(const QString &path, const Filter &filter, QString *error) const override;
    int writeCsv(QIODevice &device, const Filter &filter, QString *error) const override;
    QString problem() const override;
    bool isKeeping() const override;
    QList<OutgoingVisit> unsentVisits(int limit) const override;
    bool markSent(const QStringList &uuids, QString *error) override;
    bool showsSchool() const override;
    QList<LessonPupil> lesson(QString *error) const override;

private:
    // Sending.
    void startSending();
    void sendSoon(int delayMs = 0);
    void sendNow();
    void received(const SchoolReply &reply, const SchoolBatch &batch);
    void tell(const QString &event, const QString &visit = {}, const QString &title = {});
    void keepUndeliveredCount();

    // Reading from the school database, on a connection of this thread's own; false (and
    // the reason kept for problem()) when it cannot be reached now.
    bool reachable() const;
    void lostReader(const QSqlQuery &query) const;
    bool schoolQuery(QSqlQuery &query, const QString &sql, const QVariantList &values) const;
    // The school's class lists, brought here (so every id handed out is this file's).
    bool refreshPupils(QString *error) const;
    // The SQL condition and values for a filter on the school's visits (alias v); false when
    // the filter names a pupil the school does not have.
    bool where(const Filter &filter, QString *sql, QVariantList *values) const;
    bool readVisits(const Filter &filter, QList<Visit> *visits, QString *error) const;
    Pupil localPupil(qint64 id) const;
    // Renames or moves a pupil of the school's lists (an empty name or class keeps theirs).
    bool changePupil(qint64 pupil, const QString &newName, const QString &newClass, QString *error);
    bool changeSchoolPupils(const std::function<bool(QSqlQuery &, QString *)> &work, QString *error);
    QString unreachable() const;

    mutable ResultsStore m_local;
    QString m_service;
    bool m_readOnly = false;

    // The sender: its own thread, a delivery at a time.
    QThread m_thread;
    QObject *m_worker = nullptr;  // lives in m_thread; the context deliveries run in
    SchoolSender *m_sender = nullptr;
    QTimer m_nextSend;
    bool m_sending = false;
    bool m_sendAgain = false;
    int m_retryMs = 0;
    QElapsedTimer m_pupilsFetched;
    QList<LessonEvent> m_events;
    QString m_sendProblem;
    bool m_tooNew = false;
    QElapsedTimer m_serverAway; // since the sender last failed to reach the server
    int m_undeliveredLost = 0; // visits that never reached the school when a damaged file was set aside
    int m_lastUndelivered = -1;

    // Who is signed in, as the lesson events name them.
    QString m_pupilName;
    QString m_pupilClass;
    QString m_pupilId;
    QString m_visit;
    QString m_visitTitle;

    // Reading.
    QString m_readerName;
    mutable QSqlDatabase m_reader;
    mutable QElapsedTimer m_readerFailed;
    mutable bool m_readerLost = false; // to be closed before it is next used
    mutable QString m_readProblem;
    mutable bool m_readRefused = false; // reached, but this login may not read the school's results
    mutable bool m_listening = false;
    mutable QElapsedTimer m_lessonTidied;
    int m_localListener = 0;
};
