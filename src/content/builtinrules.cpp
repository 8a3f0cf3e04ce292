#include "builtinrules.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

QString compactJson(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QStringList strings(const QJsonValue &value)
{
    QStringList result;
    for (const QJsonValue &item : value.toArray())
        result << item.toString();
    return result;
}

// The texts of a field with the name each is reported under: the field itself for a text,
// "field[i]" for element i of a list.
QList<std::pair<QString, QString>> textsOf(const QJsonObject &record, const QString &field, int element = -1)
{
    QList<std::pair<QString, QString>> texts;
    const QJsonValue value = record.value(field);
    if (value.isString() && element < 0) {
        texts.append({field, value.toString()});
    } else if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (int i = 0; i < array.size(); ++i) {
            if (element < 0 || element == i)
                texts.append({QStringLiteral("%1[%2]").arg(field).arg(i), array.at(i).toString()});
        }
    }
    return texts;
}

void checkExamples(const QJsonArray &examples, const ContentDocument &document, ContentProblems &problems)
{
    for (const QJsonValue &example : examples) {
        const int record = example[QLatin1String("record")].toInt();
        if (record >= document.records.size()) {
            problems.append({document.path, -1, QStringLiteral("records"),
                             QStringLiteral("The example record %1 is missing").arg(recordNumber(record))});
            continue;
        }
        const QJsonObject actual = document.records.at(record).toObject();
        const QJsonObject fields = example[QLatin1String("fields")].toObject();
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            if (actual.value(it.key()) != it.value()) {
                problems.append({document.path, record, it.key(),
                                 QStringLiteral("This example must read exactly %1").arg(compactJson(it.value()))});
            }
        }
    }
}

void checkVocabulary(const QJsonObject &rule, const ContentDocument &document, ContentProblems &problems)
{
    const QStringList fields = strings(rule[QLatin1String("fields")]);
    const QStringList words = strings(rule[QLatin1String("words")]);
    const QStringList wrongOnly = strings(rule[QLatin1String("wrongOnly")]);
    const QStringList wrongSpellings = strings(rule[QLatin1String("wrongSpellings")]);
    const QString answer = rule[QLatin1String("answer")].toString();
    const QJsonArray except = rule[QLatin1String("exceptRecords")].toArray();
    for (int r = 0; r < document.records.size(); ++r) {
        if (except.contains(r))
            continue;
        const QJsonObject record = document.records.at(r).toObject();
        for (const QString &field : fields) {
            const bool isAnswer = field == answer;
            for (const auto &[name, text] : textsOf(record, field)) {
                if (words.contains(text)) {
                    if (isAnswer && wrongOnly.contains(text))
                        problems.append({document.path, r, name, QStringLiteral("\"%1\" is only ever a wrong option").arg(text)});
                } else if (isAnswer || !wrongSpellings.contains(text)) {
                    problems.append({document.path, r, name, QStringLiteral("\"%1\" is not one of this activity's answers: %2")
                                                                 .arg(text, words.join(QStringLiteral(", ")))});
                }
            }
        }
    }
}

void checkCount(const QJsonObject &rule, const ContentDocument &document, ContentProblems &problems)
{
    const QString field = rule[QLatin1String("field")].toString();
    const QString contains = rule[QLatin1String("contains")].toString();
    const int wanted = rule[QLatin1String("count")].toInt();
    int found = 0;
    for (const QJsonValue &record : document.records) {
        if (record[field].toString().contains(contains))
            ++found;
    }
    if (found != wanted) {
        problems.append({document.path, -1, QStringLiteral("records"),
                         QStringLiteral("%1 %2, not %3").arg(wanted).arg(rule[QLatin1String("what")].toString()).arg(found)});
    }
}

void checkPattern(const QJsonObject &rule, const ContentDocument &document, ContentProblems &problems)
{
    const QString field = rule[QLatin1String("field")].toString();
    const int element = rule[QLatin1String("element")].toInt(-1);
    const QRegularExpression pattern(rule[QLatin1String("regex")].toString());
    const QString reason = rule[QLatin1String("reason")].toString();
    for (int r = 0; r < document.records.size(); ++r) {
        for (const auto &[name, text] : textsOf(document.records.at(r).toObject(), field, element)) {
            if (!pattern.match(text).hasMatch())
                problems.append({document.path, r, name, reason});
        }
    }
}

} // namespace

QString builtInRulesPath(const QString &activity)
{
    return QStringLiteral(":/assets/content/rules/%1.json").arg(activity);
}

void checkBuiltInRules(const QString &activity, const ContentDocument &document, ContentProblems &problems)
{
    QFile file(builtInRulesPath(activity));
    const QJsonObject rules = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
    if (rules.value(QLatin1String("activity")).toString() != activity) {
        problems.append({document.path, -1, {}, QStringLiteral("The program's rules for the built-in %1 bank cannot be read").arg(activity)});
        return;
    }
    if (const QJsonValue count = rules.value(QLatin1String("records")); count.isDouble() && count.toInt() != document.records.size()) {
        problems.append({document.path, -1, QStringLiteral("records"),
                         QStringLiteral("The built-in bank must hold %1 records, not %2").arg(count.toInt()).arg(document.records.size())});
    }
    checkExamples(rules.value(QLatin1String("examples")).toArray(), document, problems);
    for (const QJsonValue &rule : rules.value(QLatin1String("vocabulary")).toArray())
        checkVocabulary(rule.toObject(), document, problems);
    for (const QJsonValue &rule : rules.value(QLatin1String("counts")).toArray())
        checkCount(rule.toObject(), document, problems);
    for (const QJsonValue &rule : rules.value(QLatin1String("patterns")).toArray())
        checkPattern(rule.toObject(), document, problems);
}
