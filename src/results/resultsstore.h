#pragma once

#include "results.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>
#include <utility>

class QSqlError;
class QSqlQuery;

// The class results: every visit to an activity, kept in one SQLite file per computer
// (<AppData>/Quorvale/results.sqlite). Opened on first use. A file that cannot be used is
// never allowed to cost the class its lesson: a damaged file, or one that is not ours, is
// renamed aside and a new one started; a file that cannot be written is only read; a
// folder that cannot be written means nothing is kept; either way problem() says so, for
// the teacher window. A visit that cannot be written (the disk full, another copy of the
// program holding the file) stays in memory and is written with the next one that can be.
class ResultsStore : public Results
{
public:
    // The file to keep results in; opened on the first call that needs it.
    explicit ResultsStore(QString path);
    ~ResultsStore() override; // keeps an unfinished visit (the program is ending)

    void setClassLabel(const QString &label) override;
    QString classLabel() const override;
    void setReadOnly() override;

    // VisitLog
    void visitStarted(const QString &activity, const QString &title) override;
    void itemShown(int record) override;
    void answered(bool right) override;
    void visitEnded() override;

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

    // PupilRoster
    QList<Entry> pupilsOf(const QString &classLabel) const override;
    // Signing in as a pupil no longer in the class lists signs out.
    void signIn(qint64 pupil) override;
    qint64 signedIn() const override;

    // A pupil in the school's class lists, as the school database has them.
    struct SchoolPupil
    {
        QString id; // the school database's id for them (a UUID)
        QString name;
        QString classLabel;
    };
    // From now on only pupils of the school's class lists are listed (pupils(), pupilsOf()):
    // a computer joined to a school shows the school's names.
    void setSchoolLists(bool on);
    // Makes the school's class lists this computer's, in one transaction: a school pupil
    // is added, renamed or moved as the school has them (a pupil of this computer alone
    // with the same name in the same class becomes the school's), and one the school no
    // longer has is removed with every visit kept with them here. False and why when the
    // file cannot be written (nothing changed).
    bool mirrorPupils(const QList<SchoolPupil> &school, QString *error);
    // A pupil's id in the school's lists; empty when they have none (or there is no such pupil).
    QString schoolIdOf(qint64 pupil) const;
    // The pupil with this id in the school's lists; 0 when there is none here.
    qint64 pupilWithSchoolId(const QString &id) const;
    // The id of the visit under way; empty when none is.
    QString visitUnderWay() const { return m_visit ? m_visit->uuid : QString(); }
    // How many ended visits are not yet marked as sent; -1 when they cannot be counted.
    int unsentCount() const;
    // Whether the file found at opening was damaged or not this program's, and set aside.
    bool wasSetAside() const;
    // A pupil's name as it will be kept (spaces tidied), or empty and why it cannot be.
    static QString checkedName(const QString &name, QString *why);
    // A visit's columns after its start, as every query of visits selects them: seconds,
    // class, activity, title, right and wrong first time, unit, items, the pupil's name as
    // it is now, the computer (columns 1 to 10; column 0, the start, is kept differently
    // here and in the school database).
    static void readVisitColumns(const QSqlQuery &query, Visit &visit);
    // The names of a list to add to a class as they will be kept, and what is wrong with the
    // list: no class, no names, a name that cannot be kept, a name twice.
    static QStringList checkedNames(const QString &label, const QStringList &names, QStringList *problems);
    static QString alreadyInClass(const QString &name, const QString &label);
    // Summaries in the order Results::summary gives them: weakest first.
    static void sortWeakestFirst(QList<Summary> &rows);

    // The visits as CSV (see Results::exportCsv, Results::writeCsv), whoever read them.
    static int exportVisits(const QString &path, const QList<Visit> &rows, QString *error);
    static int writeVisits(QIODevice &device, const QList<Visit> &rows, QString *error);
    // Per activity, weakest first (see Results::summary), from visits oldest first.
    static QList<Summary> summarise(const QList<Visit> &visits);

    // The schema this build writes (PRAGMA user_version); a file with a newer one is set
    // aside rather than changed.
    static constexpr int SchemaVersion = 5;
    // Marks a results file as this program's (PRAGMA application_id): "QVLR".
    static constexpr int ApplicationId = 0x51564c52;
    // The unit an activity's items are counted in ("question", "set", "word").
    static QString unitOf(const QString &activity);

private:
    // The visit under way: kept in memory and written whole at each save.
    struct Item
    {
        int record = -1;
        int right = 0;
        int wrong = 0;
    };
    struct OpenVisit
    {
        qint64 id = 0; // its row once written
        QDateTime started;
        QElapsedTimer clock;
        std::optional<qint64> seconds; // set when it ends
        QString classLabel;
        qint64 pupil = 0; // 0: kept under the class label alone
        QString activity;
        QString title;
        QString unit;
        QString uuid;     // made when it starts, kept with it everywhere
        QString computer; // this computer's name
        QList<Item> items;
        int itemsWritten = 0;
        bool forgotten = false; // its pupil was removed: never written
    };
    enum class Check { Usable, Damaged, Unusable };
    enum class State { Closed, Writable, Reading };
    // Read-only "as it stands": for a file on a read-only disk, with no log to apply.
    enum class Open { Write, Read, ReadAsItStands };

    bool ensureOpen() const;
    bool ensureWritable(bool now = false);
    void openForWriting() const;
    bool openForReading(QString *why) const;
    Check openAndCheck(Open how, QString *why) const;
    Check checkOwner(QSqlQuery &query, QString *why) const;
    Check migrate(QString *why) const;
    bool setUpConnection(const QString &options, const QString &name) const;
    void closeDb() const;
    Check classify(const QSqlError &error, QString *why) const;
    bool setAside(const QString &why) const;
    void notKept(const QString &why) const;
    bool save(bool now = false);
    bool write(OpenVisit &visit);
    bool readVisits(const Filter &filter, QList<Visit> *visits, QString *error) const;
    QString readFailure() const;
    // Whether a class already has a pupil of this name (in any letter case), other than `except`.
    bool nameTaken(QSqlQuery &query, const QString &classLabel, const QString &name, qint64 except,
                   bool *taken) const;
    static bool run(QSqlQuery &query, const QString &statement, const QVariantList &values);
    // Runs work in one write transaction, committed when it returns true and undone when
    // not: false and why (set by work when it refuses, else SQLite's error).
    bool writeTransaction(const std::function<bool(QSqlQuery &, QString *)> &work, QString *why);
    bool findPupil(qint64 id, Pupil *pupil, QString *error) const;
    // Renames or moves a pupil (an empty name or class keeps theirs), refusing a name the
    // class already has.
    bool changePupil(qint64 pupil, const QString &newName, const QString &newClass, QString *error);
    // After removing a child's data: the log is written into the file and emptied, so
    // no copy of what was removed is left in it.
    void flushLog() const;
    // Forgets the visits in memory that the test selects (a pupil or class removed).
    void forgetVisits(const std::function<bool(const OpenVisit &)> &test);

    QString m_path;
    QString m_connection;
    QString m_classLabel;
    qint64 m_pupil = 0; // signed in
    QString m_pupilClass;
    bool m_readOnly = false;
    bool m_schoolLists = false;
    std::optional<OpenVisit> m_visit;
    // Ended visits that could not be written yet, oldest first.
    QList<OpenVisit> m_unwritten;
    // Opened on first use, hence mutable: reading the results opens the file too.
    mutable QSqlDatabase m_db;
    mutable State m_state = State::Closed;
    mutable int m_version = 0; // of the file open; 0 when there is none yet
    mutable QElapsedTimer m_lastTry;
    mutable QString m_setAside; // said once a file was set aside
    mutable QString m_failure;  // why visits are not being kept now
};
