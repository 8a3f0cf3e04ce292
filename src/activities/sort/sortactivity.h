#pragma once

#include "contentfile.h"
#include "control.h"

#include <QColor>

#include <optional>
#include <vector>

struct SortBank;

// A control's designed place, in twips.
struct SortBox
{
    float left = 0, top = 0, width = 0, height = 0;
};

// A label that shows text: its place, caption, font, colour and alignment as designed.
struct SortText
{
    SortBox box;
    const char *caption = "";
    FontSpec font;
    QColor color = QColor(255, 255, 0);
    TextAlign align = TextAlign::Center;
};

// How the sets of a bank sit in the shared banks.
enum class SortBankLayout {
    // Set s fills ItemBank slots recordWidth * s onwards: its headings first, then its phrases.
    Records,
    // Phrase k of set s is element s of the k-th bank of ItemBank, TextBank, WordBank,
    // KeyBankA, KeyBankB; a missing phrase is the empty string.
    ParallelBanks,
};

// What a set's headings caption.
enum class SortHeading {
    None,
    SlotCaptions, // heading i captions Label5(i)
    Theme,        // "THEME: " and the one heading caption Label8
};

// Where a phrase dropped into a slot comes to rest (home boxes always take the slot's top).
enum class SortSnap {
    Top,    // the slot's Left and Top
    Centre, // the slot's Left, centred vertically in the slot
};

// When a phrase counts as lying in a slot, for showing the Check button.
enum class SortPlaced {
    LeftAndTop, // its Left and Top equal the slot's
    LeftOnly,   // its Left equals the slot's, at any height
};

// What Check wants.
enum class SortCheck {
    // Every slot holds, at its Left and Top, the phrase of the set that belongs there.
    InOrder,
    // Exactly placedToComplete phrases lie in slots (by Left), and they are the set's last
    // placedToComplete phrases (the words that do not fit the theme), compared as text.
    OddOnesOut,
    // Exactly placedToComplete phrases lie in slots (by Left), and they are the phrases
    // whose indexes the set's keys hold.
    KeyFragments,
};

// Between a phrase's border and its text, so no text touches the border.
constexpr float SortPhrasePadding = 30.0f;

// What a field of a content record gives its set.
enum class SortPart {
    Heads,   // texts shown as headings (the slot captions, or the theme)
    Phrases, // the phrases, in slot order; several phrase fields follow one another
    Keys,    // whole numbers naming phrases (from 0)
};

// One field of a drag-and-sort record, as every bank of the activity must write it. A list
// field holds minCount to maxCount values; a single value (a text, or one key) has
// list = false.
struct SortField
{
    const char *name;
    SortPart part;
    bool list = true;
    int minCount = 1, maxCount = 1;
};

// One drag-and-sort activity: everything in which it differs from the others.
struct SortActivity
{
    const char *id;       // the form's name and its content file's
    const char *caption;  // the window's caption
    const char *termMenu; // the menu its Exit returns to

    int phraseCount; // N: phrases, slots and home boxes
    int setCount;    // S: sets in the built-in bank (the draw uses the loaded bank's count)

    SortBankLayout layout;
    int recordWidth; // Records: strings per set in ItemBank
    int headCount;   // Records: strings before the phrases (headings, theme)
    int keysPerSet;  // set s keeps its keys in AnswerKey(keysPerSet * s) onwards
    SortHeading heading;
    std::vector<SortField> fields; // a record's fields, read by the one reader of the family
    std::optional<SortBank> (*parse)(const ContentDocument &, ContentProblems &);

    bool shuffled;
    SortSnap snap;
    SortPlaced placed;
    int placedToComplete; // slot-phrase pairs that show the Check button
    SortCheck check;
    bool markEveryRelease; // every release marks the released phrase against the set's key
    bool nextHidesRestart; // Next also hides the restart label

    // The design.
    FontSpec phraseFont;
    std::vector<SortBox> phrases; // Label2, also the home boxes Label4
    std::vector<SortBox> slotBoxes; // Label1
    std::vector<SortText> captions; // Label5
    bool captionArray;              // Label5 is an array (false: one label)
    SortText instruction;           // Label7
    SortText result;                // Label6
    SortText restart;               // Label3
    bool restartVisible;
    std::optional<SortText> theme;  // Label8
};
