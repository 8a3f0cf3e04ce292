#include "choicebank.h"

#include "builtinrules.h"
#include "choiceactivity.h"
#include "textfit.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <limits>
#include <vector>

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

// The screen's labels, set up as the screen sets them up from their design, so a record is
// measured by the very code that will show it.
struct MeasuredLabel
{
    const LabelSpec *design;
    Control control;
    QString field; // the field of the record that fills it, as a problem names it
};

Control controlOf(const LabelSpec &design, const TextMeasurer *measurer)
{
    Control label(ControlKind::Label, design.name, design.index, measurer);
    design.applyTo(label);
    return label;
}

// Every text of a record must be shown whole at a size the class can read (readableSize):
// each record is set in the screen's labels as the screen sets it, and a text set smaller
// than that is reported, on its own field, by how many words it is too long.
//  - The answers of a record are set at one shared size, the smallest any of them needs
//    (the screen may then put them on one line a little larger, never smaller). So one long
//    answer would make every answer on the screen small: the problem goes on that answer.
//  - A label kept below another (the response below its question) starts lower when the
//    text above runs long, and is measured in the room it is left.
void checkFits(const ChoiceActivity &activity, const BankImage &image, const ContentDocument &document,
               ContentProblems &problems)
{
    const TextMeasurer *measurer = screenTextMeasurer();
    if (!measurer || activity.rules.arrange)
        return; // a screen that lays its item out itself checks its own record format
    const auto valueAt = [&image](const SlotRef &ref, int record) {
        const auto bank = image.filled().find(ref.store);
        if (bank == image.filled().end())
            return QString();
        const auto slot = bank->second.find(ref.at(record));
        return slot == bank->second.end() ? QString() : slot->second.toString();
    };
    const ChoiceRules &rules = activity.rules;
    std::vector<MeasuredLabel> labels;
    for (const LabelSpec &design : activity.labels)
        labels.push_back({&design, controlOf(design, measurer), {}});
    const auto labelNamed = [&labels](const QString &name, int index) -> MeasuredLabel * {
        for (MeasuredLabel &label : labels) {
            if (label.design->name == name && label.design->index == index)
                return &label;
        }
        return nullptr;
    };
    const QString optionName = QStringLiteral("Label5");

    for (int r = 0; r < image.records; ++r) {
        std::vector<MeasuredLabel *> shown; // the labels this record fills
        for (const LabelFill &fill : rules.fills) {
            MeasuredLabel *label = labelNamed(fill.label, fill.index);
            if (!label || fill.sources.isEmpty())
                continue;
            QStringList texts;
            for (const SlotRef &source : fill.sources)
                texts << valueAt(source, r);
            label->control.setCaption(fillPlaceholders(fill.format, texts));
            label->field = fieldWriting(activity.content, fill.sources.first());
            shown.push_back(label);
        }
        std::vector<MeasuredLabel *> options;
        for (int i = 0; rules.options && i < rules.optionCount; ++i) {
            MeasuredLabel *option = labelNamed(optionName, i);
            if (!option)
                continue;
            const SlotRef at{rules.options->store, rules.options->stride, rules.options->offset + i};
            option->control.setFont(option->design->font);
            option->control.setCaption(valueAt(at, r));
            option->field = fieldWriting(activity.content, at);
            options.push_back(option);
            shown.push_back(option);
        }
        // The answers alike, at the size the smallest of them needs.
        float shared = std::numeric_limits<float>::max();
        for (const MeasuredLabel *option : options) {
            if (option->design->shrinkToFit && !option->control.caption().isEmpty())
                shared = std::min(shared, option->control.shownFont().pointSize);
        }
        for (MeasuredLabel *option : options) {
            if (option->design->shrinkToFit && shared < option->design->font.pointSize)
                option->control.setFont({option->design->font.family, shared, option->design->font.bold});
        }
        // Labels kept clear of the text above them.
        for (MeasuredLabel &label : labels) {
            const LabelSpec &design = *label.design;
            if (design.after.isEmpty() || label.control.caption().isEmpty())
                continue;
            const MeasuredLabel *above = labelNamed(design.after, -1);
            float top = design.top;
            if (above && !above->control.caption().isEmpty())
                top = std::max(top, float(above->control.shownTextRect().bottom()) + design.gap);
            label.control.setGeometry(design.left, top, design.width, std::max(0.0f, design.top + design.height - top));
        }

        for (const MeasuredLabel *label : shown) {
            const LabelSpec &design = *label->design;
            const Control &control = label->control;
            if (design.autoSize || control.caption().isEmpty()
                || control.shownFont().pointSize >= readableSize(design.font))
                continue;
            const TextBox box{design.font, control.width, control.height,
                              (design.border ? BorderTwips : 0.0f) + design.padding, design.shrinkToFit};
            // An answer set small only to match a longer one is not the one to shorten.
            if (const int over = wordsTooMany(*measurer, box, control.caption()))
                problems.append({document.path, r, label->field, tooLongReason(fieldNoun(label->field), over)});
        }
    }
}

} // namespace

QString fillPlaceholders(const QString &format, const QStringList &texts)
{
    QString result;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('%') && i + 1 < format.size() && format.at(i + 1).isDigit()) {
            const int n = format.at(i + 1).digitValue();
            if (n >= 1 && n <= texts.size()) {
                result += texts.at(n - 1);
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

std::optional<BankImage> parseChoiceBank(const ChoiceActivity &activity, const ContentDocument &document,
                                         ContentProblems &problems, bool measureFit)
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
    if (measureFit)
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
    // As loadBank, with the activity's own rules passed to the parser. A teacher's file is
    // measured as the screen will set it every time it is read; the bank built into the
    // program cannot change after the tests measured it (tst_banklevels), and measuring its
    // every record would add a noticeable pause to opening the activity.
    return loadFirstPassing(assets, activity.id, [&activity](const ContentDocument &document, ContentProblems &found) {
        return parseChoiceBank(activity, document, found, !document.path.startsWith(QLatin1String(":/")));
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
