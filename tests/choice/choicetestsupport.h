#pragma once

// What the multiple-choice tests share: the cue files, the blink's white, a term menu
// stand-in for Exit to go to, and reading a built-in bank through the real checks.

#include "choiceactivities.h"
#include "choicebank.h"
#include "screen.h"

#include <QColor>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <optional>

inline const QColor White(255, 255, 255);
inline const QString Cash = QStringLiteral("wav\\cash.wav");
inline const QString Boink = QStringLiteral("wav\\boink.wav");
inline const QString Click = QStringLiteral("wav\\click.wav");

// A term menu stand-in, so Exit has somewhere to go.
class MenuStub : public Screen
{
public:
    MenuStub(AppContext &context, const QString &name)
        : Screen(context, name)
    {
    }
};

inline QByteArray builtInBank(const QString &id)
{
    QFile file(QStringLiteral(":/assets/content/%1.json").arg(id));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A built-in bank is held to both levels of checks: what every bank must pass, and the
// built-in bank's own rules. Nothing is returned when either finds a problem.
inline std::optional<BankImage> parseBytes(const QString &id, const QByteArray &data, ContentProblems &problems)
{
    const auto document = ContentDocument::parse(data, id + QStringLiteral(".json"), problems);
    if (!document)
        return std::nullopt;
    auto image = parseChoiceBank(*choiceActivity(id), *document, problems);
    checkChoiceBuiltInRules(*choiceActivity(id), *document, problems);
    return problems.isEmpty() ? image : std::nullopt;
}

// Every problem on a line of its own, for a failure message.
inline QString describe(const ContentProblems &problems)
{
    QStringList lines;
    for (const ContentProblem &problem : problems)
        lines << problem.toString();
    return lines.join(QLatin1Char('\n'));
}

// The built-in bank of `id` with one field of one record set to a JSON value, or taken out
// when the value is null: a copy broken in one known place.
inline QByteArray withField(const QString &id, int record, const QString &field, const QString &valueJson)
{
    QJsonObject root = QJsonDocument::fromJson(builtInBank(id)).object();
    QJsonArray records = root.value(QLatin1String("records")).toArray();
    QJsonObject edited = records.at(record).toObject();
    const QJsonValue replacement = QJsonDocument::fromJson("[" + valueJson.toUtf8() + "]").array().at(0);
    if (replacement.isNull())
        edited.remove(field);
    else
        edited.insert(field, replacement);
    records.replace(record, edited);
    root.insert(QStringLiteral("records"), records);
    return QJsonDocument(root).toJson();
}
