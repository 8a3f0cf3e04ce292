#pragma once

#include "results.h"

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
class ResultsStore : public Results
{
public:
    // The file to keep results in; opened on the first call that needs it.
    explicit ResultsStore(QString path);
    ~ResultsStore() override; // keeps an unfinished visit (the program is ending)

    void setClassLabel(const QString &label) override;
    QString classLabel() const override;

    // VisitLog
    void visitStarted(const QString &activity, const QString &title) override;
    void itemShown(int record) override;
    void answered(bool right) override;
    void visitEnded() override;

    QList<Visit> visits(const Filter &filter = {}) const override;
    QList<Summary> summary(const Filter &filter = {}) const override;
    QStringList classLabels() const override;
    int clear(const Filter &filter = {}) override;
    bool exportCsv(const QString &path, const Filter &filter, QString *error) const override;
    // What went wrong with the file, said once for the teacher window; empty when nothing.
    QString problem() const override;
    bool isKeeping() const override;

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
