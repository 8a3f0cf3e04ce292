#pragma once

#include "control.h"

#include <QString>

class TextMeasurer;

// The smallest size bank text may be set in on an activity screen: 14 pt at the 800 x 600
// design size (1 pt is 20 twips of the 12000 x 9000 twip screen, so 280 twips, and a
// capital about 13 of the 600 pixels high). On a picture 2 m wide at the front of a
// classroom that capital is about 3 cm tall, which a pupil at the back, some 8 m away, can
// still read; anything smaller is guesswork from there. The screens may still shrink text
// further, down to SmallestPointSize, but a bank that would need it is refused: the check
// holds every bank text to this size, or to its label's own designed size where that is
// smaller still (a text never has to be larger than its design).
constexpr float ReadablePointSize = 14.0f;

// A box of a screen that shows text from a bank, as the screen designs it.
struct TextBox
{
    FontSpec font;
    float width = 0, height = 0; // twips, border and padding included
    float inset = 0;             // border and padding on each side, twips
    bool shrinkToFit = true;     // the screen sets text that is too big smaller
};

// The smallest size text designed in `font` may be set in and still be read by the class.
float readableSize(const FontSpec &font);

// The measurer the screens use, or nullptr when there is no GUI application to measure
// with (a check without one leaves text fitting unchecked).
const TextMeasurer *screenTextMeasurer();

// How many words too long text is for box: 0 when the screen shows it whole at a size the
// class can read (readableSize), otherwise how many words must go from its end.
int wordsTooMany(const TextMeasurer &measurer, const TextBox &box, const QString &text);

// The teacher's reason for text that is too long: "This sentence is too long for the
// screen by 3 words" (what: "sentence", "answer", "heading" ...).
QString tooLongReason(const QString &what, int words);
