#include "sortactivities.h"

#include "appcontext.h"
#include "builtinrules.h"
#include "formregistry.h"
#include "sortbank.h"
#include "sortengine.h"

namespace {

const QColor Yellow(255, 255, 0);
const QColor Green(0, 255, 0);
const QColor Orange(255, 128, 0);

FontSpec tahoma(float points, bool bold)
{
    return FontSpec{QStringLiteral("Tahoma"), points, bold};
}

FontSpec times(float points)
{
    return FontSpec{QStringLiteral("Times New Roman"), points, false};
}

SortText instruction(const char *text, float width, float height, float points)
{
    return SortText{{120, 120, width, height}, text, times(points), Green, TextAlign::Center};
}

SortText result(SortBox box, float points, QColor colour = Yellow)
{
    return SortText{box, "", times(points), colour, TextAlign::Center};
}

SortText restart(const char *caption, SortBox box)
{
    return SortText{box, caption, tahoma(15.75f, true), Yellow, TextAlign::Center};
}

// Boxes of one size at the given places.
std::vector<SortBox> boxes(std::initializer_list<std::pair<float, float>> places, float width, float height)
{
    std::vector<SortBox> result;
    for (const auto &[left, top] : places)
        result.push_back({left, top, width, height});
    return result;
}

const std::vector<SortActivity> &table()
{
    static const std::vector<SortActivity> rows = {
        {
            .id = "chronological",
            .caption = "Chronological Order",
            .termMenu = "menu1",
            .phraseCount = 4,
            .setCount = 30,
            .layout = SortBankLayout::Records,
            .recordWidth = 4,
            .headCount = 0,
            .keysPerSet = 0,
            .heading = SortHeading::None,
            .fields = {{"events", SortPart::Phrases, true, 4, 4}},
            .parse = parseChronological,
            .shuffled = true,
            .snap = SortSnap::Top,
            .placed = SortPlaced::LeftAndTop,
            .placedToComplete = 4,
            .check = SortCheck::InOrder,
            .markEveryRelease = false,
            .nextHidesRestart = false,
            .phraseFont = tahoma(12, true),
            .phrases = boxes({{300, 2520}, {300, 3240}, {6300, 2520}, {6300, 3240}}, 5355, 435),
            .slotBoxes = boxes({{3240, 4320}, {3240, 5040}, {3240, 5760}, {3240, 6480}}, 5355, 435),
            .captions = {{{2640, 4260, 480, 540}, "1.", times(24), Yellow, TextAlign::Right},
                         {{2640, 4980, 480, 540}, "2.", times(24), Yellow, TextAlign::Right},
                         {{2640, 5700, 480, 540}, "3.", times(24), Yellow, TextAlign::Right},
                         {{2640, 6420, 480, 540}, "4.", times(24), Yellow, TextAlign::Right}},
            .captionArray = true,
            .instruction = instruction("List the sentences below in chronological order.", 9855, 855, 24),
            .result = result({0, 1200, 12000, 1215}, 48),
            .restart = restart("Restart", {4800, 7320, 2115, 495}),
            .restartVisible = true,
            .theme = std::nullopt,
        },
        {
            .id = "genre",
            .caption = "Genre",
            .termMenu = "menu2",
            .phraseCount = 3,
            .setCount = 59,
            .layout = SortBankLayout::Records,
            .recordWidth = 6,
            .headCount = 3,
            .keysPerSet = 0,
            .heading = SortHeading::SlotCaptions,
            .fields = {{"headings", SortPart::Heads, true, 3, 3}, {"titles", SortPart::Phrases, true, 3, 3}},
            .parse = parseGenre,
            .shuffled = true,
            .snap = SortSnap::Top,
            .placed = SortPlaced::LeftAndTop,
            .placedToComplete = 3,
            .check = SortCheck::InOrder,
            .markEveryRelease = false,
            .nextHidesRestart = false,
            .phraseFont = tahoma(14.25f, true),
            .phrases = boxes({{360, 6120}, {4320, 6120}, {8280, 6120}}, 3315, 795),
            .slotBoxes = boxes({{360, 3840}, {4320, 3840}, {8280, 3840}}, 3315, 795),
            .captions = {{{360, 3360, 3315, 495}, "", tahoma(15.75f, true), Yellow, TextAlign::Center},
                         {{4320, 3360, 3315, 495}, "", tahoma(15.75f, true), Yellow, TextAlign::Center},
                         {{8280, 3360, 3315, 495}, "", tahoma(15.75f, true), Yellow, TextAlign::Center}},
            .captionArray = true,
            .instruction = instruction("At the bottom of the screen are three book titles. Drag the book titles "
                                       "underneath the correct genre.",
                                       9855, 1095, 24),
            .result = result({0, 1680, 12000, 1215}, 48),
            .restart = restart("Restart", {4920, 7320, 2115, 495}),
            .restartVisible = true,
            .theme = std::nullopt,
        },
        {
            .id = "cv",
            .caption = "Preparing a CV",
            .termMenu = "menu4",
            .phraseCount = 4,
            .setCount = 32,
            .layout = SortBankLayout::Records,
            .recordWidth = 4,
            .headCount = 0,
            .keysPerSet = 1,
            .heading = SortHeading::None,
            .fields = {{"entries", SortPart::Phrases, true, 4, 4}, {"unsuitable", SortPart::Keys, false}},
            .parse = parseCv,
            .shuffled = false,
            .snap = SortSnap::Centre,
            .placed = SortPlaced::LeftAndTop,
            .placedToComplete = 4,
            .check = SortCheck::InOrder,
            .markEveryRelease = true,
            .nextHidesRestart = true,
            .phraseFont = tahoma(12, true),
            .phrases = boxes({{300, 2760}, {300, 3480}, {6300, 2760}, {6300, 3480}}, 5355, 435),
            // The dustbin, then three small boxes. A statement in a small box lies with its
            // left edge on the box's, so the boxes sit where a whole statement fits on the
            // screen beside the others, clear of the buttons and outside the dustbin's window.
            .slotBoxes = {{3240, 5040, 5355, 2355}, {3300, 7700, 1155, 435}, {300, 8460, 1155, 435}, {6300, 8460, 1155, 435}},
            .captions = {{{4440, 6540, 2880, 735}, "Dustbin", times(36), Yellow, TextAlign::Center}},
            .captionArray = false,
            .instruction = instruction("The four statements below are designed for inclusion on a CV. Drag the "
                                       "incorrect one into the dustbin.",
                                       9975, 1575, 24),
            // The verdict between the statements and the dustbin, clear of the instruction's
            // third line; Try Again above Check, so the small boxes have the bottom rows.
            .result = result({0, 3930, 12000, 1095}, 36),
            .restart = restart("Try Again", {9690, 6720, 2115, 495}),
            .restartVisible = false,
            .theme = std::nullopt,
        },
        {
            .id = "similarity",
            .caption = "Identifying Similarities",
            .termMenu = "menu2",
            .phraseCount = 7,
            .setCount = 30,
            .layout = SortBankLayout::Records,
            .recordWidth = 8,
            .headCount = 1,
            .keysPerSet = 0,
            .heading = SortHeading::Theme,
            .fields = {{"theme", SortPart::Heads, false}, {"related", SortPart::Phrases, true, 4, 4}, {"unrelated", SortPart::Phrases, true, 3, 3}},
            .parse = parseSimilarity,
            .shuffled = true,
            .snap = SortSnap::Centre,
            .placed = SortPlaced::LeftOnly,
            .placedToComplete = 3,
            .check = SortCheck::OddOnesOut,
            .markEveryRelease = false,
            .nextHidesRestart = false,
            .phraseFont = tahoma(14.25f, true),
            .phrases = boxes({{90, 2640}, {1560, 3360}, {6090, 2640}, {4560, 3360}, {9090, 2640}, {3090, 2640}, {7560, 3360}},
                             2715, 435),
            // Four small boxes in a row along the bottom (a word lies with its left edge on a
            // box's, so they stand a word's width apart; no box shares its Left with a
            // starting place, where a word would count as placed), then the three dustbins.
            .slotBoxes = {{120, 8490, 1155, 435}, {3120, 8490, 1155, 435}, {6120, 8490, 1155, 435}, {9120, 8490, 1155, 435},
                      {960, 5160, 2715, 1875}, {4680, 5160, 2715, 1875}, {8400, 5160, 2715, 1875}},
            // Each caption at the dustbin's bottom edge, leaving room above it for three words.
            .captions = {{{960, 6540, 2715, 495}, "Dustbin 1", times(24), Yellow, TextAlign::Center},
                         {{4680, 6540, 2715, 495}, "Dustbin 2", times(24), Yellow, TextAlign::Center},
                         {{8400, 6540, 2715, 495}, "Dustbin 3", times(24), Yellow, TextAlign::Center}},
            .captionArray = true,
            .instruction = instruction("Four of the words below are related to a theme. Drag the other three words "
                                       "into the dustbins.",
                                       9975, 1215, 24),
            .result = result({0, 4080, 12000, 975}, 30, Orange),
            .restart = restart("Try Again", {4920, 7800, 2235, 495}),
            .restartVisible = true,
            .theme = SortText{{120, 1560, 12000, 1095}, "", times(36), Yellow, TextAlign::Center},
        },
        {
            .id = "key2",
            .caption = "Key Points",
            .termMenu = "menu6",
            .phraseCount = 5,
            .setCount = 28,
            .layout = SortBankLayout::ParallelBanks,
            .recordWidth = 0,
            .headCount = 0,
            .keysPerSet = 2,
            .heading = SortHeading::None,
            .fields = {{"fragments", SortPart::Phrases, true, 3, 5}, {"key", SortPart::Keys, true, 2, 2}},
            .parse = parseKey2,
            .shuffled = false,
            .snap = SortSnap::Centre,
            .placed = SortPlaced::LeftOnly,
            .placedToComplete = 2,
            .check = SortCheck::KeyFragments,
            .markEveryRelease = false,
            .nextHidesRestart = false,
            .phraseFont = tahoma(14.25f, true),
            .phrases = boxes({{3720, 4800}, {3720, 5400}, {3720, 6000}, {3720, 6600}, {3720, 7200}}, 4635, 435),
            // Three small boxes under the column of fragments, each where a whole fragment fits
            // clear of the buttons, and none at the Left of a notepad or of the column (a
            // fragment there would count as placed twice, or at home), then Notepad 2 and
            // Notepad 1.
            .slotBoxes = {{3840, 7900, 1155, 435}, {690, 8460, 1155, 435}, {6870, 8460, 1155, 435},
                      {6960, 2280, 4635, 1875}, {600, 2280, 4635, 1875}},
            .captions = {{{600, 2340, 4635, 615}, "Notepad 1", times(24), Yellow, TextAlign::Center},
                         {{6960, 2340, 4635, 615}, "Notepad 2", times(24), Yellow, TextAlign::Center}},
            .captionArray = true,
            .instruction = instruction("Drag two key pieces of information from the sentence below into the notepads.",
                                       9975, 1215, 26.25f),
            .result = result({-120, 1440, 12000, 855}, 30, Orange),
            // Above Check, so the small boxes have the bottom rows.
            .restart = restart("Try Again", {9570, 6720, 2235, 495}),
            .restartVisible = true,
            .theme = std::nullopt,
        },
    };
    return rows;
}

} // namespace

std::span<const SortActivity> sortActivities()
{
    return table();
}

const SortActivity *sortActivity(const QString &id)
{
    for (const SortActivity &activity : table()) {
        if (id == QLatin1String(activity.id))
            return &activity;
    }
    return nullptr;
}

void registerSortActivities(AppContext &context)
{
    for (const SortActivity &activity : table()) {
        context.forms.registerForm(QString::fromLatin1(activity.id), [&context, &activity](FormRegistry &) {
            return std::make_unique<SortScreen>(context, activity);
        });
    }
}

QList<ContentKind> sortContentKinds()
{
    QList<ContentKind> kinds;
    for (const SortActivity &activity : table()) {
        const SortActivity *row = &activity;
        const QString id = QString::fromLatin1(activity.id);
        kinds << makeContentKind<SortBank>(
            id,
            [row](const ContentDocument &document, ContentProblems &problems) { return row->parse(document, problems); },
            [row](const SortBank &bank) { return dumpSortBank(*row, bank); },
            [row](const SortBank &bank) { return sortBankJson(*row, bank); },
            [id](const ContentDocument &document, ContentProblems &problems) { checkBuiltInRules(id, document, problems); });
    }
    return kinds;
}
