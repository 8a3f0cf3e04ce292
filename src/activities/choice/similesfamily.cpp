#include "similesfamily.h"

#include "persuasive.h"

#include <QRegularExpression>

#include <array>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Green(0, 255, 0);
const QColor Orange(255, 128, 0);
const QColor Black(0, 0, 0);
const QColor FamilyBackColour(48, 133, 214);

constexpr int OptionCount = 3;
constexpr float PromptPoints = 36;
constexpr float OptionPoints = 15.75f;
constexpr float OptionPadding = 90; // keeps option text off the borders of its box
constexpr float VerdictPoints = 48;
constexpr float VerdictWidth = 4455;
constexpr float VerdictHeight = 1215;
constexpr float SecondGap = 360; // half a line of 36 pt between the prompt and the second text

const QString Gap = QStringLiteral("_____");

// One screen of the family as designed (twips and points).
struct Design
{
    const char *id;
    const char *caption;
    const char *termMenu;
    int itemCount;
    int recordWidth;
    int firstOption; // the options fill slots firstOption .. firstOption + 2; the last is right
    const char *instruction;
    Box instructionBox;
    float instructionPoints;
    Box prompt;  // Label1
    Box second;  // Label4
    float secondPoints;
    std::array<float, OptionCount> optionLefts;
    float optionTop, optionWidth, optionHeight;
    float verdictLeft, verdictTop;
};

QList<LabelSpec> labelsOf(const Design &design)
{
    QList<LabelSpec> labels;

    LabelSpec instruction = placedLabel(QStringLiteral("Label2"), -1, design.instructionBox,
                                        timesNewRoman(design.instructionPoints), Green);
    instruction.caption = QString::fromUtf8(design.instruction);
    labels << instruction;

    LabelSpec prompt = placedLabel(QStringLiteral("Label1"), -1, design.prompt, timesNewRoman(PromptPoints), Yellow);
    prompt.visible = false;
    labels << prompt;

    LabelSpec second = placedLabel(QStringLiteral("Label4"), -1, design.second,
                                   timesNewRoman(design.secondPoints), Yellow);
    second.visible = false;
    // A prompt that wraps further down than designed (a long question) pushes the second
    // text down, so the two never run together into one block.
    second.after = prompt.name;
    second.gap = SecondGap;
    labels << second;

    for (int i = 0; i < OptionCount; ++i) {
        const Box box{design.optionLefts[i], design.optionTop, design.optionWidth, design.optionHeight};
        LabelSpec option = placedLabel(QStringLiteral("Label5"), i, box,
                                       {QStringLiteral("Tahoma"), OptionPoints, true}, Black);
        option.backColor = Yellow;
        option.opaque = true;
        option.border = true;
        option.padding = OptionPadding;
        option.middle = true;
        option.visible = false;
        labels << option;
    }

    LabelSpec verdict = placedLabel(QStringLiteral("Label6"), -1,
                                    {design.verdictLeft, design.verdictTop, VerdictWidth, VerdictHeight},
                                    timesNewRoman(VerdictPoints), Orange);
    verdict.visible = false;
    verdict.caption = QStringLiteral("Correct");
    labels << verdict;
    return labels;
}

SlotRef item(const Design &design, int slot)
{
    return {Store::ItemBank, design.recordWidth, slot};
}

// The parts every activity of the family shares: three options shuffled into Label5(0..2)
// and judged by text, Label1 shown by each draw, Label4 shown by each answer, both hidden
// by Next. Each activity then says what fills the labels and what its records hold.
ChoiceActivity textActivity(const Design &design)
{
    ChoiceActivity activity;
    activity.id = QString::fromLatin1(design.id);
    activity.caption = QString::fromUtf8(design.caption);
    activity.termMenu = QString::fromLatin1(design.termMenu);
    activity.itemCount = design.itemCount;
    activity.recordWidth = design.recordWidth;

    ChoiceRules &rules = activity.rules;
    rules.optionCount = OptionCount;
    rules.backColour = FamilyBackColour;
    rules.options = item(design, design.firstOption);
    rules.judge = Judge::Text;
    rules.correct = item(design, design.firstOption + OptionCount - 1);
    rules.showOnDraw = {QStringLiteral("Label1")};
    rules.showOnAnswer = {QStringLiteral("Label4")};
    rules.hideOnNext = {QStringLiteral("Label1"), QStringLiteral("Label4")};

    activity.labels = labelsOf(design);

    ContentRules &content = activity.content;
    content.fields = {
        {QStringLiteral("wrong"), FieldType::Texts, item(design, design.firstOption), OptionCount - 1},
        {QStringLiteral("correct"), FieldType::Text, item(design, design.firstOption + OptionCount - 1)},
    };
    content.optionFields = {QStringLiteral("wrong"), QStringLiteral("correct")};
    content.correctField = QStringLiteral("correct");
    return activity;
}

// Fields written ahead of the options, one slot each from slot 0.
void leadWith(ChoiceActivity &activity, const Design &design, std::initializer_list<const char *> fields)
{
    QList<FieldSlot> lead;
    int slot = 0;
    for (const char *field : fields)
        lead.append({QString::fromLatin1(field), FieldType::Text, item(design, slot++)});
    activity.content.fields = lead + activity.content.fields;
}

QStringList words(std::initializer_list<const char *> list)
{
    QStringList result;
    for (const char *word : list)
        result << QString::fromUtf8(word);
    return result;
}

QString text(const ContentDocument &document, int record, const char *field)
{
    return document.records.at(record).toObject().value(QLatin1String(field)).toString();
}

// The screen puts these fields between quotation marks itself.
std::function<void(const ContentDocument &, ContentProblems &)> quotedByTheScreen(std::initializer_list<const char *> fields)
{
    const QStringList names = words(fields);
    return [names](const ContentDocument &document, ContentProblems &problems) {
        for (int r = 0; r < document.records.size(); ++r) {
            for (const QString &field : names) {
                const QString value = text(document, r, qPrintable(field));
                if (value.startsWith(QLatin1Char('"')) || value.endsWith(QLatin1Char('"'))) {
                    problems.append({document.path, r, field,
                                     QStringLiteral("the screen adds the quotation marks around it; leave them out")});
                }
            }
        }
    };
}

// The screen completes the simile as prompt, a space, the ending and a full stop.
void checkSimiles(const ContentDocument &document, ContentProblems &problems)
{
    for (int r = 0; r < document.records.size(); ++r) {
        const QString prompt = text(document, r, "prompt");
        if (prompt != prompt.trimmed())
            problems.append({document.path, r, QStringLiteral("prompt"), QStringLiteral("must not start or end with a space")});
        const QString ending = text(document, r, "correct");
        if (ending.endsWith(QLatin1Char('.')) || ending != ending.trimmed()) {
            problems.append({document.path, r, QStringLiteral("correct"),
                             QStringLiteral("the screen ends the completed simile with a full stop; "
                                            "leave out the stop and any space")});
        }
    }
}

// An attribution is "Anon", a tradition, or a poet who died before 1955 (so the poem is in
// the public domain), written "Surname (born-died)".
void checkAttribution(const ContentDocument &document, int r, ContentProblems &problems)
{
    static const QRegularExpression poet(QStringLiteral(R"(^\S.* \((\d{4})-(\d{4})\)$)"));
    static const QRegularExpression tradition(QStringLiteral(R"(^[^\d()]*\b[Tt]raditional\b[^\d()]*$)"));
    const QString attribution = text(document, r, "attribution");
    if (attribution == QLatin1String("Anon") || tradition.match(attribution).hasMatch())
        return;
    const QRegularExpressionMatch match = poet.match(attribution);
    if (!match.hasMatch()) {
        problems.append({document.path, r, QStringLiteral("attribution"),
                         QStringLiteral("must be \"Anon\", a tradition, or a surname with life years, "
                                        "as \"Tennyson (1809-1892)\"")});
        return;
    }
    const int born = match.captured(1).toInt();
    const int died = match.captured(2).toInt();
    if (born >= died || died - born > 110) {
        problems.append({document.path, r, QStringLiteral("attribution"),
                         QStringLiteral("the life years %1-%2 cannot be right").arg(born).arg(died)});
    } else if (died >= 1955) {
        problems.append({document.path, r, QStringLiteral("attribution"),
                         QStringLiteral("a poet who died in %1 may still be in copyright; choose a poem by a poet "
                                        "who died before 1955").arg(died)});
    }
}

void checkStyle(const ContentDocument &document, ContentProblems &problems)
{
    for (int r = 0; r < document.records.size(); ++r) {
        // The reveal must be the very line with its gap filled by the right answer.
        const QString prompt = text(document, r, "prompt");
        const QString completed = text(document, r, "completed");
        QString filled = prompt;
        filled.replace(Gap, text(document, r, "correct"));
        if (prompt.count(Gap) == 1 && completed != filled) {
            problems.append({document.path, r, QStringLiteral("completed"),
                             QStringLiteral("must be the line with its gap filled by the right answer: \"%1\"").arg(filled)});
        }
    }
}

// The built-in bank's poems are in the public domain, each attributed as checkAttribution
// says; a teacher's may name anyone.
void checkAttributions(const ContentDocument &document, ContentProblems &problems)
{
    for (int r = 0; r < document.records.size(); ++r)
        checkAttribution(document, r, problems);
}

const Box WideInstruction{180, 120, 9855, 1395};
constexpr float WideInstructionPoints = 27.75f;
// Three lines of the statement: three lines of 36 pt take 2453 twips with the line spacing
// the screen draws them with, so the label is that much taller than a bare 3 x 795.
const Box StatementPrompt{120, 2520, 9915, 2460};
const Box SecondLine{120, 3840, 9975, 1455};
constexpr std::array<float, OptionCount> WideLefts{240, 3600, 6960};

const Design Designs[] = {
    {"similes", "Similes", "menu1", 33, 4, 1,
     "Click the correct ending for the simile.", {180, 120, 9855, 1035}, 27.75f,
     {120, 1080, 9915, 1665}, {1320, 6720, 7215, 1455}, 24,
     {120, 3480, 6840}, 5400, 3075, 975,
     2760, 3840},
    {"style", "Poetry Style", "menu1", 31, 6, 2,
     // 27 pt keeps the question on one line above the style heading (at 27.75 pt it is
     // 10234 twips wide and its second line would run into the heading).
     "Which text is missing from the line of poetry?", {120, 120, 10095, 1035}, 27,
     {120, 1920, 9915, 1665}, {2640, 7200, 5895, 1215}, 24,
     {120, 3480, 6840}, 6120, 3075, 735,
     2760, 4680},
    {"ambiguity", "Ambiguity", "menu3", 33, 5, 2,
     "What type of language is being used in the response to the question below?", WideInstruction, WideInstructionPoints,
     {120, 2040, 9915, 1665}, SecondLine, 36,
     WideLefts, 6000, 2955, 735,
     3000, 7320},
    {"prediction", "Prediction", "menu3", 30, 4, 1,
     "What type of language is being used in the statement below?", WideInstruction, WideInstructionPoints,
     StatementPrompt, SecondLine, 36,
     WideLefts, 6000, 2955, 735,
     3000, 7320},
    {"evaluate", "Style Evaluation", "menu3", 32, 4, 1,
     "What type of language is being used in the statement below?", WideInstruction, WideInstructionPoints,
     StatementPrompt, SecondLine, 36,
     WideLefts, 6000, 2955, 735,
     3000, 7320},
    {"distinctive", "Distinctive Voices", "menu4", 32, 4, 1,
     "In what sort of text would you find the following sentence?", WideInstruction, WideInstructionPoints,
     StatementPrompt, SecondLine, 36,
     WideLefts, 6000, 2955, 855,
     3000, 7320},
};

const Design &design(const char *id)
{
    for (const Design &d : Designs) {
        if (qstrcmp(d.id, id) == 0)
            return d;
    }
    Q_UNREACHABLE();
}

LabelFill fill(const char *label, const char *format, QList<SlotRef> sources)
{
    return {QString::fromLatin1(label), QString::fromUtf8(format), std::move(sources)};
}

ChoiceActivity similes()
{
    const Design &d = design("similes");
    ChoiceActivity activity = textActivity(d);
    // Label4 is the answer reveal: the sentence completed with the right ending.
    activity.rules.fills = {fill("Label1", "%1", {item(d, 0)}), fill("Label4", "%1 %2.", {item(d, 0), item(d, 3)})};
    leadWith(activity, d, {"prompt"});
    activity.content.extraCheck = checkSimiles;
    return activity;
}

ChoiceActivity style()
{
    const Design &d = design("style");
    ChoiceActivity activity = textActivity(d);
    const SlotRef attribution{Store::StyleBank, 1, 0};
    // Label4 is the answer reveal: the whole line of the poem.
    activity.rules.fills = {fill("Label1", "%1", {item(d, 1)}), fill("Label4", "%1", {item(d, 5)}),
                            fill("Label3", "Poetry Style: %1", {item(d, 0)}), fill("Label7", "%1", {attribution})};

    LabelSpec heading = placedLabel(QStringLiteral("Label3"), -1, {120, 960, 10095, 795}, timesNewRoman(27.75f), Green);
    heading.caption = QStringLiteral("Poetry Style:");
    LabelSpec poet = placedLabel(QStringLiteral("Label7"), -1, {120, 3840, 9855, 855}, timesNewRoman(24), Yellow);
    poet.alignment = TextAlign::Right;
    activity.labels << heading << poet;

    leadWith(activity, d, {"style", "prompt"});
    activity.content.fields << FieldSlot{QStringLiteral("completed"), FieldType::Text, item(d, 5)}
                            << FieldSlot{QStringLiteral("attribution"), FieldType::Text, attribution};
    activity.content.gapField = QStringLiteral("prompt");
    activity.content.extraCheck = checkStyle;
    activity.content.builtInCheck = checkAttributions;
    return activity;
}

ChoiceActivity ambiguity()
{
    const Design &d = design("ambiguity");
    ChoiceActivity activity = textActivity(d);
    // The question and the response, each in quotation marks; the response stays on screen.
    activity.rules.fills = {fill("Label1", "\"%1\"", {item(d, 0)}), fill("Label4", "\"%1\"", {item(d, 1)})};
    activity.rules.showOnDraw = {QStringLiteral("Label4"), QStringLiteral("Label1")};
    leadWith(activity, d, {"prompt", "response"});
    activity.content.extraCheck = quotedByTheScreen({"prompt", "response"});
    return activity;
}

// prediction, evaluate and distinctive: one statement; Label4 is shown but never filled.
ChoiceActivity statement(const char *id, const char *promptFormat)
{
    const Design &d = design(id);
    ChoiceActivity activity = textActivity(d);
    activity.rules.fills = {fill("Label1", promptFormat, {item(d, 0)})};
    activity.rules.showOnDraw = {QStringLiteral("Label4"), QStringLiteral("Label1")};
    leadWith(activity, d, {"prompt"});
    return activity;
}

} // namespace

QList<ChoiceActivity> similesFamily()
{
    ChoiceActivity prediction = statement("prediction", "\"%1\"");
    prediction.content.extraCheck = quotedByTheScreen({"prompt"});

    ChoiceActivity evaluate = statement("evaluate", "%1");

    ChoiceActivity distinctive = statement("distinctive", "%1");

    return {similes(), style(), ambiguity(), prediction, evaluate, distinctive, persuasiveActivity()};
}
