#pragma once

#include "bankimage.h"
#include "contentfile.h"
#include "control.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

class ChoiceScreen;

// One multiple-choice activity as data: what the round engine (ChoiceScreen) needs to run
// it, how its screen is laid out, and how its content file maps onto the shared banks.
// Every multiple-choice screen is one of these rows; a family is a function that fills
// the rules its activities share (see openingsfamily.cpp).

// A place in a shared bank for the record on show: slot stride x record + offset.
struct SlotRef
{
    Store store = Store::ItemBank;
    int stride = 0;
    int offset = 0;

    int at(int record) const { return stride * record + offset; }
};

// How an answer is judged.
enum class Judge {
    Text,    // the clicked caption equals the stored string exactly (trailing spaces count)
    Number,  // the clicked caption, read as a number, equals the stored number
    Element, // the clicked label's element number equals the stored number
};

// Sets a label's caption from the record on show: `format` with %1, %2 ... replaced by
// the texts at `sources` ("%1" alone shows the slot as stored).
struct LabelFill
{
    QString label;
    QString format = QStringLiteral("%1");
    QList<SlotRef> sources;
    int index = -1; // element of a control array, or -1
};

// A label as the form designs it, before any handler runs.
struct LabelSpec
{
    QString name;
    int index = -1; // element of a control array, or -1
    float left = 0, top = 0, width = 0, height = 0;
    FontSpec font;
    QColor foreColor = QColor(0, 0, 0);
    QColor backColor = QColor(255, 255, 255);
    bool opaque = false;
    bool border = false;
    TextAlign alignment = TextAlign::Center;
    bool visible = true;
    QString caption;
    bool autoSize = false; // the label fits its width to its caption, on one line
    // How the text sits in its box (see Control): an inner margin on every side, centred
    // vertically, set in a smaller size of the same face when it is too large for the box,
    // and wrapped into lines of about equal length.
    float padding = 0;
    bool middle = false;
    bool shrinkToFit = true;
    bool balanced = true;
    // Keeps this label's text at least `gap` twips below the text of the label `after`:
    // when that text runs lower than this label's designed top, the top moves down (the
    // bottom stays, and the text is set smaller if it no longer fits).
    QString after;
    float gap = 0;

    // Sets a label up as designed: the screen's own labels, and the ones the bank check
    // measures a record in, are made the same way.
    void applyTo(Control &label) const
    {
        label.left = left;
        label.top = top;
        label.width = width;
        label.height = height;
        label.setFont(font);
        label.foreColor = foreColor;
        label.backColor = backColor;
        label.opaque = opaque;
        label.border = border;
        label.alignment = alignment;
        label.visible = visible;
        label.setAutoSize(autoSize);
        label.setPadding(padding);
        label.setMiddle(middle);
        label.setShrinkToFit(shrinkToFit);
        label.setBalanced(balanced);
        label.setCaption(caption);
    }
};

// A rectangle of a screen as designed, in twips.
struct Box
{
    float left = 0, top = 0, width = 0, height = 0;
};

inline FontSpec timesNewRoman(float points)
{
    return {QStringLiteral("Times New Roman"), points, false};
}

// A label of a control array element (index) or a single label (index -1) in box, in the
// given face and colour.
inline LabelSpec placedLabel(const QString &name, int index, const Box &box, const FontSpec &font,
                             const QColor &colour = QColor(0, 0, 0))
{
    LabelSpec made;
    made.name = name;
    made.index = index;
    made.left = box.left;
    made.top = box.top;
    made.width = box.width;
    made.height = box.height;
    made.font = font;
    made.foreColor = colour;
    return made;
}

// The round's rules. The engine reads these and nothing else about the activity.
struct ChoiceRules
{
    int optionCount = 4;                        // answer labels Label5(0 .. optionCount - 1)
    QColor backColour = QColor(49, 135, 215);   // set after the common frame
    bool resetFlashPhase = true;                // Form_Load starts the blink phase at 0
    QList<LabelFill> fills;                     // item labels filled by each draw; the first
                                                // also carries the could-not-load message
    QString messageLabel;                       // carries that message instead, when set
    std::optional<SlotRef> options;             // option i at options.at(r) + i; none: the
                                                // answer labels keep their designed captions
    int shufflePasses = 10;                     // 0: options keep their stored order
    Judge judge = Judge::Text;
    SlotRef correct;                            // the value an answer is judged against
    bool blinkCorrect = true;                   // Timer2 blinks the right answer after a click
    QStringList showOnDraw;                     // shown with the options by each draw
    QStringList showOnAnswer;                   // shown by every click on an answer label
    QStringList hideOnNext;                     // hidden by Next before it draws again
    QStringList showOnSolution;                 // shown by the answer button
    bool answerButton = false;                  // cmdsoln is on screen and blinks the right
                                                // answer, without marking anything
    // Runs last in every draw, for a screen that lays out its item itself: the record on
    // show is `record`, its labels are filled and the answer labels shown.
    std::function<void(ChoiceScreen &screen, int record)> arrange;
};

// One field of a content record and where its value goes.
// Choice: one of the words in `choices`, written as its position in that list (the element
// number of the answer label it names).
enum class FieldType { Text, Texts, Number, Numbers, Choice };

struct FieldSlot
{
    QString field;
    FieldType type = FieldType::Text;
    SlotRef to;              // where the value (the first of a list) is written
    int count = 1;           // Texts and Numbers: how many
    int min = 0, max = 0;    // Number and Numbers: the allowed range
    QStringList choices = {}; // Choice: the allowed words, in element order
    bool allowEmpty = false; // Text and Texts: an empty string is a value like any other
};

// What every bank of an activity must satisfy, beyond its layout. The built-in bank's
// editorial rules (its examples, counts and lists of answers) are data beside the bank
// (content/rules/<id>.json), not here.
struct ContentRules
{
    QList<FieldSlot> fields;
    QStringList optionFields;   // the fields whose values are shown as answer options
    QString correctField;       // the field holding the right answer
    QString gapField;           // when set, this field holds exactly one gap "_____"
    // A rule of this activity's record format (run on the whole file).
    std::function<void(const ContentDocument &, ContentProblems &)> extraCheck;
    // An editorial rule of the built-in bank that its rules file cannot state (a
    // calculation rather than a list or a pattern); run with those rules.
    std::function<void(const ContentDocument &, ContentProblems &)> builtInCheck;
};

struct ChoiceActivity
{
    QString id;          // the form's name and the content file's (content/<id>.json)
    QString caption;     // window caption and menu entry
    QString termMenu;    // the form Exit returns to
    int itemCount = 0;   // records in the built-in bank; the draw picks from the loaded
                         // bank's own count, which may be anything from 2 to its capacity
    int recordWidth = 0; // ItemBank strings per record
    ChoiceRules rules;
    QList<LabelSpec> labels;
    ContentRules content;
};
