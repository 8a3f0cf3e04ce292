#include "resultsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace {

// Kept as local time, so the date and start time read as the clock on the wall did, and
// sort as text.
const QString TimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

// SQLite's primary result codes that say the file itself is bad, or the disk full.
constexpr int SqliteCorrupt = 11;
constexpr int SqliteFull = 13;
constexpr int SqliteNotADatabase = 26;

// Each step takes the schema from its index to the next version, in one transaction.
const QList<QStringList> Migrations = {
    {
        QStringLiteral("CREATE TABLE visits (id INTEGER PRIMARY KEY, started TEXT NOT NULL,"
                       " seconds INTEGER NOT NULL DEFAULT 0, class TEXT NOT NULL DEFAULT '',"
                       " activity TEXT NOT NULL, title TEXT NOT NULL DEFAULT '',"
                       " items INTEGER NOT NULL DEFAULT 0, right_first INTEGER NOT NULL DEFAULT 0,"
                       " wrong_first INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE INDEX visits_started ON visits (started)"),
        // Each item shown in a visit, in order: its bank record and its first answers.
        QStringLiteral("CREATE TABLE items (visit INTEGER NOT NULL REFERENCES visits (id) ON DELETE CASCADE,"
                       " seq INTEGER NOT NULL, record INTEGER NOT NULL,"
                       " right_first INTEGER NOT NULL DEFAULT 0, wrong_first INTEGER NOT NULL DEFAULT 0,"
                       " PRIMARY KEY (visit, seq)) WITHOUT ROWID"),
    },
};
static_assert(ResultsStore::SchemaVersion == 1, "one migration per schema version");

QString whereClause(const ResultsStore::Filter &filter)
{
    QStringList terms;
    if (!filter.classLabel.isEmpty())
        terms << QStringLiteral("class = :class");
    if (filter.since.isValid())
        terms << QStringLiteral("started >= :since");
    return terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
}

void bindFilter(QSqlQuery &query, const ResultsStore::Filter &filter)
{
    if (!filter.classLabel.isEmpty())
        query.bindValue(QStringLiteral(":class"), filter.classLabel);
    if (filter.since.isValid())
        query.bindValue(QStringLiteral(":since"), filter.since.toLocalTime().toString(TimeFormat));
}

// One CSV field: text that a spreadsheet would read as a formula gets an apostrophe in
// front, and a field with a comma, quote or line break is quoted, quotes doubled.
QString csvField(QString text, bool isText)
{
    if (isText && !text.isEmpty() && QStringLiteral("=+-@").contains(text.front()))
        text.prepend(QLatin1Char('\''));
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\n'))
        || text.contains(QLatin1Char('\r'))) {
        text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

} // namespace

ResultsStore::ResultsStore(QString path)
    : m_path(std::move(path))
{
    static std::atomic_int count{0};
    m_connection = QStringLiteral("quorvale-results-%1").arg(++count);
}

ResultsStore::~ResultsStore()
{
    visitEnded();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

void ResultsStore::setClassLabel(const QString &label)
{
    m_classLabel = label.trimmed();
}

QString ResultsStore::classLabel() const
{
    return m_classLabel;
}

void ResultsStore::visitStarted(const QString &activity, const QString &title)
{
    visitEnded();
    OpenVisit visit;
    visit.started = QDateTime::currentDateTime();
    visit.clock.start();
    visit.classLabel = m_classLabel;
    visit.activity = activity;
    visit.title = title;
    m_visit = std::move(visit);
}

void ResultsStore::itemShown(int record)
{
    if (!m_visit)
        return;
    // The items before this one are done: keep them before showing the next.
    if (!m_visit->items.isEmpty())
        save();
    m_visit->items.append(Item{record});
}

void ResultsStore::answered(bool right)
{
    if (!m_visit)
        return;
    if (m_visit->items.isEmpty())
        m_visit->items.append(Item{});
    Item &item = m_visit->items.last();
    ++(right ? item.right : item.wrong);
}

void ResultsStore::visitEnded()
{
    if (!m_visit)
        return;
    save();
    m_visit.reset();
}

void ResultsStore::save()
{
    if (!ensureOpen())
        return;
    OpenVisit &visit = *m_visit;
    int right = 0;
    int wrong = 0;
    for (const Item &item : std::as_const(visit.items)) {
        right += item.right;
        wrong += item.wrong;
    }
    const qint64 seconds = (visit.clock.elapsed() + 500) / 1000;

    const qint64 idBefore = visit.id;
    bool ok = m_db.transaction();
    QSqlError error = m_db.lastError();
    if (ok) {
        QSqlQuery query(m_db);
        QVariantList values = {seconds, int(visit.items.size()), right, wrong};
        if (visit.id == 0) {
            query.prepare(QStringLiteral("INSERT INTO visits (seconds, items, right_first, wrong_first, started,"
                                         " class, activity, title) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
            // A null QString is bound as NULL: text columns get empty text instead.
            for (const QString &text : {visit.started.toString(TimeFormat), visit.classLabel, visit.activity, visit.title})
                values << (text.isNull() ? QString(QLatin1String("")) : text);
        } else {
            query.prepare(QStringLiteral("UPDATE visits SET seconds = ?, items = ?, right_first = ?,"
                                         " wrong_first = ? WHERE id = ?"));
            values << visit.id;
        }
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values.at(i));
        ok = query.exec();
        if (ok && visit.id == 0)
            visit.id = query.lastInsertId().toLongLong();
        if (ok && visit.itemsWritten < visit.items.size()) {
            ok = query.prepare(QStringLiteral("INSERT INTO items (visit, seq, record, right_first, wrong_first)"
                                              " VALUES (?, ?, ?, ?, ?)"));
            for (int i = visit.itemsWritten; ok && i < visit.items.size(); ++i) {
                const Item &item = visit.items.at(i);
                const QVariantList row = {visit.id, i, item.record, item.right, item.wrong};
                for (int k = 0; k < row.size(); ++k)
                    query.bindValue(k, row.at(k));
                ok = query.exec();
            }
        }
        if (!ok)
            error = query.lastError();
        query.finish();
        if (ok) {
            ok = m_db.commit();
            if (!ok)
                error = m_db.lastError();
        }
        if (!ok)
            m_db.rollback();
    }
    if (!ok) {
        // Still in memory: the next save writes it whole, once the disk allows.
        visit.id = idBefore;
        QString why;
        classify(error, &why);
        notKept(why);
        return;
    }
    visit.itemsWritten = visit.items.size();
    m_keeping = true;
}

bool ResultsStore::ensureOpen() const
{
    if (m_tried)
        return m_db.isOpen();
    m_tried = true;

    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        notKept(QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    // A damaged file is set aside once and a new one started; if the new one fails too,
    // nothing is kept this run.
    for (int attempt = 0; attempt < 2; ++attempt) {
        QString why;
        const Check check = openAndCheck(&why);
        if (check == Check::Usable) {
            m_keeping = true;
            return true;
        }
        m_db.close();
        if (check == Check::Damaged && attempt == 0 && setAside(why))
            continue;
        if (check == Check::Damaged)
            why = QStringLiteral("%1 cannot be used (%2) nor set aside").arg(QDir::toNativeSeparators(m_path), why);
        notKept(why);
        return false;
    }
    return false;
}

ResultsStore::Check ResultsStore::openAndCheck(QString *why) const
{
    QFile file(m_path);
    if (file.exists() && file.size() > 0) {
        if (!file.open(QIODevice::ReadOnly)) {
            *why = QStringLiteral("%1 cannot be read").arg(QDir::toNativeSeparators(m_path));
            return Check::Unusable;
        }
        if (file.read(16) != QByteArray("SQLite format 3", 16)) {
            *why = QStringLiteral("it is not a results file");
            return Check::Damaged;
        }
        file.close();
    }

    if (!m_db.isValid()) {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        if (!m_db.isValid()) {
            *why = QStringLiteral("Qt's SQLite driver (libqt6sql6-sqlite) is not installed");
            return Check::Unusable;
        }
        m_db.setDatabaseName(m_path);
        // Another copy of the program on the same computer may be writing a visit.
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    }
    if (!m_db.open())
        return classify(m_db.lastError(), why);

    QSqlQuery query(m_db);
    // A small page cache: a year's results run to a few megabytes, and the integrity check
    // reads every page.
    if (!query.exec(QStringLiteral("PRAGMA cache_size = -256")) || !query.exec(QStringLiteral("PRAGMA integrity_check")))
        return classify(query.lastError(), why);
    if (!query.next() || query.value(0).toString() != QLatin1String("ok")) {
        *why = QStringLiteral("it failed its integrity check");
        return Check::Damaged;
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return classify(query.lastError(), why);
    const int version = query.value(0).toInt();
    if (version > SchemaVersion) {
        *why = QStringLiteral("it was written by a newer version of Quorvale");
        return Check::Damaged;
    }
    // Write-ahead logging: a visit written is safe the moment its transaction ends, and a
    // process killed mid-write leaves the file as it was before.
    for (const char *pragma : {"PRAGMA journal_mode = WAL", "PRAGMA synchronous = FULL", "PRAGMA foreign_keys = ON"}) {
        if (!query.exec(QLatin1String(pragma)))
            return classify(query.lastError(), why);
    }
    query.finish();
    if (!migrate(version, why))
        return Check::Unusable;
    return Check::Usable;
}

bool ResultsStore::migrate(int from, QString *why) const
{
    // Each step is one transaction. Even when the schema is current, setting its version
    // again is one small write that proves the file can be written, so a read-only file is
    // found now rather than at the end of the first visit.
    int version = from;
    do {
        if (!m_db.transaction()) {
            classify(m_db.lastError(), why);
            return false;
        }
        QSqlQuery query(m_db);
        QStringList steps = version < SchemaVersion ? Migrations.at(version) : QStringList();
        version = std::min(version + 1, SchemaVersion);
        steps << QStringLiteral("PRAGMA user_version = %1").arg(version);
        for (const QString &step : std::as_const(steps)) {
            if (!query.exec(step)) {
                classify(query.lastError(), why);
                query.finish();
                m_db.rollback();
                return false;
            }
        }
        query.finish();
        if (!m_db.commit()) {
            classify(m_db.lastError(), why);
            m_db.rollback();
            return false;
        }
    } while (version < SchemaVersion);
    return true;
}

ResultsStore::Check ResultsStore::classify(const QSqlError &error, QString *why) const
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    if (code == SqliteCorrupt || code == SqliteNotADatabase) {
        *why = QStringLiteral("it is damaged: %1").arg(error.databaseText());
        return Check::Damaged;
    }
    if (code == SqliteFull)
        *why = QStringLiteral("the disk is full");
    else
        *why = QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(m_path), error.databaseText());
    return Check::Unusable;
}

bool ResultsStore::setAside(const QString &why) const
{
    const QFileInfo info(m_path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString aside;
    for (int n = 1; aside.isEmpty() || QFile::exists(aside); ++n) {
        const QString suffix = n == 1 ? QString() : QStringLiteral("-%1").arg(n);
        aside = info.dir().filePath(QStringLiteral("%1-set-aside-%2%3.%4")
                                        .arg(info.completeBaseName(), stamp, suffix, info.suffix()));
    }
    if (!QFile::rename(m_path, aside))
        return false;
    // Its log goes with it, so the new file never picks up pages from the old one.
    QFile::rename(m_path + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
    QFile::remove(m_path + QStringLiteral("-shm"));
    m_problem = QStringLiteral("The results file could not be used (%1), so it was kept as %2 and a new one "
                               "was started.")
                    .arg(why, QFileInfo(aside).fileName());
    return true;
}

void ResultsStore::notKept(const QString &why) const
{
    m_keeping = false;
    if (m_problem.isEmpty())
        m_problem = QStringLiteral("Results are not being kept: %1.").arg(why);
}

QList<ResultsStore::Visit> ResultsStore::visits(const Filter &filter) const
{
    QList<Visit> visits;
    if (!ensureOpen())
        return visits;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT started, seconds, class, activity, title, items, right_first, wrong_first"
                                 " FROM visits")
                  + whereClause(filter) + QStringLiteral(" ORDER BY started, id"));
    bindFilter(query, filter);
    if (!query.exec())
        return visits;
    while (query.next()) {
        Visit visit;
        visit.started = QDateTime::fromString(query.value(0).toString(), TimeFormat);
        visit.seconds = query.value(1).toInt();
        visit.classLabel = query.value(2).toString();
        visit.activity = query.value(3).toString();
        visit.title = query.value(4).toString();
        visit.items = query.value(5).toInt();
        visit.rightFirstTime = query.value(6).toInt();
        visit.wrongFirstTime = query.value(7).toInt();
        visits.append(visit);
    }
    return visits;
}

QList<ResultsStore::Summary> ResultsStore::summary(const Filter &filter) const
{
    QList<Summary> rows;
    if (!ensureOpen())
        return rows;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    // The title of the latest visit names the activity.
    query.prepare(QStringLiteral("SELECT activity, (SELECT title FROM visits AS t WHERE t.activity = v.activity"
                                 " ORDER BY started DESC, id DESC LIMIT 1), COUNT(*), SUM(items),"
                                 " SUM(right_first), SUM(wrong_first) FROM visits AS v")
                  + whereClause(filter) + QStringLiteral(" GROUP BY activity"));
    bindFilter(query, filter);
    if (!query.exec())
        return rows;
    while (query.next()) {
        Summary row;
        row.activity = query.value(0).toString();
        row.title = query.value(1).toString();
        row.visits = query.value(2).toInt();
        row.items = query.value(3).toInt();
        row.right = query.value(4).toInt();
        row.wrong = query.value(5).toInt();
        rows.append(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Summary &a, const Summary &b) {
        const bool aAnswered = a.right + a.wrong > 0;
        const bool bAnswered = b.right + b.wrong > 0;
        if (aAnswered != bAnswered)
            return aAnswered;
        if (a.rightPercent() != b.rightPercent())
            return a.rightPercent() < b.rightPercent();
        return a.activity < b.activity;
    });
    return rows;
}

QStringList ResultsStore::classLabels() const
{
    QStringList labels;
    if (!ensureOpen())
        return labels;
    QSqlQuery query(m_db);
    if (query.exec(QStringLiteral("SELECT DISTINCT class FROM visits WHERE class <> '' ORDER BY class"))) {
        while (query.next())
            labels << query.value(0).toString();
    }
    return labels;
}

int ResultsStore::clear(const Filter &filter)
{
    if (!ensureOpen() || !m_db.transaction())
        return 0;
    QSqlQuery query(m_db);
    const QString where = whereClause(filter);
    query.prepare(QStringLiteral("DELETE FROM items WHERE visit IN (SELECT id FROM visits") + where
                  + QStringLiteral(")"));
    bindFilter(query, filter);
    bool ok = query.exec();
    int removed = 0;
    if (ok) {
        query.prepare(QStringLiteral("DELETE FROM visits") + where);
        bindFilter(query, filter);
        ok = query.exec();
        removed = query.numRowsAffected();
    }
    query.finish();
    if (!ok || !m_db.commit()) {
        m_db.rollback();
        return 0;
    }
    // A visit under way whose row went is written afresh at its next save.
    if (m_visit && m_visit->id != 0) {
        query.prepare(QStringLiteral("SELECT 1 FROM visits WHERE id = ?"));
        query.bindValue(0, m_visit->id);
        if (query.exec() && !query.next()) {
            m_visit->id = 0;
            m_visit->itemsWritten = 0;
        }
    }
    return removed;
}

bool ResultsStore::exportCsv(const QString &path, const Filter &filter, QString *error) const
{
    QString csv = QStringLiteral("date,start time,class,activity,title,items,right first time,wrong first time,"
                                 "seconds\r\n");
    for (const Visit &visit : visits(filter)) {
        const QStringList fields = {
            csvField(visit.started.toString(QStringLiteral("yyyy-MM-dd")), false),
            csvField(visit.started.toString(QStringLiteral("HH:mm:ss")), false),
            csvField(visit.classLabel, true),
            csvField(visit.activity, true),
            csvField(visit.title, true),
            QString::number(visit.items),
            QString::number(visit.rightFirstTime),
            QString::number(visit.wrongFirstTime),
            QString::number(visit.seconds),
        };
        csv += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv.toUtf8()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString ResultsStore::problem() const
{
    ensureOpen();
    return m_problem;
}

bool ResultsStore::isKeeping() const
{
    return ensureOpen() && m_keeping;
}
