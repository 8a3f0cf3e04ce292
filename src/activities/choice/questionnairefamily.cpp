#include "questionnairefamily.h"

#include <QHash>

#include <array>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Green(0, 255, 0);
const QColor Orange(255, 128, 0);
const QColor Black(0, 0, 0);
const QColor FormColour(48, 133, 214);

constexpr int OptionCount = 2;
constexpr float ItemPoints = 36;
constexpr float AnswerPoints = 27.75f;
constexpr float AnswerWidth = 4155;
constexpr float AnswerHeight = 735;
// Keeps the answer word off the borders; a line of 27.75 pt still fits the box.
constexpr float AnswerPadding = 30;

// One screen of the family as designed (twips and points). The answer words are the
// content file's names for Label5(0) and Label5(1), in that order.
struct Design
{
    const char *id;
    const char *caption;
    const char *termMenu;
    int itemCount;
    const char *instruction;
    Box instructionBox;
    float instructionPoints;
    Box item;         // Label1
    bool hasExtract;  // Label4 exists (it carries text only in review)
    Box extract;
    std::array<const char *, OptionCount> answers;
    std::array<const char *, OptionCount> words;
    std::array<std::array<float, 2>, OptionCount> answerPlaces; // left, top by element
};

const Box NoBox{0, 0, 0, 0};

const Design Designs[] = {
    {"questionaire", "Questionnaires", "menu4", 29,
     "Is the question below specific?", {180, 120, 9855, 1395}, 36,
     {120, 2520, 9915, 2385}, true, {120, 3840, 9975, 1455},
     {"SPECIFIC", "UNSPECIFIC"}, {"specific", "unspecific"}, {{{480, 6000}, {5280, 6000}}}},
    {"fact", "Fact or Opinion?", "menu5", 33,
     "Is the statement below fact or opinion?", {1560, 120, 6975, 1755}, 36,
     {120, 2520, 9915, 2745}, true, {120, 3840, 9975, 1455},
     {"FACT", "OPINION"}, {"fact", "opinion"}, {{{480, 6000}, {5280, 6000}}}},
    // OPEN (element 1) stands on the left, CLOSED (element 0) on the right.
    {"openorclosed", "Open or Closed Questions", "menu5", 34,
     "Is the question below open or closed?", {1560, 120, 6975, 1755}, 36,
     {120, 2520, 9915, 2745}, true, {120, 3840, 9975, 1455},
     {"CLOSED", "OPEN"}, {"closed", "open"}, {{{5280, 6000}, {480, 6000}}}},
    // The instruction stands below the texts, just above the answer labels.
    {"review", "Reviews", "menu6", 32,
     "Is this part of the review providing useful information?", {1800, 4680, 6495, 1275}, 26.25f,
     {120, 240, 9915, 1665}, true, {120, 2160, 9975, 2295},
     {"USEFUL", "SPURIOUS"}, {"useful", "spurious"}, {{{480, 6120}, {5400, 6120}}}},
    {"revision", "Revision", "menu6", 38,
     "Is the statement below true or false?", {120, 120, 9975, 1275}, 27.75f,
     {120, 2040, 9915, 3105}, false, NoBox,
     {"TRUE", "FALSE"}, {"true", "false"}, {{{480, 6120}, {5400, 6120}}}},
};

QList<LabelSpec> labelsOf(const Design &design)
{
    QList<LabelSpec> labels;

    LabelSpec instruction = placedLabel(QStringLiteral("Label2"), -1, design.instructionBox,
                                        timesNewRoman(design.instructionPoints), Green);
    instruction.caption = QString::fromUtf8(design.instruction);
    labels << instruction;

    LabelSpec item = placedLabel(QStringLiteral("Label1"), -1, design.item, timesNewRoman(ItemPoints), Yellow);
    item.visible = false;
    labels << item;

    if (design.hasExtract) {
        LabelSpec extract = placedLabel(QStringLiteral("Label4"), -1, design.extract,
                                        timesNewRoman(ItemPoints), Yellow);
        extract.visible = false;
        labels << extract;
    }

    for (int i = 0; i < OptionCount; ++i) {
        LabelSpec answer;
        answer.name = QStringLiteral("Label5");
        answer.index = i;
        answer.left = design.answerPlaces[i][0];
        answer.top = design.answerPlaces[i][1];
        answer.width = AnswerWidth;
        answer.height = AnswerHeight;
        answer.font = {QStringLiteral("Tahoma"), AnswerPoints, true};
        answer.foreColor = Black;
        answer.backColor = Yellow;
        answer.opaque = true;
        answer.border = true;
        answer.padding = AnswerPadding;
        answer.middle = true;
        answer.visible = false;
        answer.caption = QString::fromLatin1(design.answers[i]);
        labels << answer;
    }

    LabelSpec verdict = placedLabel(QStringLiteral("Label6"), -1, {3000, 7320, 4455, 1215}, timesNewRoman(48), Orange);
    verdict.visible = false;
    verdict.caption = QStringLiteral("Correct");
    labels << verdict;
    return labels;
}

ChoiceActivity activityOf(const Design &design)
{
    const bool review = design.id == QLatin1String("review");
    const int width = review ? 2 : 1;
    const QString item = QStringLiteral("Label1");
    const QString extract = QStringLiteral("Label4");

    ChoiceActivity activity;
    activity.id = QString::fromLatin1(design.id);
    activity.caption = QString::fromUtf8(design.caption);
    activity.termMenu = QString::fromLatin1(design.termMenu);
    activity.itemCount = design.itemCount;
    activity.recordWidth = width;
    activity.labels = labelsOf(design);

    ChoiceRules &rules = activity.rules;
    rules.optionCount = OptionCount;
    rules.backColour = FormColour;
    rules.fills = {{item, QStringLiteral("%1"), {{Store::ItemBank, width, 0}}}};
    if (review)
        rules.fills.append({extract, QStringLiteral("%1"), {{Store::ItemBank, width, 1}}});
    rules.shufflePasses = 0;
    rules.judge = Judge::Element;
    rules.correct = {Store::AnswerKey, 1, 0};
    rules.showOnDraw = {item};
    rules.hideOnNext = {item};
    if (design.hasExtract) {
        // Label4 is shown (empty, except in review) and hidden just as the item is, and
        // shown again by every answer.
        rules.showOnDraw << extract;
        rules.showOnAnswer << extract;
        rules.hideOnNext << extract;
    }

    const QString answer = QStringLiteral("answer");
    ContentRules &content = activity.content;
    if (review) {
        content.fields = {{QStringLiteral("heading"), FieldType::Text, {Store::ItemBank, width, 0}},
                          {QStringLiteral("extract"), FieldType::Text, {Store::ItemBank, width, 1}}};
    } else {
        content.fields = {{QStringLiteral("text"), FieldType::Text, {Store::ItemBank, width, 0}}};
    }
    FieldSlot key{answer, FieldType::Choice, {Store::AnswerKey, 1, 0}};
    for (const char *word : design.words)
        key.choices << QString::fromLatin1(word);
    content.fields << key;
    content.correctField = answer;
    // A review may come back under the same heading; what is judged is the extract.
    const QString judged = review ? QStringLiteral("extract") : QStringLiteral("text");
    content.extraCheck = [judged](const ContentDocument &document, ContentProblems &problems) {
        checkNoRepeats(document, judged, problems);
    };
    return activity;
}

} // namespace

void checkNoRepeats(const ContentDocument &document, const QString &field, ContentProblems &problems)
{
    QHash<QString, int> first;
    for (int r = 0; r < document.records.size(); ++r) {
        const QString text = document.records.at(r).toObject().value(field).toString().trimmed();
        if (text.isEmpty())
            continue; // reported by the field's own check
        if (const auto it = first.constFind(text); it != first.constEnd()) {
            problems.append({document.path, r, field,
                             QStringLiteral("This %1 repeats record %2: \"%3\"").arg(fieldNoun(field)).arg(recordNumber(it.value())).arg(text)});
        } else {
            first.insert(text, r);
        }
    }
}

QList<ChoiceActivity> questionnaireFamily()
{
    QList<ChoiceActivity> activities;
    for (const Design &design : Designs)
        activities << activityOf(design);
    return activities;
}
