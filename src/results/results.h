#pragma once

#include "visitlog.h"

#include <QDateTime>
#include <QDir>
#include <QList>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <utility>

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

    // The class label new visits are kept under ("5B"); empty for none. No pupil's name
    // is ever kept.
    virtual void setClassLabel(const QString &label) = 0;
    virtual QString classLabel() const = 0;

    // One kept visit.
    struct Visit
    {
        QDateTime started; // local time
        int seconds = 0;
        QString classLabel;
        QString activity;
        QString title;
        int items = 0;
        int rightFirstTime = 0;
        int wrongFirstTime = 0;
    };
    // What to show: visits of one class (empty: every class) since a time (invalid: all).
    struct Filter
    {
        QString classLabel;
        QDateTime since;
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
        int right = 0;
        int wrong = 0;
        double rightPercent() const { return right + wrong > 0 ? 100.0 * right / (right + wrong) : 0.0; }
    };
    virtual QList<Summary> summary(const Filter &filter = {}) const = 0;
    // The class labels that have visits, for choosing one.
    virtual QStringList classLabels() const = 0;

    // Removes the visits the filter selects; returns how many.
    virtual int clear(const Filter &filter = {}) = 0;

    // Writes visits as CSV (UTF-8, header row, one row per visit, RFC 4180 quoting, and a
    // text field that begins with =, +, - or @ prefixed with an apostrophe); written to a
    // temporary file and renamed, so nothing half-written is left. False and a reason when
    // it cannot be written.
    virtual bool exportCsv(const QString &path, const Filter &filter, QString *error) const = 0;

    // What went wrong, said once for the teacher window; empty when nothing.
    virtual QString problem() const = 0;
    // Whether visits are being kept at all.
    virtual bool isKeeping() const = 0;
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

    void setClassLabel(const QString &label) override { m_classLabel = label.trimmed(); }
    QString classLabel() const override { return m_classLabel; }
    QList<Visit> visits(const Filter & = {}) const override { return {}; }
    QList<Summary> summary(const Filter & = {}) const override { return {}; }
    QStringList classLabels() const override { return {}; }
    int clear(const Filter & = {}) override { return 0; }
    bool exportCsv(const QString &, const Filter &, QString *error) const override
    {
        if (error)
            *error = m_problem;
        return false;
    }
    QString problem() const override { return m_problem; }
    bool isKeeping() const override { return false; }

private:
    QString m_problem;
    QString m_classLabel;
};
