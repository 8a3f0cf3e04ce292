#pragma once

#include "pupilroster.h"
#include "visitlog.h"

#include <QDateTime>
#include <QDir>
#include <QList>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

class QIODevice;

// The class results as the program and the teacher window see them: every visit to an
// activity, kept per computer. Only this interface is built into them; the store itself
// (SQLite through Qt SQL, resultsstore.h) lives in the quorvale-results module, loaded on
// first use, so starting the program never loads a database library.
class Results : public VisitLog, public PupilRoster
{
public:
    // The usual file: results.sqlite in the user's application data folder.
    static QString defaultPath()
    {
        return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
            .filePath(QStringLiteral("results.sqlite"));
    }

    // The longest class label kept: the class field's length. A longer one (a hand-edited
    // settings file) is cut to it.
    static constexpr int ClassLabelMaxLength = 20;

    // The class label new visits are kept under ("5B"); empty for none. While a pupil is
    // signed in (PupilRoster::signIn), visits are kept with the pupil and their class.
    virtual void setClassLabel(const QString &label) = 0;
    virtual QString classLabel() const = 0;

    // Only reads the results, for an export: the file is opened read-only and never
    // created, changed nor set aside, and no visit is kept. Called before anything else.
    virtual void setReadOnly() = 0;

    // One kept visit. Its items and first answers are counted in one unit, the same for
    // every visit to an activity: "question" (one answer each), "set" (a set of phrases,
    // marked as a whole) or "word" (each word dragged onto a box is one item, answered
    // once); so right and wrong first time together are never more than the items.
    struct Visit
    {
        QDateTime started; // local time
        int seconds = 0;
        QString classLabel;
        QString activity;
        QString title;
        int items = 0;
        QString unit;
        int rightFirstTime = 0;
        int wrongFirstTime = 0;
        QString pupil; // the pupil's name as it is now; empty for a visit kept by class alone
        QString computer; // the name of the computer it was made on
    };
    // What to show: visits of one class (empty: every class) started since a time and
    // before another (invalid: no limit).
    struct Filter
    {
        QString classLabel;
        QDateTime since;
        QDateTime before;
        std::optional<qint64> pupil; // one pupil's visits (unset: everyone's, class-only visits included)
    };
    virtual QList<Visit> visits(const Filter &filter = {}) const = 0;
    // Per activity, weakest first (the lowest share of first answers right; activities with
    // no answers yet come last): visits, items, right and wrong first time.
    struct Summary
    {
        QString activity;
        QString title;
        int visits = 0;
        int items = 0;
        QString unit;
        int right = 0;
        int wrong = 0;
        double rightPercent() const { return right + wrong > 0 ? 100.0 * right / (right + wrong) : 0.0; }
    };
    virtual QList<Summary> summary(const Filter &filter = {}) const = 0;
    // The class labels that have visits or pupils, for choosing one, in order.
    virtual QStringList classLabels() const = 0;

    // The class lists, kept by the teacher. A pupil is the name the teacher typed (at most
    // PupilNameMaxLength characters, unique within a class, case-insensitive) and a class;
    // nothing else is kept about a child.
    static constexpr int PupilNameMaxLength = 24;
    struct Pupil
    {
        qint64 id = 0;
        QString name;
        QString classLabel;
    };
    // Every pupil (or one class's), by class and then name.
    virtual QList<Pupil> pupils(const QString &classLabel = {}) const = 0;
    // Adds pupils to a class, all or none: the ids, or nothing and why (an empty, over-long
    // or repeated name, one already in the class, a file that cannot be written).
    virtual QList<qint64> addPupils(const QString &classLabel, const QStringList &names, QString *error) = 0;
    virtual bool renamePupil(qint64 pupil, const QString &name, QString *error) = 0;
    // Moves a pupil to another class; the visits kept so far keep the class they were made in.
    virtual bool movePupil(qint64 pupil, const QString &classLabel, QString *error) = 0;
    // Removes a pupil and every visit kept with them, for good (the file keeps no copy in
    // its free pages): how many visits went, or -1 and why.
    virtual int removePupil(qint64 pupil, QString *error) = 0;
    // Removes a class: its pupils and every visit kept under it, for good. How many visits
    // went, or -1 and why.
    virtual int removeClass(const QString &classLabel, QString *error) = 0;

    // Per pupil of the filter's class (every class when none; only the filter's pupil when
    // set), by name: right and wrong first time per activity, as the summary counts them,
    // from the pupil's visits wherever they were made (before a move too). Pupils with no
    // visits are listed with none.
    struct PupilSummary
    {
        Pupil pupil;
        QList<Summary> activities;
    };
    virtual QList<PupilSummary> pupilSummary(const Filter &filter = {}) const = 0;

    // Removes the visits the filter selects; how many, or -1 and why when they cannot be
    // removed.
    virtual int clear(const Filter &filter = {}, QString *error = nullptr) = 0;

    // Writes visits as CSV (UTF-8, header row, one row per visit, RFC 4180 quoting, and a
    // text field that begins with =, +, - or @ prefixed with an apostrophe) to a regular
    // file or a new one, never a folder or a device; written to a temporary file and
    // renamed only when every byte is down, so a failed export leaves no file and nothing
    // half-written. The number of visits written, or -1 and a reason (the results could not
    // be read, or the file not written whole).
    virtual int exportCsv(const QString &path, const Filter &filter, QString *error) const = 0;
    // The same CSV to an open device (standard output): every write is checked, and a
    // short one is a failure. The number of visits written, or -1 and a reason.
    virtual int writeCsv(QIODevice &device, const Filter &filter, QString *error) const = 0;

    // What went wrong, said once for the teacher window; empty when nothing.
    virtual QString problem() const = 0;
    // Whether visits are being kept at all.
    virtual bool isKeeping() const = 0;

    // A kept visit that has ended and is not yet in the school database, as it is sent.
    struct OutgoingVisit : Visit
    {
        QString uuid;     // made when the visit started; the school database keeps one row per id
        QString pupilId;  // the pupil's id in the school's class lists; empty when none
    };
    // At most `limit` ended visits not yet marked sent, oldest first; never a visit under way.
    virtual QList<OutgoingVisit> unsentVisits(int limit) const = 0;
    // Marks these visits as in the school database (called only once it has committed
    // them); ids of visits under way or no longer kept are passed over. False and why when
    // the mark could not be written (none is then marked).
    virtual bool markSent(const QStringList &uuids, QString *error) = 0;

    // Whether what is read is the whole school's (every computer's visits, from the school
    // database) rather than this computer's own.
    virtual bool showsSchool() const { return false; }
    // Where what is read is kept, as a teacher's message names it.
    QString keptIn() const
    {
        return showsSchool() ? QStringLiteral("the school database") : QStringLiteral("this computer");
    }

    // The lesson under way, as the school database has it: every pupil signed in during the
    // last hour (or, for a computer nobody signed in at, the computer), by class and name.
    struct LessonPupil
    {
        QString name;       // empty for a computer nobody signed in at
        QString classLabel;
        QString computer;   // where they were last seen
        QString activity;   // the caption of the activity open now; empty when none is
        int items = 0;      // first answers given this lesson
        int right = 0;      // of them right
        bool threeWrong = false; // three wrong first answers in a row this lesson
        QDateTime lastSeen;
    };
    // The lesson, or nothing and why (no school database, or it cannot be read).
    virtual QList<LessonPupil> lesson(QString *error) const
    {
        if (error)
            *error = QStringLiteral("The lesson can be followed only when this computer is joined to the school database "
                                    "(Settings, School database).");
        return {};
    }

    // Called whenever visits have been written or removed (at each Next, on leaving an
    // activity, on clearing; in the school's results, on any computer), so a page showing
    // them can read them again. Returns a key for removing the call; callers remove theirs
    // before they go.
    int addChangeListener(std::function<void()> changed) { return m_changed.add(std::move(changed)); }
    void removeChangeListener(int key) { m_changed.remove(key); }
    // Called whenever a pupil anywhere in the school answers, starts or leaves an activity,
    // or signs in or out: what lesson() shows has changed. The key as above.
    int addLessonListener(std::function<void()> changed) { return m_lesson.add(std::move(changed)); }
    void removeLessonListener(int key) { m_lesson.remove(key); }

protected:
    void notifyChanged() const { m_changed.call(); }
    void notifyLesson() const { m_lesson.call(); }
    bool hasLessonListeners() const { return !m_lesson.isEmpty(); }

private:
    class Listeners
    {
    public:
        int add(std::function<void()> call)
        {
            m_calls.append({++m_last, std::move(call)});
            return m_last;
        }
        void remove(int key)
        {
            m_calls.removeIf([key](const auto &listener) { return listener.first == key; });
        }
        void call() const
        {
            const auto calls = m_calls; // a listener may remove itself
            for (const auto &listener : calls)
                listener.second();
        }
        bool isEmpty() const { return m_calls.isEmpty(); }

    private:
        QList<std::pair<int, std::function<void()>>> m_calls;
        int m_last = 0;
    };
    Listeners m_changed;
    Listeners m_lesson;
};

// Keeps nothing and says why: what the program uses when the results module cannot be
// loaded, so the lessons go on and the teacher window tells the teacher.
class NoResults : public Results
{
public:
    explicit NoResults(QString problem) : m_problem(std::move(problem)) {}

    void visitStarted(const QString &, const QString &) override {}
    void itemShown(int) override {}
    void answered(bool) override {}
    void visitEnded() override {}

    void setClassLabel(const QString &label) override { m_classLabel = label.trimmed().left(ClassLabelMaxLength); }
    QString classLabel() const override { return m_classLabel; }
    void setReadOnly() override {}
    QList<Visit> visits(const Filter & = {}) const override { return {}; }
    QList<Summary> summary(const Filter & = {}) const override { return {}; }
    QStringList classLabels() const override { return {}; }
    QList<Pupil> pupils(const QString & = {}) const override { return {}; }
    QList<qint64> addPupils(const QString &, const QStringList &, QString *error) override
    {
        if (error)
            *error = m_problem;
        return {};
    }
    bool renamePupil(qint64, const QString &, QString *error) override { return refuse(error); }
    bool movePupil(qint64, const QString &, QString *error) override { return refuse(error); }
    int removePupil(qint64, QString *error) override { return refuse(error) ? 0 : -1; }
    int removeClass(const QString &, QString *error) override { return refuse(error) ? 0 : -1; }
    QList<PupilSummary> pupilSummary(const Filter & = {}) const override { return {}; }
    QList<Entry> pupilsOf(const QString &) const override { return {}; }
    void signIn(qint64 pupil) override { m_pupil = pupil; }
    qint64 signedIn() const override { return m_pupil; }
    int clear(const Filter & = {}, QString * = nullptr) override { return 0; }
    int exportCsv(const QString &, const Filter &, QString *error) const override
    {
        if (error)
            *error = m_problem;
        return -1;
    }
    int writeCsv(QIODevice &, const Filter &, QString *error) const override
    {
        if (error)
            *error = m_problem;
        return -1;
    }
    QString problem() const override { return m_problem; }
    bool isKeeping() const override { return false; }
    QList<OutgoingVisit> unsentVisits(int) const override { return {}; }
    bool markSent(const QStringList &uuids, QString *error) override { return uuids.isEmpty() || refuse(error); }

private:
    bool refuse(QString *error) const
    {
        if (error)
            *error = m_problem;
        return false;
    }

    QString m_problem;
    QString m_classLabel;
    qint64 m_pupil = 0;
};
