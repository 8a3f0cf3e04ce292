#include "contentfile.h"

#include "assetresolver.h"
#include "teachercontent.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

QString ContentProblem::toString() const
{
    QString where = file;
    if (record >= 0)
        where += QStringLiteral(", record %1").arg(recordNumber(record));
    if (!field.isEmpty())
        where += QStringLiteral(", field \"%1\"").arg(field);
    return where + QStringLiteral(": ") + reason;
}

QString fieldNoun(const QString &field)
{
    static const QHash<QString, QString> nouns{
        {QStringLiteral("prompt"), QStringLiteral("prompt")},
        {QStringLiteral("wrong"), QStringLiteral("answer")},
        {QStringLiteral("correct"), QStringLiteral("answer")},
        {QStringLiteral("response"), QStringLiteral("response")},
        {QStringLiteral("completed"), QStringLiteral("completed line")},
        {QStringLiteral("attribution"), QStringLiteral("attribution")},
        {QStringLiteral("style"), QStringLiteral("style")},
        {QStringLiteral("line"), QStringLiteral("line")},
        {QStringLiteral("poet"), QStringLiteral("poet")},
        {QStringLiteral("heading"), QStringLiteral("heading")},
        {QStringLiteral("extract"), QStringLiteral("extract")},
        {QStringLiteral("shown"), QStringLiteral("sentence")},
        {QStringLiteral("corrected"), QStringLiteral("corrected sentence")},
        {QStringLiteral("sentence"), QStringLiteral("sentence")},
        {QStringLiteral("key"), QStringLiteral("key")},
        {QStringLiteral("events"), QStringLiteral("event")},
        {QStringLiteral("headings"), QStringLiteral("heading")},
        {QStringLiteral("titles"), QStringLiteral("title")},
        {QStringLiteral("entries"), QStringLiteral("entry")},
        {QStringLiteral("theme"), QStringLiteral("theme")},
        {QStringLiteral("related"), QStringLiteral("word")},
        {QStringLiteral("unrelated"), QStringLiteral("word")},
        {QStringLiteral("fragments"), QStringLiteral("piece")},
        {QStringLiteral("segments"), QStringLiteral("part")},
    };
    return nouns.value(field.section(QLatin1Char('['), 0, 0), QStringLiteral("text"));
}

// Refuses what is not a regular file before reading a byte of it: opening a pipe waits for
// a writer and a device never ends, so either would hang the program.
std::optional<QByteArray> readBankBytes(const QString &path, ContentProblems &problems)
{
    const auto refuse = [&](const QString &reason) {
        problems.append({path, -1, {}, reason});
        return std::nullopt;
    };
    QFile file(path);
    if (!path.startsWith(QLatin1Char(':'))) { // the built-in banks are the program's own
        const QFileInfo info(path); // follows links
        if (!info.exists())
            return refuse(QStringLiteral("cannot be found"));
        if (info.isDir())
            return refuse(QStringLiteral("is a folder, not a bank file"));
        if (!info.isFile())
            return refuse(QStringLiteral("is not an ordinary saved file (it is a device or a pipe), so it is never read"));
    }
#ifdef Q_OS_UNIX
    if (!path.startsWith(QLatin1Char(':'))) {
        // Opened without waiting, and checked again once open, in case the file was swapped
        // for a pipe or a device since it was looked at.
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return refuse(QStringLiteral("cannot be opened: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        struct stat status;
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            ::close(fd);
            return refuse(QStringLiteral("is not an ordinary saved file (it is a device or a pipe), so it is never read"));
        }
        if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return refuse(QStringLiteral("cannot be opened"));
        }
    }
#endif
    if (!file.isOpen() && !file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("cannot be opened"));
    QByteArray data;
    while (data.size() <= MaxBankBytes) {
        // In small pieces: asking for the whole limit at once would allocate it every time,
        // and a bank is a few kilobytes.
        constexpr qint64 Piece = 64 * 1024;
        const QByteArray chunk = file.read(std::min<qint64>(Piece, MaxBankBytes + 1 - data.size()));
        if (chunk.isEmpty())
            break;
        data += chunk;
    }
    if (file.error() != QFileDevice::NoError)
        return refuse(QStringLiteral("could not be read: %1").arg(file.errorString()));
    if (data.size() > MaxBankBytes)
        return refuse(QStringLiteral("is too large to be an item bank (more than %1 MB)").arg(MaxBankBytes / (1024 * 1024)));
    return data;
}

namespace {

// A text saved as UTF-16 (as some editors save "Unicode" text): a byte order mark, or a NUL
// in the first two bytes (UTF-16 writes the opening brace as a NUL and the brace), which
// UTF-8 JSON never holds.
bool looksLikeUtf16(const QByteArray &data)
{
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF"))
        return true;
    return data.size() >= 2 && (data.at(0) == '\0' || data.at(1) == '\0');
}

int lineAt(const QByteArray &data, qsizetype offset)
{
    return int(data.left(offset).count('\n')) + 1;
}

// Why a text cannot stand on screen or on paper as it is, or an empty string. A control
// character (a NUL, a tab, a line break ...) or half of a surrogate pair (which a JSON
// escape for D800 alone gives) is drawn as an empty box, or not at all.
QString unshowable(const QString &text, const QString &noun)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate()) {
            return QStringLiteral("This %1 holds a broken character (half of a pair, U+%2), which shows as a box; type it again")
                .arg(noun, QString::number(c.unicode(), 16).toUpper());
        }
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            return QStringLiteral("This %1 must be on one line").arg(noun);
        if (c == QLatin1Char('\t'))
            return QStringLiteral("This %1 holds a tab; use a space instead").arg(noun);
        if (c.category() == QChar::Other_Control) {
            return QStringLiteral("This %1 holds an invisible control character (U+%2), which shows as a box; delete it")
                .arg(noun, QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper());
        }
    }
    return {};
}

} // namespace

std::optional<ContentDocument> ContentDocument::read(const QString &path, ContentProblems &problems)
{
    const std::optional<QByteArray> data = readBankBytes(path, problems);
    return data ? parse(*data, path, problems) : std::nullopt;
}

std::optional<ContentDocument> ContentDocument::parse(const QByteArray &data, const QString &path,
                                                      ContentProblems &problems)
{
    if (looksLikeUtf16(data)) {
        problems.append({path, -1, {}, QStringLiteral("is saved as UTF-16 (\"Unicode\") text; save it as UTF-8")});
        return std::nullopt;
    }
    // A UTF-8 byte order mark, as some editors write, is read past.
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(data, &error);
    if (error.error == QJsonParseError::IllegalUTF8String) {
        problems.append({path, -1, {}, QStringLiteral("is not UTF-8 text at line %1; save it as UTF-8").arg(lineAt(data, error.offset))});
        return std::nullopt;
    }
    if (error.error != QJsonParseError::NoError) {
        // Give the line, which is what an editor shows.
        problems.append({path, -1, {}, QStringLiteral("is not valid JSON at line %1: %2").arg(lineAt(data, error.offset)).arg(error.errorString())});
        return std::nullopt;
    }
    if (!json.isObject()) {
        problems.append({path, -1, {}, QStringLiteral("must hold one object")});
        return std::nullopt;
    }
    ContentDocument document;
    document.path = path;
    document.root = json.object();
    document.activity = document.root.value(QLatin1String("activity")).toString();
    document.title = document.root.value(QLatin1String("title")).toString();
    const QJsonValue records = document.root.value(QLatin1String("records"));
    if (!records.isArray()) {
        problems.append({path, -1, QStringLiteral("records"), QStringLiteral("must be a list of records")});
        return std::nullopt;
    }
    document.records = records.toArray();
    if (document.activity.isEmpty())
        problems.append({path, -1, QStringLiteral("activity"), QStringLiteral("must name the activity")});
    return document;
}

RecordReader::RecordReader(const ContentDocument &document, int record, ContentProblems &problems)
    : m_document(document)
    , m_record(record)
    , m_problems(problems)
{
    const QJsonValue value = document.records.at(record);
    m_isObject = value.isObject();
    if (m_isObject)
        m_object = value.toObject();
    else
        problem({}, QStringLiteral("must be an object with named fields"));
}

void RecordReader::problem(const QString &field, const QString &reason)
{
    m_problems.append({m_document.path, m_record, field, reason});
}

void RecordReader::checkText(const QString &name, const QString &text, bool allowEmpty)
{
    const QString noun = fieldNoun(name);
    if (!allowEmpty && text.trimmed().isEmpty())
        problem(name, QStringLiteral("This %1 is empty").arg(noun));
    else if (const QString reason = unshowable(text, noun); !reason.isEmpty())
        problem(name, reason);
}

QString RecordReader::text(const QString &field, bool allowEmpty)
{
    const QJsonValue value = m_object.value(field);
    if (!value.isString()) {
        if (m_isObject)
            problem(field, value.isUndefined() ? QStringLiteral("is missing") : QStringLiteral("must be text"));
        return {};
    }
    const QString result = value.toString();
    checkText(field, result, allowEmpty);
    return result;
}

QStringList RecordReader::textsBetween(const QString &field, int minCount, int maxCount, bool allowEmpty)
{
    const QJsonValue value = m_object.value(field);
    if (!value.isArray()) {
        if (m_isObject)
            problem(field, value.isUndefined() ? QStringLiteral("is missing") : QStringLiteral("must be a list of texts"));
        return {};
    }
    const QJsonArray array = value.toArray();
    if (array.size() < minCount || array.size() > maxCount) {
        problem(field, minCount == maxCount ? QStringLiteral("must hold %1 texts, not %2").arg(minCount).arg(array.size())
                                            : QStringLiteral("must hold %1 to %2 texts, not %3").arg(minCount).arg(maxCount).arg(array.size()));
        return {};
    }
    QStringList result;
    bool allText = true;
    for (int i = 0; i < array.size(); ++i) {
        const QString element = QStringLiteral("%1[%2]").arg(field).arg(i);
        if (!array.at(i).isString()) {
            problem(element, QStringLiteral("must be text"));
            allText = false;
            continue;
        }
        checkText(element, array.at(i).toString(), allowEmpty);
        result << array.at(i).toString();
    }
    return allText ? result : QStringList();
}

QStringList RecordReader::texts(const QString &field, int count, bool allowEmpty)
{
    return textsBetween(field, count, count, allowEmpty);
}

int RecordReader::number(const QString &field, int min, int max)
{
    const QJsonValue value = m_object.value(field);
    const double d = value.toDouble(-1e18);
    if (!value.isDouble() || d != double(qint64(d)) || d < min || d > max) {
        if (m_isObject)
            problem(field, value.isUndefined() ? QStringLiteral("is missing")
                                               : QStringLiteral("must be a whole number from %1 to %2").arg(min).arg(max));
        return min;
    }
    return int(d);
}

QList<int> RecordReader::numbers(const QString &field, int count, int min, int max)
{
    const QJsonValue value = m_object.value(field);
    const QJsonArray array = value.toArray();
    if (!value.isArray() || array.size() != count) {
        if (m_isObject)
            problem(field, value.isUndefined() ? QStringLiteral("is missing")
                                               : QStringLiteral("must be a list of %1 whole numbers").arg(count));
        return QList<int>(count, min);
    }
    QList<int> result;
    bool allNumbers = true;
    for (int i = 0; i < array.size(); ++i) {
        const QJsonValue item = array.at(i);
        const double d = item.toDouble(-1e18);
        if (!item.isDouble() || d != double(qint64(d)) || d < min || d > max) {
            problem(QStringLiteral("%1[%2]").arg(field).arg(i), QStringLiteral("must be a whole number from %1 to %2").arg(min).arg(max));
            allNumbers = false;
        }
        result << (allNumbers ? int(d) : min);
    }
    return allNumbers ? result : QList<int>(count, min);
}

QString RecordReader::choice(const QString &field, const QStringList &allowed)
{
    const QString value = m_object.value(field).toString();
    if (!allowed.contains(value)) {
        if (m_isObject)
            problem(field, QStringLiteral("must be one of: %1").arg(allowed.join(QStringLiteral(", "))));
        return allowed.value(0);
    }
    return value;
}

bool expectRecordRange(const ContentDocument &document, int capacity, ContentProblems &problems)
{
    const int count = int(document.records.size());
    if (count < MinimumRecords) {
        problems.append({document.path, -1, QStringLiteral("records"),
                         QStringLiteral("There must be at least %1 records").arg(MinimumRecords)});
        return false;
    }
    if (count > capacity) {
        problems.append({document.path, -1, QStringLiteral("records"),
                         QStringLiteral("There can be at most %1 records, not %2").arg(capacity).arg(count)});
        return false;
    }
    return true;
}

QStringList contentCandidates(const AssetResolver &assets, const QString &activity)
{
    QStringList paths;
    const QString relative = QStringLiteral("content\\") + activity + QStringLiteral(".json");
    // The user's own folder first: their copy wins over one put beside the program for
    // everyone who uses the computer. A resolver that lists the user's folder itself puts
    // it where it wants it (the teacher's preview puts the bank being edited before it).
    QStringList roots = assets.roots();
    if (const QString user = userDataFolder(); !user.isEmpty() && !roots.contains(user))
        roots.prepend(user);
    for (const QString &root : roots) {
        const QString found = AssetResolver({root}).resolve(relative);
        if (!found.isEmpty() && !paths.contains(found))
            paths << found;
    }
    // The built-in copy is always the last resort, even for a resolver without it.
    const QString builtIn = QStringLiteral(":/assets/content/") + activity + QStringLiteral(".json");
    if (!paths.contains(builtIn) && QFileInfo::exists(builtIn))
        paths << builtIn;
    return paths;
}

void reportContentProblems(const ContentProblems &problems)
{
    for (const ContentProblem &problem : problems)
        qWarning("%s", qPrintable(problem.toString()));
}
