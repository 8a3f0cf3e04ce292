#pragma once

#include "visitlog.h"

#include <QDateTime>
#include <QDir>
#include <QList>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

class QIODevice;

// The class results as the program and the teacher window see them: every visit to an
// activity, kept per computer. Only this interface is built into them; the store itself
// (SQLite through Qt SQL, resultsstore.h) lives in the quorvale-results module, loaded on
// first use, so starting the program never loads a database library.
class Results : public VisitLog
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

    // The class label new visits are kept under ("5B"); empty for none. No pupil's name
    // is ever kept.
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
    };
    // What to show: visits of one class (empty: every class) started since a time and
    // before another (invalid: no limit).
    struct Filter
    {
        QString classLabel;
        QDateTime since;
        QDateTime before;
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
    // The class labels that have visits, for choosing one.
    virtual QStringList classLabels() const = 0;

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

    // Called whenever visits have been written or removed (at each Next, on leaving an
    // activity, on clearing), so a page showing them can read them again. Returns a key
    // for removing the call; callers remove theirs before they go.
    int addChangeListener(std::function<void()> changed)
    {
        m_listeners.append({++m_lastListener, std::move(changed)});
        return m_lastListener;
    }
    void removeChangeListener(int key)
    {
        m_listeners.removeIf([key](const auto &listener) { return listener.first == key; });
    }

protected:
    void notifyChanged() const
    {
        const auto listeners = m_listeners; // a listener may remove itself
        for (const auto &listener : listeners)
            listener.second();
    }

private:
    QList<std::pair<int, std::function<void()>>> m_listeners;
    int m_lastListener = 0;
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

private:
    QString m_problem;
    QString m_classLabel;
};
