#include "choicebank.h"

#include "builtinrules.h"
#include "choiceactivity.h"
#include "textfit.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <limits>

namespace {

const QString Gap = QStringLiteral("_____");

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
    QString field; // as a problem names it: "correct", "wrong[1]"
    QString text;
    bool isAnswer = false;
};

// Two options that read the same (or look the same, differing only in spaces at an end)
// cannot both be on screen: a pupil would see two identical answers, one right and one
// wrong. The problem is the wrong option's, which is the one to change.
void checkDistinct(RecordReader &reader, const QList<ShownOption> &options)
{
    for (int i = 0; i < options.size(); ++i) {
        for (int j = 0; j < i; ++j) {
            const ShownOption &earlier = options[j];
            const ShownOption &later = options[i];
            const bool same = later.text == earlier.text;
            if (!same && later.text.trimmed() != earlier.text.trimmed())
                continue;
            const ShownOption &wrong = later.isAnswer ? earlier : later;
            const ShownOption &other = later.isAnswer ? later : earlier;
            const QString verb = same ? QStringLiteral("is the same as") : QStringLiteral("looks the same on screen as");
            if (other.isAnswer)
                reader.problem(wrong.field, QStringLiteral("This option %1 the right answer").arg(verb));
            else
                reader.problem(wrong.field, QStringLiteral("This option %1 the option \"%2\"").arg(verb, other.text));
        }
    }
}

void checkGap(RecordReader &reader, const QString &field)
{
    const QString text = reader.object().value(field).toString();
    if (text.count(Gap) != 1 || text.contains(Gap + QLatin1Char('_')))
        reader.problem(field, QStringLiteral("This sentence must hold one gap, written as five underscores \"%1\"").arg(Gap));
}

// The most records the activity's fields have room for in the shared banks.
int capacityOf(const ContentRules &rules)
{
    int capacity = std::numeric_limits<int>::max();
    for (const FieldSlot &slot : rules.fields) {
        const int values = slot.type == FieldType::Texts || slot.type == FieldType::Numbers ? slot.count : 1;
        if (slot.to.stride > 0)
            capacity = std::min(capacity, (storeSize(slot.to.store) - slot.to.offset - values) / slot.to.stride + 1);
    }
    return capacity;
}

// The field (and element of a list field) that writes a slot of record r, as a problem
// names it.
QString fieldWriting(const ContentRules &rules, const SlotRef &ref)
{
    for (const FieldSlot &slot : rules.fields) {
        if (slot.to.store != ref.store || slot.to.stride != ref.stride)
            continue;
        const int k = ref.offset - slot.to.offset;
        if (slot.type == FieldType::Texts && k >= 0 && k < slot.count)
            return QStringLiteral("%1[%2]").arg(slot.field).arg(k);
        if (k == 0)
            return slot.field;
    }
    return {};
}

const LabelSpec *designOf(const ChoiceActivity &activity, const QString &name, int index)
{
    for (const LabelSpec &label : activity.labels) {
        if (label.name == name && label.index == index)
            return &label;
    }
    return nullptr;
}

// Text the screen shows in a label it fills from the record must fit the label's box
// whole, at the smallest size the label may shrink to; measured as the screen measures.
void checkFits(const ChoiceActivity &activity, const BankImage &image, const ContentDocument &document,
               ContentProblems &problems)
{
    const TextMeasurer *measurer = screenTextMeasurer();
    if (!measurer || activity.rules.arrange)
        return; // a screen that lays its item out itself is checked by its own tests
    const auto valueAt = [&image](Store store, int index) {
        const auto bank = image.filled().find(store);
        if (bank == image.filled().end())
            return QString();
        const auto slot = bank->second.find(index);
        return slot == bank->second.end() ? QString() : slot->second.toString();
    };
    const auto check = [&](int r, const LabelSpec *label, const SlotRef &source, const QString &shown, const QString &what) {
        if (!label || label->autoSize || shown.isEmpty())
            return;
        const TextBox box{label->font, label->width, label->height,
                          (label->border ? BorderTwips : 0.0f) + label->padding, label->shrinkToFit};
        if (const int over = wordsTooMany(*measurer, box, shown))
            problems.append({document.path, r, fieldWriting(activity.content, source), tooLongReason(what, over)});
    };
    const ChoiceRules &rules = activity.rules;
    for (int r = 0; r < image.records; ++r) {
        for (const LabelFill &fill : rules.fills) {
            if (fill.sources.isEmpty())
                continue;
            QString shown = fill.format;
            for (int k = 0; k < fill.sources.size(); ++k)
                shown.replace(QStringLiteral("%%1").arg(k + 1), valueAt(fill.sources[k].store, fill.sources[k].at(r)));
            const SlotRef &first = fill.sources.first();
            check(r, designOf(activity, fill.label, fill.index), first, shown,
                  fieldWriting(activity.content, first).section(QLatin1Char('['), 0, 0));
        }
        if (!rules.options)
            continue;
        for (int i = 0; i < rules.optionCount; ++i) {
            const SlotRef at{rules.options->store, rules.options->stride, rules.options->offset + i};
            check(r, designOf(activity, QStringLiteral("Label5"), i), at, valueAt(at.store, at.at(r)), QStringLiteral("option"));
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
    if (!expectRecordRange(document, capacityOf(rules), problems))
        return std::nullopt;

    BankImage image;
    image.records = int(document.records.size());
    for (int record = 0; record < document.records.size(); ++record) {
        RecordReader reader(document, record, problems);
        if (!reader.isObject())
            continue;
        QList<ShownOption> options;
        for (const FieldSlot &slot : rules.fields) {
            const QList<QVariant> values = readField(reader, slot);
            for (int k = 0; k < values.size(); ++k) {
                const int index = slot.to.at(record) + k;
                image.set(slot.to.store, index, values[k]); // in range: the record count is within capacity
                if (rules.optionFields.contains(slot.field)) {
                    const QString name = slot.type == FieldType::Texts || slot.type == FieldType::Numbers
                                             ? QStringLiteral("%1[%2]").arg(slot.field).arg(k)
                                             : slot.field;
                    options.append({name, values[k].toString(), slot.field == rules.correctField});
                }
            }
        }
        checkDistinct(reader, options);
        if (!rules.gapField.isEmpty())
            checkGap(reader, rules.gapField);
    }
    if (rules.extraCheck)
        rules.extraCheck(document, problems);
    checkFits(activity, image, document, problems);

    if (problems.size() != before)
        return std::nullopt;
    return image;
}

void checkChoiceBuiltInRules(const ChoiceActivity &activity, const ContentDocument &document, ContentProblems &problems)
{
    checkBuiltInRules(activity.id, document, problems);
    if (activity.content.builtInCheck)
        activity.content.builtInCheck(document, problems);
}

std::optional<BankImage> loadChoiceBank(const AssetResolver &assets, const ChoiceActivity &activity,
                                        ContentProblems &problems)
{
    // As loadBank, with the activity's own rules passed to the parser.
    return loadFirstPassing(assets, activity.id, [&activity](const ContentDocument &document, ContentProblems &found) {
        return parseChoiceBank(activity, document, found);
    }, problems);
}

QJsonObject choiceBankJson(const ChoiceActivity &activity, const BankImage &image)
{
    QJsonArray records;
    for (int r = 0; r < image.records; ++r) {
        QJsonObject shown;
        for (const FieldSlot &slot : activity.content.fields) {
            const int values = slot.type == FieldType::Texts || slot.type == FieldType::Numbers ? slot.count : 1;
            for (int k = 0; k < values; ++k) {
                const int index = slot.to.at(r) + k;
                const auto &bank = image.filled().at(slot.to.store);
                if (const auto it = bank.find(index); it != bank.end())
                    shown.insert(QStringLiteral("%1(%2)").arg(storeName(slot.to.store)).arg(index), QJsonValue::fromVariant(it->second));
            }
        }
        records.append(shown);
    }
    return {{QStringLiteral("activity"), activity.id}, {QStringLiteral("records"), records}};
}
