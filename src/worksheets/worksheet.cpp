#include "worksheet.h"

#include "choiceactivities.h"
#include "contentfile.h"
#include "contentkinds.h"
#include "slotactivities.h"
#include "slotbank.h"
#include "sortactivities.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>

#include <algorithm>
#include <random>

namespace {

const QString Dash = QStringLiteral(" \u2014 ");

// Seeded numbers that are the same for a seed on every platform (the engine's output is
// fixed by the standard; the library's distributions are not, so none is used).
class Draw
{
public:
    explicit Draw(quint32 seed)
        : m_engine(seed)
    {
    }
    int below(int n) { return int(m_engine() % quint32(n)); }
    template<typename T>
    void shuffle(QList<T> &list)
    {
        for (qsizetype i = list.size() - 1; i > 0; --i)
            list.swapItemsAt(i, below(int(i + 1)));
    }

private:
    std::mt19937 m_engine;
};

// A list of texts as shown: the screens set a caption's trailing spaces in nothing.
QStringList strings(const QJsonValue &value)
{
    QStringList list;
    for (const QJsonValue &each : value.toArray())
        list << each.toString().trimmed();
    return list;
}

// An option to circle, with whether it is right.
struct Choice
{
    QString text;
    bool right = false;
    float left = 0, top = 0; // where the screen shows it, for options in fixed places
};

void setChoices(SheetItem &item, const QList<Choice> &choices)
{
    for (int i = 0; i < choices.size(); ++i) {
        item.choices << choices[i].text;
        if (choices[i].right)
            item.right << i;
    }
    QStringList answers;
    for (int i : item.right)
        answers << (item.lettered ? worksheetOptionLetter(i) + QLatin1Char(' ') : QString()) + item.choices[i];
    item.answer = answers.join(QStringLiteral(", "));
}

// ---- multiple choice --------------------------------------------------------------------

using SlotKey = std::pair<int, int>; // store, offset within the record

// The values a record writes, by the slot they go to (relative to the record).
QMap<SlotKey, QVariant> recordSlots(const ChoiceActivity &activity, const QJsonObject &record)
{
    QMap<SlotKey, QVariant> bySlot;
    for (const FieldSlot &field : activity.content.fields) {
        const QJsonValue value = record.value(field.field);
        QList<QVariant> values;
        switch (field.type) {
        case FieldType::Text: values << value.toString(); break;
        case FieldType::Texts:
            for (const QString &text : strings(value))
                values << text;
            break;
        case FieldType::Number: values << value.toInt(); break;
        case FieldType::Numbers:
            for (const QJsonValue &each : value.toArray())
                values << each.toInt();
            break;
        case FieldType::Choice: values << int(field.choices.indexOf(value.toString())); break;
        }
        for (int k = 0; k < values.size(); ++k)
            bySlot.insert({int(field.to.store), field.to.offset + k}, values[k]);
    }
    return bySlot;
}

QVariant slotValue(const QMap<SlotKey, QVariant> &bySlot, const SlotRef &ref, int plus = 0)
{
    return bySlot.value({int(ref.store), ref.offset + plus});
}

// A caption format with %1, %2 ... replaced in one pass, so text that itself holds "%2"
// stays as written.
QString filled(const QString &format, const QStringList &values)
{
    QString result;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('%') && i + 1 < format.size() && format.at(i + 1).isDigit()) {
            const int n = format.at(i + 1).digitValue();
            if (n >= 1 && n <= values.size()) {
                result += values[n - 1];
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

const LabelSpec *labelSpec(const ChoiceActivity &activity, const QString &name, int index)
{
    for (const LabelSpec &designed : activity.labels) {
        if (designed.name == name && designed.index == index)
            return &designed;
    }
    return nullptr;
}

const QString OptionLabel = QStringLiteral("Label5");

struct ShownText
{
    float top = 0;
    SheetLine line;
};

SheetItem choiceItem(const ChoiceActivity &activity, const QJsonObject &record, Draw &draw)
{
    const ChoiceRules &rules = activity.rules;
    const QMap<SlotKey, QVariant> bySlot = recordSlots(activity, record);

    // The labels each draw fills: those on show with the item are its text; those shown
    // only once it is answered (a completed line, a corrected sentence) are the answer.
    QMap<QString, ShownText> shown;
    QStringList shownOrder;
    QStringList reveals;
    QMap<int, QString> parts; // an item shown in parts, one label each (by element)
    for (const LabelFill &fill : rules.fills) {
        QStringList values;
        for (const SlotRef &source : fill.sources)
            values << slotValue(bySlot, source).toString();
        const QString text = filled(fill.format, values).trimmed();
        const bool onAnswer = rules.showOnAnswer.contains(fill.label) || rules.showOnSolution.contains(fill.label);
        const LabelSpec *designed = labelSpec(activity, fill.label, fill.index);
        const bool onDraw = rules.showOnDraw.contains(fill.label);
        if (onAnswer && !onDraw) {
            if (!text.isEmpty())
                reveals << text;
            continue;
        }
        if (!onDraw && !(designed && designed->visible) && !rules.arrange)
            continue;
        if (fill.index >= 0)
            parts.insert(fill.index, text);
        ShownText &entry = shown[fill.label];
        if (!shownOrder.contains(fill.label)) {
            shownOrder << fill.label;
            entry.top = designed ? designed->top : 0;
            entry.line.right = designed && designed->alignment == TextAlign::Right;
        }
        if (!text.isEmpty())
            entry.line.text += (entry.line.text.isEmpty() ? QString() : QStringLiteral(" ")) + text;
    }
    std::stable_sort(shownOrder.begin(), shownOrder.end(),
                     [&](const QString &a, const QString &b) { return shown[a].top < shown[b].top; });

    SheetItem item;
    for (const QString &label : shownOrder) {
        if (!shown[label].line.text.isEmpty())
            item.lines << shown[label].line;
    }

    // The options: from the record, or the answer labels' own captions, or (a sentence
    // answered by its parts) the parts themselves.
    QList<Choice> choices;
    bool fixedCaptions = false;
    for (int i = 0; i < rules.optionCount; ++i) {
        Choice choice;
        const LabelSpec *designed = labelSpec(activity, OptionLabel, i);
        if (rules.options) {
            choice.text = slotValue(bySlot, *rules.options, i).toString();
        } else if (designed && !designed->caption.isEmpty()) {
            choice.text = designed->caption;
            fixedCaptions = true;
        } else {
            choice.text = parts.value(i);
        }
        if (designed) {
            choice.left = designed->left;
            choice.top = designed->top;
        }
        choices << choice;
    }
    const QVariant correct = slotValue(bySlot, rules.correct);
    for (int i = 0; i < choices.size(); ++i) {
        switch (rules.judge) {
        case Judge::Text: choices[i].right = choices[i].text == correct.toString(); break;
        case Judge::Number: choices[i].right = choices[i].text.toInt() == correct.toInt(); break;
        case Judge::Element: choices[i].right = i == correct.toInt(); break;
        }
        choices[i].text = choices[i].text.trimmed();
    }
    choices.removeIf([](const Choice &choice) { return choice.text.isEmpty(); });

    if (activity.id == QLatin1String("attention")) {
        item.kind = SheetItem::Kind::Accuracy;
        for (const Choice &choice : choices) {
            if (choice.right)
                item.count = choice.text.toInt();
        }
        const QString corrected = reveals.value(0);
        item.answer = QStringLiteral("%1 %2").arg(item.count).arg(item.count == 1 ? QStringLiteral("error") : QStringLiteral("errors"))
            + Dash + corrected;
        item.choices = QStringList{corrected};
        return item;
    }

    if (rules.options && rules.shufflePasses > 0) {
        draw.shuffle(choices);
    } else if (fixedCaptions) {
        // In the order the screen shows them, left to right and top to bottom.
        std::stable_sort(choices.begin(), choices.end(), [](const Choice &a, const Choice &b) {
            return a.top != b.top ? a.top < b.top : a.left < b.left;
        });
    }
    item.kind = SheetItem::Kind::Circle;
    item.lettered = !fixedCaptions;
    setChoices(item, choices);
    if (!reveals.isEmpty())
        item.answer += Dash + reveals.join(QLatin1Char(' '));
    return item;
}

QStringList choiceInstruction(const ChoiceActivity &activity)
{
    QList<const LabelSpec *> found;
    for (const LabelSpec &designed : activity.labels) {
        if (!designed.visible || designed.caption.isEmpty() || designed.name == OptionLabel)
            continue;
        const bool filledByDraw = std::any_of(activity.rules.fills.begin(), activity.rules.fills.end(),
                                              [&](const LabelFill &fill) { return fill.label == designed.name; });
        if (!filledByDraw)
            found << &designed;
    }
    std::stable_sort(found.begin(), found.end(), [](const LabelSpec *a, const LabelSpec *b) { return a->top < b->top; });
    QStringList lines;
    for (const LabelSpec *designed : found)
        lines << designed->caption;
    return lines;
}

// ---- drag and sort ----------------------------------------------------------------------

SheetItem sortItem(const SortActivity &activity, const QJsonObject &record, Draw &draw)
{
    const QString id = QString::fromLatin1(activity.id);
    SheetItem item;
    if (id == QLatin1String("chronological")) {
        QList<int> order;
        const QStringList events = strings(record.value(QLatin1String("events")));
        for (int i = 0; i < events.size(); ++i)
            order << i;
        draw.shuffle(order);
        item.kind = SheetItem::Kind::Number;
        QStringList numbers;
        for (int i : order) {
            item.choices << events[i];
            item.marks << i + 1;
            numbers << QString::number(i + 1);
        }
        item.answer = QStringLiteral("numbers from the top: ") + numbers.join(QStringLiteral(", "));
    } else if (id == QLatin1String("genre")) {
        item.kind = SheetItem::Kind::Match;
        item.headings = strings(record.value(QLatin1String("headings")));
        const QStringList titles = strings(record.value(QLatin1String("titles")));
        QList<int> order;
        for (int i = 0; i < titles.size(); ++i)
            order << i;
        draw.shuffle(order);
        QStringList pairs;
        for (int i : order) {
            item.choices << titles[i];
            item.marks << i;
            pairs << titles[i] + QStringLiteral(": ") + item.headings.value(i);
        }
        item.answer = pairs.join(QStringLiteral("; "));
    } else if (id == QLatin1String("cv")) {
        const QStringList entries = strings(record.value(QLatin1String("entries")));
        const int unsuitable = record.value(QLatin1String("unsuitable")).toInt();
        QList<Choice> choices;
        for (int i = 0; i < entries.size(); ++i)
            choices.append({entries[i], i == unsuitable});
        setChoices(item, choices);
    } else if (id == QLatin1String("similarity")) {
        item.lines << SheetLine{QStringLiteral("THEME: ") + record.value(QLatin1String("theme")).toString().trimmed()};
        QList<Choice> choices;
        for (const QString &word : strings(record.value(QLatin1String("related"))))
            choices.append({word, false});
        for (const QString &word : strings(record.value(QLatin1String("unrelated"))))
            choices.append({word, true});
        draw.shuffle(choices);
        item.lettered = false;
        setChoices(item, choices);
    } else if (id == QLatin1String("key2")) {
        const QStringList fragments = strings(record.value(QLatin1String("fragments")));
        QList<int> keys;
        for (const QJsonValue &key : record.value(QLatin1String("key")).toArray())
            keys << key.toInt();
        QList<Choice> choices;
        for (int i = 0; i < fragments.size(); ++i)
            choices.append({fragments[i], keys.contains(i)});
        item.lettered = false;
        setChoices(item, choices);
    }
    return item;
}

QString sortOnPaper(const SortActivity &activity)
{
    const QString id = QString::fromLatin1(activity.id);
    if (id == QLatin1String("chronological"))
        return QStringLiteral("Number the sentences from 1 to %1 in the order they happen.").arg(activity.phraseCount);
    if (id == QLatin1String("genre"))
        return QStringLiteral("Draw a line from each book title to its genre.");
    if (id == QLatin1String("cv"))
        return QStringLiteral("Circle the letter of the statement that should not be on a CV.");
    if (id == QLatin1String("similarity"))
        return QStringLiteral("Circle the three words that do not belong to the theme.");
    return QStringLiteral("Circle the two key pieces of information.");
}

// ---- drag to slot -----------------------------------------------------------------------

SheetItem slotItem(const SlotActivity &activity, const QJsonObject &record)
{
    SheetItem item;
    item.kind = SheetItem::Kind::WordBoxes;
    const QString key = record.value(QLatin1String("key")).toString();
    item.choices = sentenceWords(record.value(QLatin1String("sentence")).toString());
    QStringList answers;
    for (int i = 0; i < item.choices.size(); ++i) {
        const int group = keyDigit(key, i);
        item.marks << group;
        if (group == 0)
            continue;
        if (activity.headings.size() > 1 && group <= int(activity.headings.size()))
            answers << QStringLiteral("%1 (%2)").arg(item.choices[i], QString::fromUtf8(activity.headings[group - 1].caption));
        else
            answers << item.choices[i];
    }
    item.answer = answers.join(QStringLiteral(", "));
    return item;
}

// ---- words for paper --------------------------------------------------------------------

// What the sheet asks where the screen's own words tell a pupil to click or drag, or where
// the screen asks nothing in words; nullptr keeps what the sheet says otherwise.
struct PaperWording
{
    const char *activity;
    const char *instruction;
    const char *onPaper;
};

constexpr PaperWording PaperWordings[] = {
    {"openings", "What sort of story opening is each of these?", nullptr},
    {"similes", "Choose the best ending for each simile.", nullptr},
    {"cv", "The four statements below were written for a CV, but one of them should not be there.", nullptr},
    {"genre", "Which genre does each book title belong to?", nullptr},
    {"similarity", "Four of the words below are related to the theme.", nullptr},
    {"key2", "Which two pieces of each sentence hold its key information?", nullptr},
    {"notemaking", "Find the two or three important words in each sentence, the ones you would write in your notes.",
     "Tick the box under each of those words."},
    {"person", "Find the words that are in the first, second or third person.", nullptr},
};

void useWordsForPaper(Worksheet &sheet)
{
    for (const PaperWording &wording : PaperWordings) {
        if (sheet.activity != QLatin1String(wording.activity))
            continue;
        if (wording.instruction)
            sheet.instruction = {QString::fromUtf8(wording.instruction)};
        if (wording.onPaper)
            sheet.onPaper = QString::fromUtf8(wording.onPaper);
    }
}

} // namespace

QString worksheetOptionLetter(int index)
{
    return QStringLiteral("(%1)").arg(QChar(u'a' + index));
}

QStringList worksheetActivities()
{
    QStringList ids;
    for (const ChoiceActivity &activity : choiceActivities())
        ids << activity.id;
    for (const SortActivity &activity : sortActivities())
        ids << QString::fromLatin1(activity.id);
    for (const SlotActivity &activity : slotActivities())
        ids << QString::fromLatin1(activity.id);
    std::sort(ids.begin(), ids.end(), [](const QString &a, const QString &b) {
        return worksheetActivityTitle(a).compare(worksheetActivityTitle(b), Qt::CaseInsensitive) < 0;
    });
    return ids;
}

QString worksheetActivityTitle(const QString &activity)
{
    if (const ChoiceActivity *choice = choiceActivity(activity))
        return choice->caption;
    if (const SortActivity *sort = sortActivity(activity))
        return QString::fromUtf8(sort->caption);
    if (const SlotActivity *slot = findSlotActivity(activity))
        return QString::fromUtf8(slot->caption);
    return {};
}

std::optional<ContentDocument> worksheetBank(const AssetResolver &assets, const QString &activity, QString *error)
{
    static const QList<ContentKind> kinds = allContentKinds();
    const auto kind = std::find_if(kinds.begin(), kinds.end(), [&](const ContentKind &k) { return k.activity == activity; });
    if (kind == kinds.end() || worksheetActivityTitle(activity).isEmpty()) {
        if (error)
            *error = QStringLiteral("There is no activity called \"%1\".").arg(activity);
        return std::nullopt;
    }
    ContentProblems problems;
    // The copy the activity itself uses: the first that passes the activity's checks.
    if (auto document = loadFirstPassing(assets, activity, [&kind](const ContentDocument &read, ContentProblems &found) {
            kind->check(read, found);
            return std::optional<ContentDocument>(read);
        }, problems))
        return document;
    if (error) {
        *error = QStringLiteral("No copy of the bank of \"%1\" passes its checks%2").arg(activity,
            problems.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + problems.first().toString());
    }
    return std::nullopt;
}

std::optional<Worksheet> buildWorksheet(const AssetResolver &assets, const QString &activity, int count,
                                        quint32 seed, QString *error)
{
    const std::optional<ContentDocument> bank = worksheetBank(assets, activity, error);
    if (!bank)
        return std::nullopt;
    return buildWorksheet(*bank, count, seed, error);
}

std::optional<Worksheet> buildWorksheet(const ContentDocument &bank, int count, quint32 seed, QString *error)
{
    const int size = int(bank.records.size());
    const QString title = worksheetActivityTitle(bank.activity);
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (title.isEmpty())
        return fail(QStringLiteral("There is no activity called \"%1\".").arg(bank.activity));
    if (size == 0)
        return fail(QStringLiteral("The bank of \"%1\" holds no items.").arg(bank.activity));
    if (count < 0 || count > size)
        return fail(QStringLiteral("The bank of \"%1\" holds %2 items; choose from 1 to %2, not %3.").arg(bank.activity).arg(size).arg(count));

    Worksheet sheet;
    sheet.activity = bank.activity;
    sheet.title = title;
    sheet.bankSize = size;
    sheet.seed = seed;
    sheet.bankPath = bank.path;

    // The items: all in bank order, or a seeded draw of some, still in bank order.
    Draw draw(seed);
    QList<int> records;
    for (int r = 0; r < size; ++r)
        records << r;
    if (count != 0 && count < size) {
        draw.shuffle(records);
        records = records.mid(0, count);
        std::sort(records.begin(), records.end());
    }

    if (const ChoiceActivity *choice = choiceActivity(bank.activity)) {
        sheet.instruction = choiceInstruction(*choice);
        for (int r : records)
            sheet.items << choiceItem(*choice, bank.records.at(r).toObject(), draw);
        const SheetItem &first = sheet.items.first();
        sheet.onPaper = first.kind == SheetItem::Kind::Accuracy
            ? QStringLiteral("Write the sentence correctly on the line, and the number of errors in the box.")
            : first.lettered ? QStringLiteral("Circle the letter of the right answer.")
                             : QStringLiteral("Circle the right answer.");
    } else if (const SortActivity *sort = sortActivity(bank.activity)) {
        sheet.instruction = {QString::fromUtf8(sort->instruction.caption)};
        sheet.onPaper = sortOnPaper(*sort);
        for (int r : records)
            sheet.items << sortItem(*sort, bank.records.at(r).toObject(), draw);
    } else if (const SlotActivity *slot = findSlotActivity(bank.activity)) {
        sheet.instruction = {QString::fromUtf8(slot->instruction)};
        for (const SlotHeading &heading : slot->headings)
            sheet.groups << QString::fromUtf8(heading.caption);
        if (sheet.groups.size() == 1) {
            sheet.onPaper = QStringLiteral("Tick the box under each word that belongs in the %1.").arg(sheet.groups.first());
        } else {
            QStringList legend;
            for (int g = 0; g < sheet.groups.size(); ++g)
                legend << QStringLiteral("%1 = %2").arg(g + 1).arg(sheet.groups[g]);
            sheet.onPaper = QStringLiteral("In the box under each word, write the number of its group (%1). Leave the other boxes empty.")
                                .arg(legend.join(QStringLiteral(", ")));
        }
        for (int r : records)
            sheet.items << slotItem(*slot, bank.records.at(r).toObject());
    }
    useWordsForPaper(sheet);
    return sheet;
}
