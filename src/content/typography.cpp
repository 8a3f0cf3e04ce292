#include "typography.h"

#include <QHash>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSet>

namespace {

// The fields whose values are labels a pupil chooses between, per activity.
const QHash<QString, QStringList> &labelFields()
{
    static const QHash<QString, QStringList> fields{
        {QStringLiteral("openings"), {QStringLiteral("correct"), QStringLiteral("wrong")}},
        {QStringLiteral("linking"), {QStringLiteral("correct"), QStringLiteral("wrong")}},
        {QStringLiteral("writer"), {QStringLiteral("correct"), QStringLiteral("wrong")}},
        {QStringLiteral("blurb"), {QStringLiteral("correct"), QStringLiteral("wrong")}},
        {QStringLiteral("locating"), {QStringLiteral("correct"), QStringLiteral("wrong")}},
        {QStringLiteral("ambiguity"), {QStringLiteral("correct"), QStringLiteral("wrong")}},
        {QStringLiteral("prediction"), {QStringLiteral("correct"), QStringLiteral("wrong")}},
        {QStringLiteral("evaluate"), {QStringLiteral("correct"), QStringLiteral("wrong")}},
        {QStringLiteral("distinctive"), {QStringLiteral("correct"), QStringLiteral("wrong")}},
        {QStringLiteral("style"), {QStringLiteral("style")}},
        {QStringLiteral("genre"), {QStringLiteral("headings")}},
    };
    return fields;
}

// Spellings the design fixes, spaces and all.
const QHash<QString, QStringList> &fixedSpellings()
{
    static const QHash<QString, QStringList> spellings{
        {QStringLiteral("writer"), {QStringLiteral("Poet "), QStringLiteral("Critic ")}},
        {QStringLiteral("blurb"), {QStringLiteral("Travel ")}},
        {QStringLiteral("genre"), {QStringLiteral("ADVENTURE          ")}},
        {QStringLiteral("rhythm"), {QStringLiteral("It was an evening in November, as I very well remember, ")}},
    };
    return spellings;
}

// One string shown to the pupil, with where it is.
struct Shown
{
    QString field;
    QString text;
};

void collect(const QJsonValue &value, const QString &field, QList<Shown> &into)
{
    if (value.isString()) {
        into.append({field, value.toString()});
    } else if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i)
            collect(array.at(i), QStringLiteral("%1[%2]").arg(field).arg(i), into);
    }
}

QString baseField(const QString &field)
{
    return field.section(QLatin1Char('['), 0, 0);
}

// The spaces a string may carry by design: none, but a word-dragging sentence ends with
// one, and a CV entry has five after its heading's colon.
QString withoutDesignedSpaces(const QString &activity, const QString &field, QString text)
{
    if (field == QLatin1String("sentence") && text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    if (activity == QLatin1String("cv") && baseField(field) == QLatin1String("entries")) {
        static const QRegularExpression heading(QStringLiteral("^([^:]+:)     (?=\\S)"));
        text.replace(heading, QStringLiteral("\\1 "));
    }
    return text;
}

// A label's spellings count as one when they differ only in case, spaces, punctuation, a
// plural "s", or British against American or adjective forms ("Humour", "Humorous").
QString labelKey(const QString &label)
{
    QString key = label.toLower();
    key.remove(QRegularExpression(QStringLiteral("[^a-z]")));
    key.replace(QStringLiteral("our"), QStringLiteral("or"));
    key.remove(QRegularExpression(QStringLiteral("(ous|s)$")));
    return key;
}

} // namespace

ContentProblems checkTypography(const ContentDocument &document)
{
    ContentProblems problems;
    const QString &activity = document.activity;
    const QStringList fixed = fixedSpellings().value(activity);
    const QStringList labels = labelFields().value(activity);
    QHash<QString, QString> firstSpelling; // label key -> the spelling met first
    QSet<QString> reported;

    for (qsizetype r = 0; r < document.records.size(); ++r) {
        const QJsonObject record = document.records.at(r).toObject();
        QList<Shown> shown;
        for (auto it = record.begin(); it != record.end(); ++it)
            collect(it.value(), it.key(), shown);

        bool straightDouble = false, curlyDouble = false, straightSingle = false, curlySingle = false;
        for (const Shown &s : shown) {
            const auto note = [&](const QString &reason) { problems.append({document.path, int(r), s.field, reason}); };
            if (!fixed.contains(s.text)) {
                const QString text = withoutDesignedSpaces(activity, s.field, s.text);
                if (text.contains(QLatin1String("  ")))
                    note(QStringLiteral("two spaces in a row"));
                if (text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' ')))
                    note(QStringLiteral("a space at the start or end"));
            }
            straightDouble |= s.text.contains(QLatin1Char('"'));
            curlyDouble |= s.text.contains(QChar(0x201C)) || s.text.contains(QChar(0x201D));
            straightSingle |= s.text.contains(QLatin1Char('\''));
            curlySingle |= s.text.contains(QChar(0x2018)) || s.text.contains(QChar(0x2019));

            if (labels.contains(baseField(s.field)) && !fixed.contains(s.text)) {
                const QString key = labelKey(s.text);
                const QString first = firstSpelling.value(key);
                if (first.isNull())
                    firstSpelling.insert(key, s.text);
                else if (first != s.text && !reported.contains(s.text)) {
                    reported.insert(s.text);
                    note(QStringLiteral("\"%1\" is spelt \"%2\" elsewhere in this bank").arg(s.text, first));
                }
            }
        }
        if (straightDouble && curlyDouble)
            problems.append({document.path, int(r), QString(), QStringLiteral("straight and curly double quotation marks mixed")});
        if (straightSingle && curlySingle)
            problems.append({document.path, int(r), QString(), QStringLiteral("straight and curly single quotation marks or apostrophes mixed")});
    }
    return problems;
}
