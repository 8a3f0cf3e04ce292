#include "contentfile.h"

#include "assetresolver.h"
#include "teachercontent.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>

QString ContentProblem::toString() const
{
    QString where = file;
    if (record >= 0)
        where += QStringLiteral(", record %1").arg(record);
    if (!field.isEmpty())
        where += QStringLiteral(", field \"%1\"").arg(field);
    return where + QStringLiteral(": ") + reason;
}

std::optional<ContentDocument> ContentDocument::read(const QString &path, ContentProblems &problems)
{
    QFile file(path);
    constexpr qint64 MaxBytes = 4 * 1024 * 1024; // a bank is a few kilobytes
    if (!file.open(QIODevice::ReadOnly)) {
        problems.append({path, -1, {}, QStringLiteral("cannot be opened")});
        return std::nullopt;
    }
    if (file.size() > MaxBytes) {
        problems.append({path, -1, {}, QStringLiteral("is too large to be an item bank")});
        return std::nullopt;
    }
    return parse(file.readAll(), path, problems);
}

std::optional<ContentDocument> ContentDocument::parse(const QByteArray &data, const QString &path,
                                                      ContentProblems &problems)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError) {
        // Give the line, which is what an editor shows.
        const int line = int(data.left(error.offset).count('\n')) + 1;
        problems.append({path, -1, {}, QStringLiteral("is not valid JSON at line %1: %2").arg(line).arg(error.errorString())});
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

QString RecordReader::text(const QString &field, bool allowEmpty)
{
    const QJsonValue value = m_object.value(field);
    if (!value.isString()) {
        if (m_isObject)
            problem(field, value.isUndefined() ? QStringLiteral("is missing") : QStringLiteral("must be text"));
        return {};
    }
    const QString result = value.toString();
    if (!allowEmpty && result.trimmed().isEmpty())
        problem(field, QStringLiteral("must not be empty"));
    if (result.contains(QLatin1Char('\n')))
        problem(field, QStringLiteral("must be on one line"));
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
    for (const QJsonValue &item : array) {
        if (!item.isString()) {
            problem(field, QStringLiteral("must hold only texts"));
            return {};
        }
        if (!allowEmpty && item.toString().trimmed().isEmpty())
            problem(QStringLiteral("%1[%2]").arg(field).arg(result.size()), QStringLiteral("This text must not be empty"));
        result << item.toString();
    }
    return result;
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
            problem(field, QStringLiteral("must be a list of %1 whole numbers").arg(count));
        return QList<int>(count, min);
    }
    QList<int> result;
    for (const QJsonValue &item : array) {
        const double d = item.toDouble(-1e18);
        if (!item.isDouble() || d != double(qint64(d)) || d < min || d > max) {
            problem(field, QStringLiteral("must hold whole numbers from %1 to %2").arg(min).arg(max));
            return QList<int>(count, min);
        }
        result << int(d);
    }
    return result;
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
