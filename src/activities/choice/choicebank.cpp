#include "choicebank.h"

#include "choiceactivity.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QString Gap = QStringLiteral("_____");

QString compactJson(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// Reads one field of a record as the values it writes, in slot order.
QList<QVariant> readField(RecordReader &reader, const FieldSlot &slot)
{
    QList<QVariant> values;
    switch (slot.type) {
    case FieldType::Text:
        values << reader.text(slot.field, slot.allowEmpty);
        break;
    case FieldType::Texts:
        for (const QString &text : reader.texts(slot.field, slot.count, slot.allowEmpty))
            values << text;
        break;
    case FieldType::Number:
        values << reader.number(slot.field, slot.min, slot.max);
        break;
    case FieldType::Numbers:
        for (int number : reader.numbers(slot.field, slot.count, slot.min, slot.max))
            values << number;
        break;
    case FieldType::Choice:
        values << int(slot.choices.indexOf(reader.choice(slot.field, slot.choices)));
        break;
    }
    return values;
}

struct ShownOption
{
    QString field;
    QString text;
};

void checkDistinct(RecordReader &reader, const QList<ShownOption> &options)
{
    for (int i = 0; i < options.size(); ++i) {
        for (int j = 0; j < i; ++j) {
            if (options[i].text == options[j].text) {
                reader.problem(options[i].field, QStringLiteral("repeats the option \"%1\"").arg(options[i].text));
            } else if (options[i].text.trimmed() == options[j].text.trimmed()) {
                // A pupil would see two identical answers, one right and one wrong.
                reader.problem(options[i].field, QStringLiteral("\"%1\" looks the same on screen as the option \"%2\"")
                                                     .arg(options[i].text, options[j].text));
            }
        }
    }
}

void checkVocabulary(RecordReader &reader, const ContentRules &rules, const QList<ShownOption> &options)
{
    if (rules.vocabulary.isEmpty())
        return;
    for (const ShownOption &option : options) {
        const bool isCorrect = option.field == rules.correctField;
        if (rules.vocabulary.contains(option.text)) {
            if (isCorrect && rules.wrongOnly.contains(option.text))
                reader.problem(option.field, QStringLiteral("\"%1\" is only ever a wrong option").arg(option.text));
        } else if (isCorrect || !rules.wrongSpellings.contains(option.text)) {
            reader.problem(option.field, QStringLiteral("\"%1\" is not one of this activity's answers: %2")
                                             .arg(option.text, rules.vocabulary.join(QStringLiteral(", "))));
        }
    }
}

void checkGap(RecordReader &reader, const QString &field)
{
    const QString text = reader.object().value(field).toString();
    if (text.count(Gap) != 1 || text.contains(Gap + QLatin1Char('_')))
        reader.problem(field, QStringLiteral("must hold one gap written as five underscores \"%1\"").arg(Gap));
}

void checkExamples(const ContentDocument &document, const ContentRules &rules, ContentProblems &problems)
{
    for (const auto &[record, json] : rules.examples) {
        QJsonParseError error;
        const QJsonDocument expected = QJsonDocument::fromJson(json.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !expected.isObject()) {
            problems.append({document.path, record, {}, QStringLiteral("the program's own copy of this example cannot be read")});
            continue;
        }
        if (record >= document.records.size())
            continue; // the record count has already been reported
        const QJsonObject actual = document.records.at(record).toObject();
        const QJsonObject fields = expected.object();
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            if (actual.value(it.key()) != it.value()) {
                problems.append({document.path, record, it.key(),
                                 QStringLiteral("must read exactly %1 (an example record with a fixed place)").arg(compactJson(it.value()))});
            }
        }
    }
}

} // namespace

std::optional<BankImage> parseChoiceBank(const ChoiceActivity &activity, const ContentDocument &document,
                                         ContentProblems &problems)
{
    const qsizetype before = problems.size();
    const ContentRules &rules = activity.content;
    if (document.activity != activity.id) {
        problems.append({document.path, -1, QStringLiteral("activity"),
                         QStringLiteral("must be \"%1\", not \"%2\"").arg(activity.id, document.activity)});
    }
    expectRecordCount(document, activity.itemCount, problems);

    BankImage image;
    for (int record = 0; record < document.records.size(); ++record) {
        RecordReader reader(document, record, problems);
        if (!reader.isObject())
            continue;
        QList<ShownOption> options;
        for (const FieldSlot &slot : rules.fields) {
            const QList<QVariant> values = readField(reader, slot);
            for (int k = 0; k < values.size(); ++k) {
                const int index = slot.to.at(record) + k;
                if (!image.set(slot.to.store, index, values[k])) {
                    reader.problem(slot.field, QStringLiteral("does not fit: %1 slot %2 is outside 0 to %3")
                                                   .arg(storeName(slot.to.store)).arg(index).arg(storeSize(slot.to.store) - 1));
                }
                if (rules.optionFields.contains(slot.field))
                    options.append({slot.field, values[k].toString()});
            }
        }
        checkDistinct(reader, options);
        checkVocabulary(reader, rules, options);
        if (!rules.gapField.isEmpty())
            checkGap(reader, rules.gapField);
    }
    checkExamples(document, rules, problems);
    if (rules.extraCheck)
        rules.extraCheck(document, problems);

    if (problems.size() != before)
        return std::nullopt;
    return image;
}

std::optional<BankImage> loadChoiceBank(const AssetResolver &assets, const ChoiceActivity &activity,
                                        ContentProblems &problems)
{
    // As loadBank, with the activity's own rules passed to the parser.
    for (const QString &path : contentCandidates(assets, activity.id)) {
        ContentProblems found;
        if (auto document = ContentDocument::read(path, found)) {
            if (auto image = parseChoiceBank(activity, *document, found); image && found.isEmpty())
                return image;
        }
        problems += found;
    }
    return std::nullopt;
}
