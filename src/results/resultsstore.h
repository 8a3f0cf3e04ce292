#pragma once

#include "visitlog.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

class QSqlError;

// The class results: every visit to an activity, kept in one SQLite file per computer
// (<AppData>/Quorvale/results.sqlite). Opened on first use. A file that cannot be used is
// never allowed to cost the class its lesson: a damaged or foreign file is renamed aside
// and a new one started; a folder that cannot be written means nothing is kept; either
// way problem() says so once, for the teacher window.
class ResultsStore : public VisitLog
{
public:
    // The file to keep results in; opened on the first call that needs it.
    explicit ResultsStore(QString path);
    ~ResultsStore() override; // keeps an unfinished visit (the program is ending)

    // The usual file: results.sqlite in the user's application data folder.
    static QString defaultPath();

    // The class label new visits are kept under ("5B"); empty for none. No pupil's name
    // is ever kept.
    void setClassLabel(const QString &label);
    QString classLabel() const;

    // VisitLog
    void visitStarted(const QString &activity, const QString &title) override;
    void itemShown(int record) override;
    void answered(bool right) override;
    void visitEnded() override;

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
    QList<Visit> visits(const Filter &filter = {}) const;
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
    QList<Summary> summary(const Filter &filter = {}) const;
    // The class labels that have visits, for choosing one.
    QStringList classLabels() const;

    // Removes the visits the filter selects; returns how many.
    int clear(const Filter &filter = {});

    // Writes visits as CSV (UTF-8, header row, one row per visit, RFC 4180 quoting, and a
    // text field that begins with =, +, - or @ prefixed with an apostrophe); written to a
    // temporary file and renamed, so nothing half-written is left. False and a reason when
    // it cannot be written.
    bool exportCsv(const QString &path, const Filter &filter, QString *error) const;

    // What went wrong with the file, said once for the teacher window; empty when nothing.
    QString problem() const;
    // Whether visits are being kept at all.
    bool isKeeping() const;

    // The schema this build writes (PRAGMA user_version); a file with a newer one is set
    // aside rather than changed.
    static constexpr int SchemaVersion = 1;

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
        QString classLabel;
        QString activity;
        QString title;
        QList<Item> items;
        int itemsWritten = 0;
    };
    enum class Check { Usable, Damaged, Unusable };

    bool ensureOpen() const;
    Check openAndCheck(QString *why) const;
    Check classify(const QSqlError &error, QString *why) const;
    bool migrate(int from, QString *why) const;
    bool setAside(const QString &why) const;
    void notKept(const QString &why) const;
    void save();

    QString m_path;
    QString m_connection;
    QString m_classLabel;
    std::optional<OpenVisit> m_visit;
    // Opened on first use, hence mutable: reading the results opens the file too.
    mutable QSqlDatabase m_db;
    mutable bool m_tried = false;
    mutable bool m_keeping = false;
    mutable QString m_problem;
};
