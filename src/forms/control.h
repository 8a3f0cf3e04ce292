#pragma once

#include "picture.h"

#include <QColor>
#include <QRectF>
#include <QString>

#include <functional>

class TextMeasurer;

enum class ControlKind { Label, CommandButton, OptionButton, PictureBox, Image, Frame };
enum class TextAlign { Left, Right, Center };

// Mouse buttons and shift keys as the handlers receive them.
namespace MouseButton {
constexpr int Left = 1;
constexpr int Right = 2;
constexpr int Middle = 4;
}
namespace ShiftKey {
constexpr int Shift = 1;
constexpr int Ctrl = 2;
constexpr int Alt = 4;
}

// A single-line border is one pixel of an 800 x 600 screen wide; text sets inside it.
constexpr float BorderTwips = 15.0f;
// No text is shrunk below this, so it stays readable from the back of a classroom.
constexpr float SmallestPointSize = 8.0f;

struct FontSpec
{
    QString family = QStringLiteral("Tahoma");
    float pointSize = 8.25f;
    bool bold = false;
    bool operator==(const FontSpec &) const = default;
};

// Everything about a control that the screen shows. Geometry is in twips on the form.
struct ControlLook
{
    ControlKind kind = ControlKind::Label;
    float left = 0, top = 0, width = 0, height = 0;
    bool visible = true;
    bool enabled = true;
    QColor foreColor = QColor(0, 0, 0);
    QColor backColor = QColor(255, 255, 255);
    bool opaque = true;        // labels: background painted or transparent
    bool border = false;       // single-line border
    TextAlign alignment = TextAlign::Left;
    bool value = false;        // option buttons: selected
    bool stretch = false;      // images: picture stretched to the control
    bool tabStop = true;
    bool selected = false;     // highlighted as chosen (tap-to-place and keyboard use)
    int zOrder = 0;            // higher is drawn on top
    QString caption;
    FontSpec font;
    bool autoSize = false;
    bool wordWrap = false;
    Picture picture;
    QString accessibleName;    // what a screen reader says; the caption when empty
    QString accessibleDescription; // what a screen reader adds on asking (a part's colour)

    // How a label sets its text inside its box (see TextFit).
    float padding = 0;         // inner margin on every side, twips
    bool middle = false;       // text centred vertically (else from the top)
    bool shrinkToFit = false;  // text too large for its box is set smaller, same face
    bool balanced = false;     // wrapped lines of about equal length, no lone last word
    float maxWidth = 0;        // auto-size labels with shrinkToFit: the widest they grow
    // Worked out by fit() from the above: the size the text is set in (0: the font's own)
    // and the width its lines wrap at (0: the whole text area).
    float shownPointSize = 0;
    float lineWidth = 0;

    bool operator==(const ControlLook &) const = default;
};

// One control of a screen model. The look is plain data the handlers read and write;
// caption, font, auto-size, word wrap and picture go through setters because they can
// resize the control (an auto-size label fits its caption, an unstretched image its picture).
class Control : protected ControlLook
{
public:
    Control(ControlKind kind, QString name, int index, const TextMeasurer *measurer);

    using ControlLook::kind;
    using ControlLook::left;
    using ControlLook::top;
    using ControlLook::width;
    using ControlLook::height;
    using ControlLook::visible;
    using ControlLook::enabled;
    using ControlLook::foreColor;
    using ControlLook::backColor;
    using ControlLook::opaque;
    using ControlLook::border;
    using ControlLook::alignment;
    using ControlLook::value;
    using ControlLook::stretch;
    using ControlLook::tabStop;
    using ControlLook::selected;
    using ControlLook::zOrder;
    using ControlLook::accessibleName;
    using ControlLook::accessibleDescription;

    const ControlLook &look() const { return *this; }
    const QString &caption() const { return ControlLook::caption; }
    const FontSpec &font() const { return ControlLook::font; }
    bool autoSize() const { return ControlLook::autoSize; }
    bool wordWrap() const { return ControlLook::wordWrap; }
    const Picture &picture() const { return ControlLook::picture; }
    QRectF rect() const { return QRectF(left, top, width, height); }

    const QString &name() const { return m_name; }
    int index() const { return m_index; } // -1 for a control that is not in an array

    // The font the text is drawn in: the designed one, or a smaller size of it when the
    // caption would not fit.
    FontSpec shownFont() const;
    // The area the text is set in: the box less its border and padding.
    QRectF textArea() const;
    // The size the caption takes as shown (in the shown font, wrapped as shown): what a
    // layout that must keep clear of this label measures.
    QSizeF shownTextSize() const;
    // Where the caption's ink lies on the form, from the shown size, the alignment and the
    // vertical placement: what must keep clear of other text. Empty for an empty caption.
    QRectF shownTextRect() const;

    void setCaption(const QString &text);
    void setFont(const FontSpec &fontSpec);
    void setAutoSize(bool on);
    void setWordWrap(bool on);
    void setPicture(const Picture &picture);
    void clearPicture() { setPicture(Picture()); }
    // How the text sits in the box; each refits the text.
    void setPadding(float twips);
    void setMiddle(bool on);
    void setShrinkToFit(bool on, float maxWidth = 0);
    void setBalanced(bool on);
    // Moves and sizes the control, then refits its text to the new box.
    void setGeometry(float newLeft, float newTop, float newWidth, float newHeight);

    // Handlers. Each receives the control's index (-1 outside an array), so one handler
    // serves a whole control array. Mouse positions are twips relative to the control's top
    // left; button is a MouseButton mask (the buttons held while moving, the button pressed
    // or released otherwise) and shift a ShiftKey mask.
    using ClickHandler = std::function<void(int index)>;
    using MouseHandler = std::function<void(int index, int button, int shift, float x, float y)>;
    ClickHandler onClick;
    MouseHandler onMouseDown;
    MouseHandler onMouseMove;
    MouseHandler onMouseUp;
    // Pressed without the pointer: Space or Enter while the control has the keyboard focus,
    // or a screen reader's press. A control that is dragged rather than clicked (a phrase
    // picked up from the keyboard) sets it; otherwise such a press is a click.
    ClickHandler onActivate;

    bool isClickable() const { return bool(onClick); }
    bool isDraggable() const { return bool(onMouseMove) || bool(onMouseUp); }
    // Whether the keyboard or a screen reader can press it.
    bool isPressable() const { return bool(onClick) || bool(onActivate); }
    // Whether it does anything with the pointer; a control that does not lets presses
    // through to what lies beneath it.
    bool takesPointer() const
    {
        return bool(onClick) || bool(onMouseDown) || bool(onMouseMove) || bool(onMouseUp);
    }
    // Presses it as the keyboard does: onActivate, or else onClick. Does nothing unless it
    // is shown and enabled.
    void press();

    // Copies the look and the handlers of another control (a new control-array element
    // copies element 0).
    void copyFrom(const Control &other);

    // Refits an auto-size label to its caption and works out the shown size and line width
    // (run by the setters; call it after changing width or height directly).
    void fit();

private:
    bool wraps() const { return !(ControlLook::autoSize && !ControlLook::wordWrap); }

    QString m_name;
    int m_index;
    const TextMeasurer *m_measurer;
};

// A form timer: the view runs a real timer for each enabled one; tests call fire().
class Timer
{
public:
    explicit Timer(QString name, int intervalMs = 0)
        : interval(intervalMs)
        , m_name(std::move(name))
    {
    }
    const QString &name() const { return m_name; }
    int interval;
    bool enabled = false;
    std::function<void()> onTimer;

    void fire()
    {
        if (enabled && onTimer)
            onTimer();
    }

private:
    QString m_name;
};
