#include "setupactivityscreen.h"

#include "screen.h"

namespace {

const QColor FrameColour(49, 135, 214);
constexpr float FrameWidth = 12000.0f;
constexpr float FrameHeight = 9000.0f;
constexpr float WideScreenShift = 840.0f;

// Sets a control's picture when both the control and the picture exist.
void loadInto(Screen &form, const char *controlName, const char *path)
{
    Control *control = form.control(QString::fromLatin1(controlName));
    if (!control)
        return;
    const Picture picture = form.context().loadPicture(QString::fromLatin1(path));
    if (!picture.isNull())
        control->setPicture(picture);
}

void place(Screen &form, const char *controlName, float left, float top, float width, float height)
{
    if (Control *control = form.control(QString::fromLatin1(controlName))) {
        control->left = left;
        control->top = top;
        control->width = width;
        control->height = height;
        control->tabStop = false;
    }
}

void placeAt(Screen &form, const char *controlName, float left, float top)
{
    if (Control *control = form.control(QString::fromLatin1(controlName))) {
        control->left = left;
        control->top = top;
    }
}

void name(Screen &form, const char *controlName, const char *spoken)
{
    if (Control *control = form.control(QString::fromLatin1(controlName)))
        control->accessibleName = QString::fromLatin1(spoken);
}

} // namespace

void SetupActivityScreen(Screen &form)
{
    form.backColor = FrameColour;
    // The window icon is empty on every screen; the view shows the program's own.

    if (Control *picture1 = form.control(QStringLiteral("Picture1")))
        picture1->backColor = FrameColour;

    form.width = FrameWidth;
    form.height = FrameHeight;

    const QSizeF screen = form.context().screenTwips;
    const float w = float(screen.width());
    const float h = float(screen.height());
    form.top = h / 2.0f - FrameHeight / 2.0f;
    form.left = w > FrameWidth ? w / 2.0f - FrameWidth / 2.0f - WideScreenShift
                               : w / 2.0f - FrameWidth / 2.0f;

    loadInto(form, "cmdexit", "Images\\exit.jpg");
    loadInto(form, "cmdgo", "Images\\next.jpg");
    loadInto(form, "cmdsoln", "Images\\answer.jpg");
    loadInto(form, "cmdcheckit", "images\\check.jpg");
    // The picture buttons say what they do to a screen reader.
    name(form, "cmdexit", "Exit");
    name(form, "cmdgo", "Next");
    name(form, "cmdsoln", "Answer");
    name(form, "cmdcheckit", "Check");

    place(form, "cmdgo", 10020, 7920, 1785, 500);
    place(form, "cmdsoln", 10020, 7320, 1785, 500);
    place(form, "cmdcheckit", 10020, 7320, 1785, 500);
    place(form, "cmdexit", 90, 7920, 1785, 500);

    loadInto(form, "Image1", "IMAGES\\BOARD.WMF");
    placeAt(form, "Image1", 10200, 90);

    placeAt(form, "imgtick", 10740, 180);
    placeAt(form, "imgcross", 10740, 180);
    loadInto(form, "imgcross", "images\\cross.jpg");
    loadInto(form, "imgtick", "images\\tick.jpg");
    if (Control *tick = form.control(QStringLiteral("imgtick")))
        tick->visible = false;
    if (Control *cross = form.control(QStringLiteral("imgcross")))
        cross->visible = false;
}
