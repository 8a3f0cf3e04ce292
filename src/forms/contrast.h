#pragma once

#include <QColor>
#include <QList>
#include <QRectF>

class Control;
class Form;

// How the screens are coloured: as designed, or so that every text stands out from what
// lies behind it (a projected whiteboard washes the designed mid-blue out).
enum class ColourScheme { Designed, HighContrast };

// The least contrast a text must have against what lies behind it in high contrast.
constexpr double TextContrast = 4.5;

// Relative luminance of an sRGB colour (0 for black, 1 for white), as the accessibility
// guidelines define it; alpha is ignored.
double relativeLuminance(const QColor &colour);
// (L1 + 0.05) / (L2 + 0.05) with L1 the lighter: 1 for equal colours, 21 for black on white.
double contrastRatio(const QColor &a, const QColor &b);

// A background in high contrast: a mid-tone, against which neither black nor white text
// reaches 7:1 (the screens' blue), is darkened to the same hue near black; lighter or darker
// backgrounds (the yellow answer boxes, the coloured swatches) keep their colour.
QColor highContrastBackground(const QColor &designed);

// The colour nearest the designed one, lightened or darkened in its own hue, that reaches
// `ratio` against every colour in `behind`; the designed colour itself when it already does.
// Sets *reached (when given) to whether any such colour exists.
QColor readableOn(const QColor &designed, const QList<QColor> &behind, double ratio = TextContrast,
                  bool *reached = nullptr);

// What lies under a rectangle of the form (twips) beneath a control: the colours painted
// there, topmost first down to the first that covers it whole (at last the form's own), and
// whether a picture shows there (its colours are unknown).
struct Backdrop
{
    QList<QColor> colours;
    bool picture = false;
};
Backdrop backdropOf(const Form &form, const Control &control, const QRectF &area, ColourScheme scheme);

// The colours a control is painted in. In high contrast a text that lies over a picture, or
// that no colour of its own hue can make readable, is set on a backing of `back`.
struct ShownColours
{
    QColor fore;             // the text
    QColor back;             // the control's own background, or the text's backing
    QColor border;           // its border line
    bool backing = false;    // the view fills the text's area with `back` before the text
    bool operator==(const ShownColours &) const = default;
};
ShownColours shownColours(const Form &form, const Control &control, ColourScheme scheme);
// The form's own background.
QColor shownFormColour(const Form &form, ColourScheme scheme);
// Where a control's text lies on the form (twips): its ink for a label or frame caption,
// the whole control for a button or option. Empty when it shows no text.
QRectF textRectOf(const Control &control);
