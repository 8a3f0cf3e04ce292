#include "resultsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUrl>
#include <QUuid>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace {

// Kept as local time, so the date and start time read as the clock on the wall did, and
// sort as text.
const QString TimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

// A visit's columns as every query of visits selects them first: started, seconds, class,
// activity, title, right and wrong first time, unit, items, the pupil's name, the computer.
constexpr int VisitColumns = 11;
void readVisit(const QSqlQuery &query, Results::Visit &visit)
{
    visit.started = QDateTime::fromString(query.value(0).toString(), TimeFormat);
    ResultsStore::readVisitColumns(query, visit);
}

// SQLite's primary result codes that need words of their own.
constexpr int SqliteBusy = 5;
constexpr int SqliteReadOnly = 8;
constexpr int SqliteCorrupt = 11;
constexpr int SqliteFull = 13;
constexpr int SqliteCantOpen = 14;
constexpr int SqliteNotADatabase = 26;

// How long a save waits for another copy of the program to finish writing.
constexpr int BusyTimeoutMs = 3000;
// A file that could not be opened is tried again after this long (another copy of the
// program may have been creating it, or the disk been full), not at every call.
constexpr qint64 RetryAfterMs = 30000;
// Ended visits held in memory while the file cannot be written; far more than a day's.
constexpr int MostUnwritten = 5000;

// The activities whose items are not single questions: the five that sort phrases mark a
// whole set at once; the two that drag words mark each word dropped on a box, so there
// each word dropped is an item.
struct ActivityUnit
{
    const char *activity;
    const char *unit;
};
constexpr ActivityUnit Units[] = {
    {"chronological", "set"}, {"genre", "set"},   {"similarity", "set"},  {"cv", "set"},
    {"key2", "set"},          {"person", "word"}, {"notemaking", "word"},
};
const QString Question = QStringLiteral("question");
const QString Word = QStringLiteral("word");

// The unit as SQL, from the activity column, and the activities counted per word.
QString unitSql()
{
    QString sql = QStringLiteral("CASE activity");
    for (const ActivityUnit &each : Units)
        sql += QStringLiteral(" WHEN '%1' THEN '%2'").arg(QLatin1String(each.activity), QLatin1String(each.unit));
    return sql + QStringLiteral(" ELSE '%1' END").arg(Question);
}
QString perWordActivitiesSql()
{
    QStringList ids;
    for (const ActivityUnit &each : Units) {
        if (QLatin1String(each.unit) == Word)
            ids << QStringLiteral("'%1'").arg(QLatin1String(each.activity));
    }
    return QStringLiteral("(%1)").arg(ids.join(QLatin1Char(',')));
}

// What a step takes the schema from version `from` to the next; the steps a file needs
// run in one transaction.
QStringList migration(int from)
{
    switch (from) {
    case 0:
        return {
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
        };
    case 1:
        // The unit items are counted in. Visits to the word activities counted sentences
        // as items but each word dropped as an answer; they now count words throughout.
        return {
            QStringLiteral("ALTER TABLE visits ADD COLUMN unit TEXT NOT NULL DEFAULT '%1'").arg(Question),
            QStringLiteral("UPDATE visits SET unit = ") + unitSql(),
            QStringLiteral("UPDATE visits SET items = right_first + wrong_first WHERE activity IN ")
                + perWordActivitiesSql(),
        };
    case 2:
        // The class lists: a pupil is a name and a class, nothing more. Ids are never
        // reused, so a visit can never pass to a pupil added after another was removed.
        // A visit made while a pupil was signed in names them; others have none.
        return {
            QStringLiteral("CREATE TABLE pupils (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL,"
                           " class TEXT NOT NULL)"),
            QStringLiteral("CREATE INDEX pupils_class ON pupils (class)"),
            QStringLiteral("ALTER TABLE visits ADD COLUMN pupil INTEGER REFERENCES pupils (id)"),
            QStringLiteral("CREATE INDEX visits_pupil ON visits (pupil)"),
        };
    case 3:
        // Ready for a school database: each visit has an id of its own, made when it
        // starts (a random UUID, so no two computers ever make the same), the computer
        // it was made on, whether it has ended ("done": a visit under way is written at
        // each item and changes until then) and whether the school database has it.
        // Visits kept so far were made on this computer, have ended and were never sent.
        return {
            QStringLiteral("ALTER TABLE visits ADD COLUMN uuid TEXT"),
            QStringLiteral("ALTER TABLE visits ADD COLUMN computer TEXT NOT NULL DEFAULT ''"),
            QStringLiteral("ALTER TABLE visits ADD COLUMN done INTEGER NOT NULL DEFAULT 1"),
            QStringLiteral("ALTER TABLE visits ADD COLUMN sent INTEGER NOT NULL DEFAULT 0"),
            // A version 4 UUID from SQLite's random bytes.
            QStringLiteral("UPDATE visits SET uuid = lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4'"
                           " || substr(hex(randomblob(2)), 2) || '-' || substr('89ab', 1 + (random() & 3), 1)"
                           " || substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6)))"),
            QStringLiteral("UPDATE visits SET computer = ?"),
            QStringLiteral("CREATE UNIQUE INDEX visits_uuid ON visits (uuid)"),
            QStringLiteral("CREATE INDEX visits_unsent ON visits (started) WHERE sent = 0"),
        };
    case 4:
        // A pupil from the school's class lists carries the id the school database gave
        // them; pupils added on this computer alone have none.
        return {
            QStringLiteral("ALTER TABLE pupils ADD COLUMN school_id TEXT"),
            QStringLiteral("CREATE UNIQUE INDEX pupils_school ON pupils (school_id)"),
        };
    }
    return {};
}

// The computer's name as kept with its visits.
QString computerName()
{
    return QSysInfo::machineHostName();
}

// A visit still marked as under way that started this long ago was left by a program that
// was killed: it has ended, as far as it ever will.
constexpr qint64 AbandonedAfterSecs = 12 * 3600;

// The filter's terms on the visits table (named `table` in the statement).
QString whereClause(const ResultsStore::Filter &filter, const QString &table = QStringLiteral("visits"))
{
    QStringList terms;
    if (!filter.classLabel.isEmpty())
        terms << table + QStringLiteral(".class = :class");
    if (filter.since.isValid())
        terms << table + QStringLiteral(".started >= :since");
    if (filter.before.isValid())
        terms << table + QStringLiteral(".started < :before");
    if (filter.pupil)
        terms << table + QStringLiteral(".pupil = :pupil");
    return terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
}

void bindFilter(QSqlQuery &query, const ResultsStore::Filter &filter)
{
    if (!filter.classLabel.isEmpty())
        query.bindValue(QStringLiteral(":class"), filter.classLabel);
    if (filter.since.isValid())
        query.bindValue(QStringLiteral(":since"), filter.since.toLocalTime().toString(TimeFormat));
    if (filter.before.isValid())
        query.bindValue(QStringLiteral(":before"), filter.before.toLocalTime().toString(TimeFormat));
    if (filter.pupil)
        query.bindValue(QStringLiteral(":pupil"), *filter.pupil);
}

// Per activity, weakest first (see Results::summary), from visits oldest first.
QList<ResultsStore::Summary> summarise(const QList<ResultsStore::Visit> &visits)
{
    QList<ResultsStore::Summary> rows;
    for (const ResultsStore::Visit &visit : visits) {
        auto row = std::find_if(rows.begin(), rows.end(), [&](const auto &r) { return r.activity == visit.activity; });
        if (row == rows.end()) {
            rows.append(ResultsStore::Summary());
            row = rows.end() - 1;
            row->activity = visit.activity;
        }
        // Visits come oldest first: the latest title and unit name the activity.
        row->title = visit.title;
        row->unit = visit.unit;
        ++row->visits;
        row->items += visit.items;
        row->right += visit.rightFirstTime;
        row->wrong += visit.wrongFirstTime;
    }
    ResultsStore::sortWeakestFirst(rows);
    return rows;
}

bool byName(const QString &a, const QString &b)
{
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
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

QByteArray csvText(const QList<ResultsStore::Visit> &visits)
{
    QString csv = QStringLiteral("date,start time,class,pupil,activity,title,items,unit,answers right first time,"
                                 "answers wrong first time,seconds\r\n");
    for (const ResultsStore::Visit &visit : visits) {
        const QStringList fields = {
            csvField(visit.started.toString(QStringLiteral("yyyy-MM-dd")), false),
            csvField(visit.started.toString(QStringLiteral("HH:mm:ss")), false),
            csvField(visit.classLabel, true),
            csvField(visit.pupil, true),
            csvField(visit.activity, true),
            csvField(visit.title, true),
            QString::number(visit.items),
            csvField(visit.unit, true),
            QString::number(visit.rightFirstTime),
            QString::number(visit.wrongFirstTime),
            QString::number(visit.seconds),
        };
        csv += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return csv.toUtf8();
}

// Writes all of bytes or says why not: a write that takes fewer bytes than it was given
// (a full disk takes what fits) is a failure like any other.
bool writeAll(QIODevice &device, const QByteArray &bytes, QString *why)
{
    constexpr qint64 Chunk = 64 * 1024;
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 size = std::min(Chunk, bytes.size() - done);
        const qint64 written = device.write(bytes.constData() + done, size);
        if (written != size) {
            const auto *file = qobject_cast<const QFileDevice *>(&device);
            if (file && file->error() == QFileDevice::ResourceError)
                *why = QStringLiteral("the disk is full");
            else if (file && file->error() != QFileDevice::NoError)
                *why = device.errorString();
            else
                *why = QStringLiteral("only part of it could be written (the disk may be full)");
            return false;
        }
        done += size;
    }
    return true;
}

} // namespace

QStringList ResultsStore::checkedNames(const QString &label, const QStringList &names, QStringList *problems)
{
    QString why;
    QStringList kept;
    if (label.isEmpty())
        *problems << QStringLiteral("Choose a class for the pupils first.");
    if (names.isEmpty())
        *problems << QStringLiteral("There are no names to add.");
    for (const QString &name : names) {
        const QString tidy = checkedName(name, &why);
        if (tidy.isEmpty())
            *problems << why;
        else if (kept.contains(tidy, Qt::CaseInsensitive))
            *problems << QStringLiteral("\"%1\" is in the list more than once.").arg(tidy);
        else
            kept << tidy;
    }
    return kept;
}

QString ResultsStore::alreadyInClass(const QString &name, const QString &label)
{
    return QStringLiteral("\"%1\" is already in class %2.").arg(name, label);
}

void ResultsStore::readVisitColumns(const QSqlQuery &query, Visit &visit)
{
    visit.seconds = query.value(1).toInt();
    visit.classLabel = query.value(2).toString();
    visit.activity = query.value(3).toString();
    visit.title = query.value(4).toString();
    visit.rightFirstTime = query.value(5).toInt();
    visit.wrongFirstTime = query.value(6).toInt();
    visit.unit = query.value(7).toString();
    visit.items = query.value(8).toInt();
    visit.pupil = query.value(9).toString();
    visit.computer = query.value(10).toString();
}

void ResultsStore::sortWeakestFirst(QList<Summary> &rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const auto &a, const auto &b) {
        const bool aAnswered = a.right + a.wrong > 0;
        const bool bAnswered = b.right + b.wrong > 0;
        if (aAnswered != bAnswered)
            return aAnswered;
        if (a.rightPercent() != b.rightPercent())
            return a.rightPercent() < b.rightPercent();
        return a.activity < b.activity;
    });
}

QString ResultsStore::unitOf(const QString &activity)
{
    for (const ActivityUnit &each : Units) {
        if (activity == QLatin1String(each.activity))
            return QString::fromLatin1(each.unit);
    }
    return Question;
}

ResultsStore::ResultsStore(QString path)
    : m_path(std::move(path))
{
    static std::atomic_int count{0};
    m_connection = QStringLiteral("quorvale-results-%1").arg(++count);
}

ResultsStore::~ResultsStore()
{
    if (m_visit) {
        m_visit->seconds = (m_visit->clock.elapsed() + 500) / 1000;
        m_unwritten.append(*std::exchange(m_visit, std::nullopt));
    }
    // The program is ending: one more try for whatever is still in memory.
    if (!m_unwritten.isEmpty())
        save(true);
    closeDb();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

void ResultsStore::setClassLabel(const QString &label)
{
    m_classLabel = label.trimmed().left(ClassLabelMaxLength);
}

QString ResultsStore::classLabel() const
{
    return m_classLabel;
}

void ResultsStore::setReadOnly()
{
    m_readOnly = true;
}

void ResultsStore::visitStarted(const QString &activity, const QString &title)
{
    visitEnded();
    if (m_readOnly)
        return;
    OpenVisit visit;
    visit.started = QDateTime::currentDateTime();
    visit.clock.start();
    // A signed-in pupil's visit is kept under their class, whichever computer it is.
    visit.classLabel = m_pupil != 0 ? m_pupilClass : m_classLabel;
    visit.pupil = m_pupil;
    visit.activity = activity;
    visit.title = title;
    visit.unit = unitOf(activity);
    visit.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    visit.computer = computerName();
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
    m_visit->seconds = (m_visit->clock.elapsed() + 500) / 1000;
    const bool written = save();
    OpenVisit visit = *std::exchange(m_visit, std::nullopt);
    if (!written) {
        // Held until the file can be written again; only an absurd backlog loses the oldest.
        if (m_unwritten.size() >= MostUnwritten)
            m_unwritten.removeFirst();
        m_unwritten.append(std::move(visit));
    }
}

bool ResultsStore::save(bool now)
{
    if (!ensureWritable(now))
        return false;
    bool wrote = false;
    while (!m_unwritten.isEmpty() && write(m_unwritten.first())) {
        m_unwritten.removeFirst();
        wrote = true;
    }
    const bool ok = m_unwritten.isEmpty() && (!m_visit || write(*m_visit));
    if (wrote || ok)
        notifyChanged();
    return ok;
}

bool ResultsStore::write(OpenVisit &visit)
{
    if (visit.forgotten)
        return true;
    int right = 0;
    int wrong = 0;
    for (const Item &item : std::as_const(visit.items)) {
        right += item.right;
        wrong += item.wrong;
    }
    // In the word activities each word dropped is an item (a sentence asks for several).
    const int items = visit.unit == Word ? right + wrong : int(visit.items.size());
    const qint64 seconds = visit.seconds.value_or((visit.clock.elapsed() + 500) / 1000);
    const int done = visit.seconds ? 1 : 0;

    const qint64 idBefore = visit.id;
    const int itemsBefore = visit.itemsWritten;
    QSqlQuery query(m_db);
    const bool began = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    bool ok = began;
    if (ok && visit.id != 0) {
        query.prepare(QStringLiteral("UPDATE visits SET seconds = ?, items = ?, right_first = ?,"
                                     " wrong_first = ?, done = ? WHERE id = ?"));
        for (const QVariant &value : {QVariant(seconds), QVariant(items), QVariant(right), QVariant(wrong),
                                      QVariant(done), QVariant(visit.id)})
            query.addBindValue(value);
        ok = query.exec();
        // Its row was cleared meanwhile: the visit is written afresh.
        if (ok && query.numRowsAffected() == 0) {
            visit.id = 0;
            visit.itemsWritten = 0;
        }
    }
    if (ok && visit.id == 0 && visit.pupil != 0) {
        // Its pupil was removed meanwhile (from the teacher window, perhaps on another
        // computer): what they did is not kept either.
        query.prepare(QStringLiteral("SELECT 1 FROM pupils WHERE id = ?"));
        query.addBindValue(visit.pupil);
        ok = query.exec();
        if (ok && !query.next())
            visit.forgotten = true;
        query.finish();
    }
    if (ok && visit.forgotten) {
        query.exec(QStringLiteral("ROLLBACK"));
        return true;
    }
    if (ok && visit.id == 0) {
        query.prepare(QStringLiteral("INSERT INTO visits (seconds, items, right_first, wrong_first, done, pupil,"
                                     " started, class, activity, title, unit, uuid, computer)"
                                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (const QVariant &value : {QVariant(seconds), QVariant(items), QVariant(right), QVariant(wrong),
                                      QVariant(done),
                                      visit.pupil != 0 ? QVariant(visit.pupil) : QVariant(QMetaType::fromType<qint64>())})
            query.addBindValue(value);
        // A null QString is bound as NULL: text columns get empty text instead.
        for (const QString &text : {visit.started.toString(TimeFormat), visit.classLabel, visit.activity, visit.title,
                                    visit.unit, visit.uuid, visit.computer})
            query.addBindValue(text.isNull() ? QString(QLatin1String("")) : text);
        ok = query.exec();
        if (ok)
            visit.id = query.lastInsertId().toLongLong();
    }
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
    // Committed through a statement of its own, not QSqlDatabase::commit(), which drops
    // SQLite's error code (a full disk shows at the commit).
    if (ok)
        ok = query.exec(QStringLiteral("COMMIT"));
    const QSqlError error = query.lastError();
    if (!ok && began)
        query.exec(QStringLiteral("ROLLBACK"));
    if (!ok) {
        // Still in memory: the next save writes it whole, once the disk allows.
        visit.id = idBefore;
        visit.itemsWritten = itemsBefore;
        QString why;
        classify(error, &why);
        notKept(why);
        return false;
    }
    visit.itemsWritten = int(visit.items.size());
    m_failure.clear();
    return true;
}

bool ResultsStore::ensureOpen() const
{
    if (m_state != State::Closed)
        return true;
    if (m_lastTry.isValid() && (m_readOnly || !m_lastTry.hasExpired(RetryAfterMs)))
        return false;
    m_lastTry.start();
    if (m_readOnly) {
        QString why;
        if (!openForReading(&why))
            m_failure = why;
    } else {
        openForWriting();
    }
    return m_state != State::Closed;
}

bool ResultsStore::ensureWritable(bool now)
{
    if (m_readOnly)
        return false;
    if (m_state == State::Writable)
        return true;
    if (now)
        m_lastTry.invalidate();
    // Only reading, or nothing open: once in a while, try for the whole file again.
    if (m_state == State::Reading && (now || m_lastTry.hasExpired(RetryAfterMs))) {
        closeDb();
        m_state = State::Closed;
        m_lastTry.invalidate();
    }
    return ensureOpen() && m_state == State::Writable;
}

void ResultsStore::openForWriting() const
{
    const QFileInfo info(m_path);
    if (info.isSymLink() && !info.exists()) {
        notKept(QStringLiteral("%1 is a link to %2, which is not there")
                    .arg(QDir::toNativeSeparators(m_path), QDir::toNativeSeparators(info.symLinkTarget())));
        return;
    }
    if (info.exists() && !info.isFile()) {
        notKept(QStringLiteral("%1 is not a file").arg(QDir::toNativeSeparators(m_path)));
        return;
    }
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder)) {
        // No folder, so no file: nothing kept, and nothing to show.
        notKept(QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(folder)));
        m_state = State::Reading;
        return;
    }
    // A damaged file is set aside once and a new one started; if the new one fails too,
    // nothing is kept this run.
    for (int attempt = 0; attempt < 2; ++attempt) {
        QString why;
        const Check check = openAndCheck(Open::Write, &why);
        if (check == Check::Usable) {
            m_state = State::Writable;
            m_failure.clear();
            return;
        }
        closeDb();
        if (check == Check::Damaged && attempt == 0 && setAside(why))
            continue;
        if (check == Check::Damaged)
            why = QStringLiteral("%1 cannot be used (%2) nor set aside").arg(QDir::toNativeSeparators(m_path), why);
        // A file that can be read but not written (read-only, on a read-only disk, a full
        // disk) is still shown and exported; where there is none, there is nothing to show.
        const bool exists = QFileInfo::exists(m_path);
        QString unread;
        if (check != Check::Damaged && openForReading(&unread)) {
            if (exists) {
                m_failure = QStringLiteral("New visits cannot be kept: %1. The visits kept so far are shown.").arg(why);
                return;
            }
        } else {
            closeDb();
            m_state = State::Closed;
        }
        notKept(why);
        return;
    }
}

bool ResultsStore::openForReading(QString *why) const
{
    const QFileInfo info(m_path);
    const QString where = QDir::toNativeSeparators(m_path);
    if (info.isSymLink() && !info.exists()) {
        *why = QStringLiteral("the class results cannot be read: %1 is a link to %2, which is not there")
                   .arg(where, QDir::toNativeSeparators(info.symLinkTarget()));
        return false;
    }
    if (!info.exists()) {
        // Nothing kept on this computer yet: no visits, which is no failure.
        m_version = 0;
        m_state = State::Reading;
        return true;
    }
    if (!info.isFile()) {
        *why = QStringLiteral("the class results cannot be read: %1 is %2, not a results file")
                   .arg(where, info.isDir() ? QStringLiteral("a folder") : QStringLiteral("a device or other special file"));
        return false;
    }
    QString reason;
    Check check = openAndCheck(Open::Read, &reason);
    if (check == Check::Unusable && !QFileInfo::exists(m_path + QStringLiteral("-wal"))) {
        // On a read-only disk SQLite cannot make the shared-memory file a reader needs; a
        // file with no log waiting to be applied can be read as it stands instead.
        closeDb();
        check = openAndCheck(Open::ReadAsItStands, &reason);
    }
    if (check != Check::Usable) {
        closeDb();
        *why = QStringLiteral("the class results in %1 cannot be read: %2").arg(where, reason);
        return false;
    }
    m_state = State::Reading;
    return true;
}

bool ResultsStore::setUpConnection(const QString &options, const QString &name) const
{
    if (!m_db.isValid())
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!m_db.isValid())
        return false;
    m_db.setDatabaseName(name);
    m_db.setConnectOptions(options);
    return true;
}

void ResultsStore::closeDb() const
{
    if (m_db.isValid())
        m_db.close();
    m_version = 0;
}

ResultsStore::Check ResultsStore::openAndCheck(Open how, QString *why) const
{
    const bool writing = how == Open::Write;
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

    // Another copy of the program on the same computer may be writing a visit.
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs);
    QString name = m_path;
    if (!writing)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    if (how == Open::ReadAsItStands) {
        options += QStringLiteral(";QSQLITE_OPEN_URI");
        name = QUrl::fromLocalFile(QFileInfo(m_path).absoluteFilePath()).toString(QUrl::FullyEncoded)
            + QStringLiteral("?immutable=1");
    }
    if (!setUpConnection(options, name)) {
        *why = QStringLiteral("Qt's SQLite driver (libqt6sql6-sqlite) is not installed");
        return Check::Unusable;
    }
    if (!m_db.open())
        return classify(m_db.lastError(), why);

    QSqlQuery query(m_db);
    // Whose file it is, before anything is written to it.
    if (const Check owner = checkOwner(query, why); owner != Check::Usable)
        return owner;
    // A small page cache: a year's results run to a few megabytes, and the integrity check
    // reads every page.
    if (!query.exec(QStringLiteral("PRAGMA cache_size = -256")) || !query.exec(QStringLiteral("PRAGMA integrity_check")))
        return classify(query.lastError(), why);
    if (!query.next() || query.value(0).toString() != QLatin1String("ok")) {
        *why = QStringLiteral("it failed its integrity check");
        return Check::Damaged;
    }
    query.finish();
    if (!writing)
        return Check::Usable;

    if (const Check migrated = migrate(why); migrated != Check::Usable)
        return migrated;
    // Write-ahead logging: a visit written is safe the moment its transaction ends, and a
    // process killed mid-write leaves the file as it was before. Switching needs the file
    // to itself for a moment; if another copy holds it, the next opening switches.
    if (query.exec(QStringLiteral("PRAGMA journal_mode")) && query.next()
        && query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        query.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    // What is removed (a pupil's name above all) is overwritten, not left in free pages.
    for (const char *pragma : {"PRAGMA synchronous = FULL", "PRAGMA foreign_keys = ON", "PRAGMA secure_delete = ON"}) {
        if (!query.exec(QLatin1String(pragma)))
            return classify(query.lastError(), why);
    }
    query.finish();
    return Check::Usable;
}

ResultsStore::Check ResultsStore::checkOwner(QSqlQuery &query, QString *why) const
{
    // Ours: our application id; or none, with our two tables (files written before the id
    // was set, stamped now); or none and nothing in it (a new file). Anything else belongs
    // to another program and is never written to.
    if (!query.exec(QStringLiteral(
            "SELECT (SELECT application_id FROM pragma_application_id),"
            " (SELECT user_version FROM pragma_user_version),"
            " (SELECT group_concat(name) FROM (SELECT name FROM sqlite_schema WHERE type = 'table'"
            "  AND name NOT LIKE 'sqlite_%' ORDER BY name)),"
            " (SELECT COUNT(*) FROM pragma_table_info('visits')"
            "  WHERE name IN ('started', 'activity', 'items', 'right_first', 'wrong_first'))"))
        || !query.next())
        return classify(query.lastError(), why);
    const int id = query.value(0).toInt();
    const int version = query.value(1).toInt();
    const QString tables = query.value(2).toString();
    const bool ourTables = tables == QLatin1String("items,visits") && query.value(3).toInt() == 5;
    query.finish();
    const bool empty = tables.isEmpty() && version == 0;
    if (id != ApplicationId && !(id == 0 && (empty || ourTables))) {
        *why = QStringLiteral("it belongs to another program");
        return Check::Damaged;
    }
    if (version > SchemaVersion) {
        *why = QStringLiteral("it was written by a newer version of Quorvale");
        return Check::Damaged;
    }
    m_version = version;
    return Check::Usable;
}

ResultsStore::Check ResultsStore::migrate(QString *why) const
{
    // One write transaction that reads the version afresh once it holds the file, so two
    // copies of the program opening a new file at once never both create it, and a step
    // that fails leaves the file as it was. Even when the schema is current, setting its
    // version again is one small write that proves the file can be written, so a
    // read-only file is found now rather than at the end of the first visit.
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return classify(query.lastError(), why);
    Check check = Check::Usable;
    if (!query.exec(QStringLiteral("SELECT (SELECT user_version FROM pragma_user_version),"
                                   " (SELECT application_id FROM pragma_application_id)"))
        || !query.next()) {
        check = classify(query.lastError(), why);
    }
    const int version = query.value(0).toInt();
    const int id = query.value(1).toInt();
    query.finish();
    if (check == Check::Usable && (version > SchemaVersion || (id != 0 && id != ApplicationId))) {
        *why = QStringLiteral("another program changed it while it was being opened");
        check = Check::Damaged;
    }
    QStringList steps;
    for (int from = version; from < SchemaVersion; ++from)
        steps << migration(from);
    const int next = SchemaVersion;
    if (id == 0)
        steps << QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId);
    steps << QStringLiteral("PRAGMA user_version = %1").arg(next);
    steps << QStringLiteral("COMMIT");
    for (const QString &step : std::as_const(steps)) {
        if (check != Check::Usable)
            break;
        // The one step with a value to bind: the computer's name.
        if (!(step.contains(QLatin1Char('?')) ? run(query, step, {computerName()}) : query.exec(step)))
            check = classify(query.lastError(), why);
    }
    if (check != Check::Usable) {
        query.exec(QStringLiteral("ROLLBACK"));
        return check;
    }
    m_version = next;
    return Check::Usable;
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
    else if (code == SqliteBusy)
        *why = QStringLiteral("another copy of Quorvale kept %1 busy").arg(QDir::toNativeSeparators(m_path));
    else if (code == SqliteReadOnly || code == SqliteCantOpen)
        *why = QStringLiteral("%1 can be read but not changed").arg(QDir::toNativeSeparators(m_path));
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
    m_setAside = QStringLiteral("The results file could not be used (%1), so it was kept as %2 and a new one "
                                "was started.")
                     .arg(why, QFileInfo(aside).fileName());
    return true;
}

void ResultsStore::notKept(const QString &why) const
{
    m_failure = QStringLiteral("Results are not being kept: %1.").arg(why);
}

bool ResultsStore::readVisits(const Filter &filter, QList<Visit> *visits, QString *error) const
{
    if (!ensureOpen()) {
        *error = readFailure();
        return false;
    }
    if (m_version == 0)
        return true; // no file yet, or one never written to
    // Files of the first schema are read as they stand (a read-only file is never
    // migrated): the unit follows from the activity.
    const QString unitAndItems = m_version >= 2
        ? QStringLiteral("v.unit, v.items")
        : unitSql() + QStringLiteral(", CASE WHEN activity IN ") + perWordActivitiesSql()
            + QStringLiteral(" THEN right_first + wrong_first ELSE items END");
    if (filter.pupil && m_version < 3)
        return true; // no pupils in files from before the class lists
    // The pupil's name as it is now, from the class lists.
    const QString pupilAndTable = (m_version >= 3 ? QStringLiteral(", p.name") : QStringLiteral(", ''"))
        + (m_version >= 4 ? QStringLiteral(", v.computer") : QStringLiteral(", ''"))
        + (m_version >= 3 ? QStringLiteral(" FROM visits v LEFT JOIN pupils p ON p.id = v.pupil")
                          : QStringLiteral(" FROM visits v"));
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT v.started, v.seconds, v.class, v.activity, v.title, v.right_first,"
                                 " v.wrong_first, ")
                  + unitAndItems + pupilAndTable + whereClause(filter, QStringLiteral("v"))
                  + QStringLiteral(" ORDER BY v.started, v.id"));
    bindFilter(query, filter);
    if (!query.exec()) {
        classify(query.lastError(), error);
        *error = QStringLiteral("the class results cannot be read: %1").arg(*error);
        return false;
    }
    while (query.next()) {
        Visit visit;
        readVisit(query, visit);
        visits->append(visit);
    }
    return true;
}

QString ResultsStore::readFailure() const
{
    return m_failure.isEmpty() ? QStringLiteral("the class results cannot be read") : m_failure;
}

QList<ResultsStore::Visit> ResultsStore::visits(const Filter &filter) const
{
    QList<Visit> visits;
    QString error;
    readVisits(filter, &visits, &error);
    return visits;
}

QList<ResultsStore::Summary> ResultsStore::summary(const Filter &filter) const
{
    // Summed from the visits themselves, so a file of any schema reads alike.
    return summarise(visits(filter));
}

QStringList ResultsStore::classLabels() const
{
    QStringList labels;
    if (!ensureOpen() || m_version == 0)
        return labels;
    QSqlQuery query(m_db);
    const QString pupils = m_version >= 3 ? QStringLiteral(" UNION SELECT class FROM pupils") : QString();
    if (query.exec(QStringLiteral("SELECT class FROM visits WHERE class <> ''") + pupils
                   + QStringLiteral(" ORDER BY 1"))) {
        while (query.next())
            labels << query.value(0).toString();
    }
    return labels;
}

int ResultsStore::clear(const Filter &filter, QString *error)
{
    if (!ensureWritable()) {
        if (error)
            *error = m_failure;
        return -1;
    }
    QSqlQuery query(m_db);
    const QString where = whereClause(filter);
    bool ok = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    int removed = 0;
    if (ok) {
        query.prepare(QStringLiteral("DELETE FROM items WHERE visit IN (SELECT id FROM visits") + where
                      + QStringLiteral(")"));
        bindFilter(query, filter);
        ok = query.exec();
    }
    if (ok) {
        query.prepare(QStringLiteral("DELETE FROM visits") + where);
        bindFilter(query, filter);
        ok = query.exec();
        removed = query.numRowsAffected();
    }
    if (ok)
        ok = query.exec(QStringLiteral("COMMIT"));
    if (!ok) {
        QString why;
        classify(query.lastError(), &why);
        query.exec(QStringLiteral("ROLLBACK"));
        if (error)
            *error = why;
        return -1;
    }
    // A visit under way whose row went is written afresh at its next save (write() finds
    // its row gone).
    notifyChanged();
    return removed;
}

int ResultsStore::exportCsv(const QString &path, const Filter &filter, QString *error) const
{
    QString why;
    QList<Visit> rows;
    if (!readVisits(filter, &rows, &why)) {
        if (error)
            *error = why;
        return -1;
    }
    return exportVisits(path, rows, error);
}

int ResultsStore::exportVisits(const QString &path, const QList<Visit> &rows, QString *error)
{
    // A regular file or a new one: never a folder, a device or a pipe (as root, a device
    // would otherwise be replaced by a file). Links are followed: the file they lead to is
    // what is written.
    const QFileInfo target(path);
    const QString where = QDir::toNativeSeparators(path);
    if (target.exists() && !target.isFile()) {
        if (error)
            *error = QStringLiteral("%1 cannot be written: it is %2, not an ordinary file")
                         .arg(where, target.isDir() ? QStringLiteral("a folder")
                                                    : QStringLiteral("a device or other special file"));
        return -1;
    }
    QString why;
    QSaveFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && writeAll(file, csvText(rows), &why);
    if (ok && file.commit())
        return int(rows.size());
    if (why.isEmpty())
        why = file.error() == QFileDevice::ResourceError ? QStringLiteral("the disk is full") : file.errorString();
    file.cancelWriting();
    if (error)
        *error = QStringLiteral("%1 cannot be written: %2").arg(where, why);
    return -1;
}

int ResultsStore::writeCsv(QIODevice &device, const Filter &filter, QString *error) const
{
    QString why;
    QList<Visit> rows;
    if (!readVisits(filter, &rows, &why)) {
        if (error)
            *error = why;
        return -1;
    }
    return writeVisits(device, rows, error);
}

int ResultsStore::writeVisits(QIODevice &device, const QList<Visit> &rows, QString *error)
{
    QString why;
    if (!writeAll(device, csvText(rows), &why)) {
        if (error)
            *error = why;
        return -1;
    }
    return int(rows.size());
}

QList<ResultsStore::Summary> ResultsStore::summarise(const QList<Visit> &visits)
{
    return ::summarise(visits);
}

QString ResultsStore::problem() const
{
    ensureOpen();
    QStringList said;
    for (const QString &each : {m_setAside, m_failure}) {
        if (!each.isEmpty())
            said << each;
    }
    return said.join(QLatin1Char(' '));
}

bool ResultsStore::isKeeping() const
{
    return ensureOpen() && m_state == State::Writable && m_failure.isEmpty();
}

QList<ResultsStore::Pupil> ResultsStore::pupils(const QString &classLabel) const
{
    QList<Pupil> pupils;
    if (!ensureOpen() || m_version < 3)
        return pupils;
    if (m_schoolLists && m_version < 5)
        return pupils;
    QStringList conditions;
    if (!classLabel.isEmpty())
        conditions << QStringLiteral("class = ?");
    if (m_schoolLists)
        conditions << QStringLiteral("school_id IS NOT NULL");
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT id, name, class FROM pupils")
                  + (conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "))));
    if (!classLabel.isEmpty())
        query.addBindValue(classLabel);
    if (query.exec()) {
        while (query.next())
            pupils.append({query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString()});
    }
    std::sort(pupils.begin(), pupils.end(), [](const Pupil &a, const Pupil &b) {
        if (a.classLabel != b.classLabel)
            return a.classLabel < b.classLabel;
        return a.name != b.name ? byName(a.name, b.name) : a.id < b.id;
    });
    return pupils;
}

QList<ResultsStore::Entry> ResultsStore::pupilsOf(const QString &classLabel) const
{
    QList<Entry> entries;
    if (classLabel.isEmpty())
        return entries;
    for (const Pupil &pupil : pupils(classLabel))
        entries.append({pupil.id, pupil.name});
    return entries;
}

QString ResultsStore::checkedName(const QString &name, QString *why)
{
    // Spaces, tabs and line breaks inside a name become one space, as a name is shown.
    const QString tidy = name.simplified();
    if (tidy.isEmpty()) {
        *why = QStringLiteral("A name is empty.");
        return {};
    }
    if (tidy.toUcs4().size() > PupilNameMaxLength) {
        *why = QStringLiteral("\"%1\" is longer than %2 letters.").arg(tidy).arg(PupilNameMaxLength);
        return {};
    }
    for (const char32_t c : tidy.toUcs4()) {
        const auto category = QChar::category(c);
        if (category == QChar::Other_Control || category == QChar::Other_Format || category == QChar::Other_Surrogate
            || category == QChar::Other_NotAssigned) {
            *why = QStringLiteral("\"%1\" has a character that cannot be shown.").arg(tidy);
            return {};
        }
    }
    return tidy;
}

bool ResultsStore::nameTaken(QSqlQuery &query, const QString &classLabel, const QString &name, qint64 except,
                             bool *taken) const
{
    *taken = false;
    if (!run(query, QStringLiteral("SELECT name FROM pupils WHERE class = ? AND id <> ?"), {classLabel, except}))
        return false;
    while (query.next() && !*taken)
        *taken = query.value(0).toString().compare(name, Qt::CaseInsensitive) == 0;
    query.finish();
    return true;
}

bool ResultsStore::run(QSqlQuery &query, const QString &statement, const QVariantList &values)
{
    if (!query.prepare(statement))
        return false;
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    return query.exec();
}

bool ResultsStore::writeTransaction(const std::function<bool(QSqlQuery &, QString *)> &work, QString *why)
{
    if (!ensureWritable()) {
        *why = m_failure;
        return false;
    }
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        classify(query.lastError(), why);
        return false;
    }
    // Committed through a statement of its own, which keeps SQLite's error code.
    if (work(query, why) && query.exec(QStringLiteral("COMMIT")))
        return true;
    if (why->isEmpty())
        classify(query.lastError(), why);
    query.exec(QStringLiteral("ROLLBACK"));
    return false;
}

QList<qint64> ResultsStore::addPupils(const QString &classLabel, const QStringList &names, QString *error)
{
    const QString label = classLabel.trimmed().left(ClassLabelMaxLength);
    QString why;
    QStringList problems;
    const QStringList kept = checkedNames(label, names, &problems);
    QList<qint64> ids;
    // The names already in the class are read inside the transaction, so another copy of
    // the program cannot add the same name meanwhile. All or none: any problem undoes all.
    const auto add = [&](QSqlQuery &query, QString *) {
        for (const QString &name : std::as_const(kept)) {
            bool taken = false;
            if (!nameTaken(query, label, name, 0, &taken))
                return false;
            if (taken)
                problems << alreadyInClass(name, label);
        }
        for (const QString &name : std::as_const(kept)) {
            if (!problems.isEmpty() || !run(query, QStringLiteral("INSERT INTO pupils (name, class) VALUES (?, ?)"), {name, label}))
                return false;
            ids << query.lastInsertId().toLongLong();
        }
        return true;
    };
    if (problems.isEmpty() && !writeTransaction(add, &why) && problems.isEmpty())
        problems << QStringLiteral("The pupils could not be added: %1.").arg(why);
    if (!problems.isEmpty()) {
        if (error)
            *error = problems.join(QLatin1Char('\n'));
        return {};
    }
    notifyChanged();
    return ids;
}

// Finds a pupil for a change, or says why not.
bool ResultsStore::findPupil(qint64 id, Pupil *pupil, QString *error) const
{
    for (const Pupil &each : pupils()) {
        if (each.id == id) {
            *pupil = each;
            return true;
        }
    }
    if (error)
        *error = QStringLiteral("That pupil is no longer in the class lists.");
    return false;
}

bool ResultsStore::renamePupil(qint64 pupil, const QString &name, QString *error)
{
    QString why;
    const QString tidy = checkedName(name, &why);
    if (tidy.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    return changePupil(pupil, tidy, {}, error);
}

bool ResultsStore::movePupil(qint64 pupil, const QString &classLabel, QString *error)
{
    const QString label = classLabel.trimmed().left(ClassLabelMaxLength);
    if (label.isEmpty()) {
        if (error)
            *error = QStringLiteral("Choose a class to move the pupil to.");
        return false;
    }
    return changePupil(pupil, {}, label, error);
}

bool ResultsStore::changePupil(qint64 pupil, const QString &newName, const QString &newClass, QString *error)
{
    Pupil found;
    if (!findPupil(pupil, &found, error))
        return false;
    const QString name = newName.isEmpty() ? found.name : newName;
    const QString label = newClass.isEmpty() ? found.classLabel : newClass;
    QString why;
    const bool done = writeTransaction(
        [&](QSqlQuery &query, QString *refused) {
            bool taken = false;
            if (!nameTaken(query, label, name, pupil, &taken))
                return false;
            if (taken)
                *refused = QStringLiteral("\"%1\" is already in class %2.").arg(name, label);
            return !taken
                && run(query, QStringLiteral("UPDATE pupils SET name = ?, class = ? WHERE id = ?"), {name, label, pupil});
        },
        &why);
    if (!done) {
        if (error)
            *error = why;
        return false;
    }
    // Signed in: their next visit is kept under their class as it is now.
    if (m_pupil == pupil)
        m_pupilClass = label;
    notifyChanged();
    return true;
}

int ResultsStore::removePupil(qint64 pupil, QString *error)
{
    Pupil found;
    if (!findPupil(pupil, &found, error))
        return -1;
    int removed = 0;
    QString why;
    const QString visits = QStringLiteral("(SELECT id FROM visits WHERE pupil = ?)");
    const bool done = writeTransaction(
        [&](QSqlQuery &query, QString *) {
            if (!run(query, QStringLiteral("DELETE FROM items WHERE visit IN ") + visits, {pupil})
                || !run(query, QStringLiteral("DELETE FROM visits WHERE pupil = ?"), {pupil}))
                return false;
            removed = query.numRowsAffected();
            return run(query, QStringLiteral("DELETE FROM pupils WHERE id = ?"), {pupil});
        },
        &why);
    if (!done) {
        if (error)
            *error = QStringLiteral("%1 and their results could not be removed: %2.").arg(found.name, why);
        return -1;
    }
    forgetVisits([pupil](const OpenVisit &visit) { return visit.pupil == pupil; });
    if (m_pupil == pupil)
        m_pupil = 0;
    flushLog();
    notifyChanged();
    return removed;
}

int ResultsStore::removeClass(const QString &classLabel, QString *error)
{
    if (classLabel.isEmpty()) {
        if (error)
            *error = QStringLiteral("Choose a class to remove.");
        return -1;
    }
    QList<qint64> ids;
    for (const Pupil &pupil : pupils(classLabel))
        ids << pupil.id;
    int removed = 0;
    QString why;
    // The class's visits and every visit of its pupils (made before a move, too).
    const QString visits = QStringLiteral("(SELECT id FROM visits WHERE class = ? OR pupil IN"
                                          " (SELECT id FROM pupils WHERE class = ?))");
    const bool done = writeTransaction(
        [&](QSqlQuery &query, QString *) {
            if (!run(query, QStringLiteral("DELETE FROM items WHERE visit IN ") + visits, {classLabel, classLabel})
                || !run(query, QStringLiteral("DELETE FROM visits WHERE id IN ") + visits, {classLabel, classLabel}))
                return false;
            removed = query.numRowsAffected();
            return run(query, QStringLiteral("DELETE FROM pupils WHERE class = ?"), {classLabel});
        },
        &why);
    if (!done) {
        if (error)
            *error = QStringLiteral("Class %1 could not be removed: %2.").arg(classLabel, why);
        return -1;
    }
    forgetVisits([&](const OpenVisit &visit) { return visit.classLabel == classLabel || ids.contains(visit.pupil); });
    if (ids.contains(m_pupil))
        m_pupil = 0;
    flushLog();
    notifyChanged();
    return removed;
}

void ResultsStore::forgetVisits(const std::function<bool(const OpenVisit &)> &test)
{
    m_unwritten.removeIf(test);
    // The visit on screen goes on, but is never written.
    if (m_visit && test(*m_visit))
        m_visit->forgotten = true;
}

void ResultsStore::flushLog() const
{
    // The write-ahead log still holds the pages as they were before the removal: they are
    // copied into the file (where the removal overwrote them) and the log cut to nothing.
    // Another copy of the program reading at this moment keeps the log; the next removal
    // or the next opening with the file to itself empties it.
    QSqlQuery query(m_db);
    query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

void ResultsStore::signIn(qint64 pupil)
{
    visitEnded(); // no visit belongs to two pupils
    Pupil found;
    if (pupil != 0 && findPupil(pupil, &found, nullptr)) {
        m_pupil = pupil;
        m_pupilClass = found.classLabel;
    } else {
        m_pupil = 0;
        m_pupilClass.clear();
    }
}

qint64 ResultsStore::signedIn() const
{
    return m_pupil;
}

QList<ResultsStore::PupilSummary> ResultsStore::pupilSummary(const Filter &filter) const
{
    // Each pupil's visits wherever they were made (before a move to this class, too).
    QList<PupilSummary> rows;
    for (const Pupil &pupil : pupils(filter.classLabel)) {
        if (filter.pupil && *filter.pupil != pupil.id)
            continue;
        Filter theirs = filter;
        theirs.classLabel.clear();
        theirs.pupil = pupil.id;
        rows.append({pupil, summarise(visits(theirs))});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const PupilSummary &a, const PupilSummary &b) { return byName(a.pupil.name, b.pupil.name); });
    return rows;
}

QList<ResultsStore::OutgoingVisit> ResultsStore::unsentVisits(int limit) const
{
    QList<OutgoingVisit> rows;
    if (limit <= 0 || !ensureOpen() || m_version < SchemaVersion)
        return rows;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    const QString abandoned = QDateTime::currentDateTime().addSecs(-AbandonedAfterSecs).toString(TimeFormat);
    if (!run(query,
             QStringLiteral("SELECT v.started, v.seconds, v.class, v.activity, v.title, v.right_first, v.wrong_first,"
                            " v.unit, v.items, p.name, v.computer, v.uuid, p.school_id FROM visits v"
                            " LEFT JOIN pupils p ON p.id = v.pupil"
                            " WHERE v.sent = 0 AND (v.done = 1 OR v.started < ?) AND v.id <> ?"
                            " ORDER BY v.started, v.id LIMIT ?"),
             {abandoned, m_visit ? m_visit->id : 0, limit}))
        return rows;
    while (query.next()) {
        OutgoingVisit visit;
        readVisit(query, visit);
        visit.uuid = query.value(VisitColumns).toString();
        visit.pupilId = query.value(VisitColumns + 1).toString();
        rows.append(visit);
    }
    return rows;
}

bool ResultsStore::markSent(const QStringList &uuids, QString *error)
{
    if (uuids.isEmpty())
        return true;
    const QString abandoned = QDateTime::currentDateTime().addSecs(-AbandonedAfterSecs).toString(TimeFormat);
    const qint64 underWay = m_visit ? m_visit->id : 0;
    QString why;
    const bool done = writeTransaction(
        [&](QSqlQuery &query, QString *refused) {
            if (m_version < 4) {
                *refused = QStringLiteral("the results file is from an older version of Quorvale");
                return false;
            }
            if (!query.prepare(QStringLiteral("UPDATE visits SET sent = 1 WHERE uuid = ? AND (done = 1 OR started < ?)"
                                              " AND id <> ?")))
                return false;
            for (const QString &uuid : uuids) {
                for (const QVariant &value : {QVariant(uuid), QVariant(abandoned), QVariant(underWay)})
                    query.addBindValue(value);
                if (!query.exec())
                    return false;
            }
            return true;
        },
        &why);
    if (!done && error)
        *error = QStringLiteral("The visits sent could not be marked as sent: %1.").arg(why);
    return done;
}

void ResultsStore::setSchoolLists(bool on)
{
    m_schoolLists = on;
}

QString ResultsStore::schoolIdOf(qint64 pupil) const
{
    if (!ensureOpen() || m_version < 5)
        return {};
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT school_id FROM pupils WHERE id = ?"));
    query.addBindValue(pupil);
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

bool ResultsStore::mirrorPupils(const QList<SchoolPupil> &school, QString *error)
{
    QList<qint64> gone;
    bool changed = false;
    QString why;
    const bool done = writeTransaction(
        [&](QSqlQuery &query, QString *refused) {
            if (m_version < 5) {
                *refused = QStringLiteral("the results file is from an older version of Quorvale");
                return false;
            }
            // Who is here now: by school id, and this computer's own pupils by class and name.
            QHash<QString, Pupil> bySchoolId;
            QHash<QString, qint64> ownByName;
            if (!run(query, QStringLiteral("SELECT id, name, class, school_id FROM pupils"), {}))
                return false;
            while (query.next()) {
                const Pupil pupil{query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString()};
                if (query.value(3).isNull())
                    ownByName.insert(pupil.classLabel + QLatin1Char('\n') + pupil.name.toLower(), pupil.id);
                else
                    bySchoolId.insert(query.value(3).toString(), pupil);
            }
            for (const SchoolPupil &pupil : school) {
                const auto here = bySchoolId.constFind(pupil.id);
                if (here != bySchoolId.constEnd()) {
                    if (here->name != pupil.name || here->classLabel != pupil.classLabel) {
                        if (!run(query, QStringLiteral("UPDATE pupils SET name = ?, class = ? WHERE id = ?"),
                                 {pupil.name, pupil.classLabel, here->id}))
                            return false;
                        changed = true;
                    }
                    bySchoolId.remove(pupil.id);
                    continue;
                }
                const QString key = pupil.classLabel + QLatin1Char('\n') + pupil.name.toLower();
                const bool adopted = ownByName.contains(key);
                if (!run(query,
                         adopted ? QStringLiteral("UPDATE pupils SET school_id = ?, name = ?, class = ? WHERE id = ?")
                                 : QStringLiteral("INSERT INTO pupils (school_id, name, class) VALUES (?, ?, ?)"),
                         adopted ? QVariantList{pupil.id, pupil.name, pupil.classLabel, ownByName.take(key)}
                                 : QVariantList{pupil.id, pupil.name, pupil.classLabel}))
                    return false;
                changed = true;
            }
            // Removed from the school's lists: removed here too, with what was kept of them.
            for (const Pupil &pupil : std::as_const(bySchoolId)) {
                if (!run(query, QStringLiteral("DELETE FROM items WHERE visit IN (SELECT id FROM visits WHERE pupil = ?)"),
                         {pupil.id})
                    || !run(query, QStringLiteral("DELETE FROM visits WHERE pupil = ?"), {pupil.id})
                    || !run(query, QStringLiteral("DELETE FROM pupils WHERE id = ?"), {pupil.id}))
                    return false;
                gone << pupil.id;
                changed = true;
            }
            return true;
        },
        &why);
    if (!done) {
        if (error)
            *error = QStringLiteral("The school's class lists could not be kept on this computer: %1.").arg(why);
        return false;
    }
    if (!gone.isEmpty()) {
        forgetVisits([&gone](const OpenVisit &visit) { return gone.contains(visit.pupil); });
        if (gone.contains(m_pupil))
            m_pupil = 0;
        flushLog();
    }
    if (changed)
        notifyChanged();
    return true;
}

qint64 ResultsStore::pupilWithSchoolId(const QString &id) const
{
    if (id.isEmpty() || !ensureOpen() || m_version < 5)
        return 0;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT id FROM pupils WHERE school_id = ?"));
    query.addBindValue(id);
    return query.exec() && query.next() ? query.value(0).toLongLong() : 0;
}

int ResultsStore::unsentCount() const
{
    if (!ensureOpen())
        return -1;
    if (m_version < 4)
        return m_version == 0 ? 0 : -1;
    QSqlQuery query(m_db);
    const QString abandoned = QDateTime::currentDateTime().addSecs(-AbandonedAfterSecs).toString(TimeFormat);
    if (!run(query, QStringLiteral("SELECT count(*) FROM visits WHERE sent = 0 AND (done = 1 OR started < ?)"), {abandoned})
        || !query.next())
        return -1;
    return query.value(0).toInt() + int(m_unwritten.size());
}

bool ResultsStore::wasSetAside() const
{
    ensureOpen();
    return !m_setAside.isEmpty();
}
