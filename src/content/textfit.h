#pragma once

#include "control.h"

#include <QString>

class TextMeasurer;

// A box of a screen that shows text from a bank, as the screen designs it.
struct TextBox
{
    FontSpec font;
    float width = 0, height = 0; // twips, border and padding included
    float inset = 0;             // border and padding on each side, twips
    bool shrinkToFit = true;     // the screen sets text that is too big smaller, down to 8 pt
};

// The measurer the screens use, or nullptr when there is no GUI application to measure
// with (a check without one leaves text fitting unchecked).
const TextMeasurer *screenTextMeasurer();

// How many words too long text is for box: 0 when the screen shows it whole (at the
// smallest size it may shrink to), otherwise how many words must go from its end.
int wordsTooMany(const TextMeasurer &measurer, const TextBox &box, const QString &text);

// The teacher's reason for text that is too long: "This sentence is too long for the
// screen by 3 words" (what: "sentence", "option", "heading" ...).
QString tooLongReason(const QString &what, int words);
