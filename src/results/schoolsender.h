#pragma once

#include "results.h"
#include "resultsstore.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

// Something that happened in a lesson, sent as it happens so the teacher's Lesson page can
// follow it: a pupil signing in or out, an activity opened or left, a first answer.
struct LessonEvent
{
    QDateTime at;
    QString computer;
    QString classLabel;
    QString pupilId; // in the school's class lists; empty when nobody is signed in
    QString pupil;
    QString visit; // the visit's id; empty for signing in and out
    QString title;
    QString event; // "signin", "signout", "start", "right", "wrong", "end"
};

// One delivery: ended visits not yet in the school database, lesson events, and whether the
// school's class lists should be fetched too.
struct SchoolBatch
{
    QList<Results::OutgoingVisit> visits;
    QList<LessonEvent> events;
    bool wantPupils = false;
    bool isEmpty() const { return visits.isEmpty() && events.isEmpty() && !wantPupils; }
};

struct SchoolReply
{
    QStringList sent;      // the visits the school database has committed (or had already)
    int eventsSent = 0;    // how many of the batch's events it committed (all or none)
    std::optional<QList<ResultsStore::SchoolPupil>> pupils; // when asked for and read
    QString problem;       // why not everything was done; empty when it was
    bool tooNew = false;   // the school database was set up by a newer program
    bool connected = false; // the server was reached (whatever went wrong afterwards)
};

// Delivers batches to the school database over a connection of its own. It is used from one
// thread only (a thread of its own, so that a server that is slow or away never holds up a
// lesson): the connection is opened there when first needed, and after any failure closed,
// to be opened afresh by the next delivery.
class SchoolSender
{
public:
    explicit SchoolSender(QString service);
    ~SchoolSender();
    SchoolSender(const SchoolSender &) = delete;
    SchoolSender &operator=(const SchoolSender &) = delete;

    // Visits and events in one transaction, each visit kept once whatever is sent twice;
    // a visit of a pupil the school has since removed is left out (and counted as sent, so
    // nothing of them comes back). Then the class lists, when asked for.
    SchoolReply deliver(const SchoolBatch &batch);
    // Closes the connection; called in the thread that used it, before it ends.
    void close();

private:
    SchoolReply attempt(const SchoolBatch &batch);
    bool fail(const class QSqlError &error, SchoolReply &reply);

    QString m_service;
    QString m_connection;
    QSqlDatabase m_db;
};
