#include "openingsfamily.h"

#include <array>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Green(0, 255, 0);
const QColor Black(0, 0, 0);

constexpr int RecordWidth = 5;
constexpr int OptionCount = 4;
// Keeps option text off the borders of its box; a line of 24 pt still fits a 735 box.
constexpr float OptionPadding = 75;

// One screen of the family as designed (twips and points).
struct Design
{
    const char *id;
    const char *caption;
    const char *termMenu;
    int itemCount;
    Box prompt;
    float promptPoints;
    TextAlign promptAlignment;
    std::array<std::array<float, 2>, OptionCount> optionPlaces; // left, top by index
    float optionWidth, optionHeight, optionPoints;
    Box verdict;
    float verdictPoints;
    const char *questionLabel; // the static question's label, or nullptr
    Box question;
    float questionPoints;
    const char *questionText;
};

QList<LabelSpec> labelsOf(const Design &design)
{
    QList<LabelSpec> labels;

    LabelSpec prompt = placedLabel(QStringLiteral("Label4"), -1, design.prompt, timesNewRoman(design.promptPoints));
    prompt.foreColor = Yellow;
    prompt.alignment = design.promptAlignment;
    prompt.visible = false;
    labels << prompt;

    for (int i = 0; i < OptionCount; ++i) {
        const Box box{design.optionPlaces[i][0], design.optionPlaces[i][1], design.optionWidth, design.optionHeight};
        LabelSpec option = placedLabel(QStringLiteral("Label5"), i, box,
                                       {QStringLiteral("Tahoma"), design.optionPoints, true}, Black);
        option.backColor = Yellow;
        option.opaque = true;
        option.border = true;
        option.padding = OptionPadding;
        option.middle = true;
        labels << option;
    }

    LabelSpec verdict = placedLabel(QStringLiteral("Label6"), -1, design.verdict, timesNewRoman(design.verdictPoints));
    verdict.foreColor = Green;
    verdict.visible = false;
    verdict.caption = QStringLiteral("Correct");
    labels << verdict;

    if (design.questionLabel) {
        LabelSpec question = placedLabel(QString::fromLatin1(design.questionLabel), -1, design.question,
                                         timesNewRoman(design.questionPoints), Green);
        question.caption = QString::fromUtf8(design.questionText);
        labels << question;
    }
    return labels;
}

// An activity whose records are a prompt, three wrong options and the correct one.
ChoiceActivity textActivity(const Design &design)
{
    ChoiceActivity activity;
    activity.id = QString::fromLatin1(design.id);
    activity.caption = QString::fromUtf8(design.caption);
    activity.termMenu = QString::fromLatin1(design.termMenu);
    activity.itemCount = design.itemCount;
    activity.recordWidth = RecordWidth;

    ChoiceRules &rules = activity.rules;
    rules.optionCount = OptionCount;
    rules.fills = {{QStringLiteral("Label4"), QStringLiteral("%1"), {{Store::ItemBank, RecordWidth, 0}}}};
    rules.options = SlotRef{Store::ItemBank, RecordWidth, 1};
    rules.judge = Judge::Text;
    rules.correct = {Store::ItemBank, RecordWidth, 4};
    rules.showOnDraw = {QStringLiteral("Label4")};

    activity.labels = labelsOf(design);

    ContentRules &content = activity.content;
    content.fields = {
        {QStringLiteral("prompt"), FieldType::Text, {Store::ItemBank, RecordWidth, 0}},
        {QStringLiteral("wrong"), FieldType::Texts, {Store::ItemBank, RecordWidth, 1}, 3},
        {QStringLiteral("correct"), FieldType::Text, {Store::ItemBank, RecordWidth, 4}},
    };
    content.optionFields = {QStringLiteral("wrong"), QStringLiteral("correct")};
    content.correctField = QStringLiteral("correct");
    return activity;
}

// rhythm keeps two strings per record in ItemBank (the line and the poet) and the four
// syllable counts in AnswerKey; the options are those numbers, judged by value.
ChoiceActivity rhythmActivity(const Design &design)
{
    constexpr int Width = 2;
    constexpr int KeyWidth = 4;
    ChoiceActivity activity = textActivity(design);
    activity.recordWidth = Width;

    ChoiceRules &rules = activity.rules;
    rules.fills = {{QStringLiteral("Label4"), QStringLiteral("%1"), {{Store::ItemBank, Width, 0}}},
                   {QStringLiteral("Label1"), QStringLiteral("%1"), {{Store::ItemBank, Width, 1}}}};
    rules.options = SlotRef{Store::AnswerKey, KeyWidth, 0};
    rules.judge = Judge::Number;
    rules.correct = {Store::AnswerKey, KeyWidth, 3};
    rules.showOnSolution = {QStringLiteral("Label2")};

    LabelSpec poet = placedLabel(QStringLiteral("Label1"), -1, {1080, 5040, 9855, 855}, timesNewRoman(24));
    poet.foreColor = Yellow;
    poet.alignment = TextAlign::Right;
    activity.labels << poet;

    constexpr int MinSyllables = 5;
    constexpr int MaxSyllables = 24;
    ContentRules &content = activity.content;
    content.fields = {
        {QStringLiteral("line"), FieldType::Text, {Store::ItemBank, Width, 0}},
        {QStringLiteral("poet"), FieldType::Text, {Store::ItemBank, Width, 1}},
        {QStringLiteral("wrong"), FieldType::Numbers, {Store::AnswerKey, KeyWidth, 0}, 3, MinSyllables, MaxSyllables},
        {QStringLiteral("correct"), FieldType::Number, {Store::AnswerKey, KeyWidth, 3}, 1, MinSyllables, MaxSyllables},
    };
    return activity;
}

const Box StoryVerdict{0, 4320, 10095, 1215};
constexpr std::array<std::array<float, 2>, OptionCount> TwoByTwo{{{120, 5760}, {5160, 5760}, {120, 6720}, {5160, 6720}}};

const Design Designs[] = {
    {"openings", "Story Openings", "menu1", 30,
     {120, 120, 9855, 3975}, 48, TextAlign::Center,
     TwoByTwo, 4875, 735, 24,
     StoryVerdict, 48,
     nullptr, {}, 0, nullptr},
    {"instructions", "Instructional Texts", "menu1", 30,
     {360, 1320, 9495, 2775}, 27.75f, TextAlign::Left,
     TwoByTwo, 4875, 735, 15.75f,
     StoryVerdict, 48,
     "Label1", {0, 120, 10095, 735}, 24, "What activity do these instructions tell you to do?"},
    {"terms", "Poetry Terms", "menu2", 31,
     {1080, 1560, 9855, 3495}, 48, TextAlign::Center,
     {{{240, 5640}, {3120, 5640}, {6000, 5640}, {8880, 5640}}}, 2775, 735, 24,
     {3120, 7080, 5175, 1215}, 48,
     nullptr, {}, 0, nullptr},
    {"figurative", "Figurative Language", "menu2", 28,
     {120, 1200, 9855, 3975}, 48, TextAlign::Center,
     {{{120, 5400}, {6000, 5400}, {120, 6360}, {6000, 6360}}}, 5595, 735, 24,
     {3360, 7320, 4575, 1215}, 48,
     nullptr, {}, 0, nullptr},
    {"theatre", "Drama", "menu4", 29,
     {1080, 1440, 9855, 3495}, 48, TextAlign::Center,
     {{{1920, 5040}, {1920, 6240}, {6240, 5040}, {6240, 6240}}}, 3855, 735, 24,
     {3120, 7320, 5175, 1215}, 48,
     nullptr, {}, 0, nullptr},
    {"linking", "Linking of Points", "menu5", 31,
     {1080, 1680, 9855, 3495}, 48, TextAlign::Center,
     {{{2040, 5400}, {2040, 6480}, {6120, 5400}, {6120, 6480}}}, 3735, 735, 24,
     {3120, 7560, 5175, 975}, 36,
     "Label1", {120, 120, 9975, 1335}, 26.25f, "What is the appropriate linking word to complete the sentence below?"},
    {"rhythm", "Rhythm in Poetry", "menu5", 34,
     {1080, 1800, 9855, 3135}, 36, TextAlign::Center,
     {{{480, 6240}, {3360, 6240}, {6240, 6240}, {9120, 6240}}}, 2295, 735, 24,
     {3120, 7440, 5175, 1095}, 36,
     "Label2", {1560, 120, 6615, 1335}, 24, "How many syllables are there in the following line of poetry?"},
    {"writer", "Style of Writer", "menu6", 30,
     {720, 1560, 10575, 3495}, 48, TextAlign::Center,
     {{{240, 5520}, {3120, 5520}, {6000, 5520}, {8880, 5520}}}, 2775, 1215, 21.75f,
     {3120, 7200, 5175, 1215}, 48,
     "Label1", {1440, 120, 6615, 1335}, 24, "What is the style adopted by the writer of the following text?"},
    {"blurb", "Back Cover Blurb", "menu6", 28,
     {120, 2040, 11655, 3495}, 48, TextAlign::Center,
     {{{240, 5880}, {3120, 5880}, {6000, 5880}, {8880, 5880}}}, 2775, 1215, 21.75f,
     {3120, 7320, 5175, 1215}, 48,
     "Label1", {840, 120, 8175, 1695}, 24,
     "The text below is taken from the blurb on the back cover of a book. What sort of book would you expect it to be?"},
    {"locating", "Locating Information", "menu2", 30,
     {720, 1680, 10275, 3375}, 36, TextAlign::Center,
     {{{720, 5400}, {6120, 5400}, {720, 6360}, {6120, 6360}}}, 4875, 735, 24,
     {3570, 7320, 4575, 1215}, 48,
     "Label1", {1440, 120, 7335, 1335}, 24, "Where in a non-fiction book would you look to find this?"},
};

const Design &design(const char *id)
{
    for (const Design &d : Designs) {
        if (qstrcmp(d.id, id) == 0)
            return d;
    }
    Q_UNREACHABLE();
}

} // namespace

QList<ChoiceActivity> openingsFamily()
{
    ChoiceActivity openings = textActivity(design("openings"));

    ChoiceActivity instructions = textActivity(design("instructions"));

    ChoiceActivity terms = textActivity(design("terms"));
    terms.content.gapField = QStringLiteral("prompt");

    ChoiceActivity figurative = textActivity(design("figurative"));

    ChoiceActivity theatre = textActivity(design("theatre"));

    ChoiceActivity linking = textActivity(design("linking"));
    linking.content.gapField = QStringLiteral("prompt");

    ChoiceActivity rhythm = rhythmActivity(design("rhythm"));

    ChoiceActivity writer = textActivity(design("writer"));

    ChoiceActivity blurb = textActivity(design("blurb"));

    ChoiceActivity locating = textActivity(design("locating"));

    return {openings, instructions, terms, figurative, theatre, linking, rhythm, writer, blurb, locating};
}
