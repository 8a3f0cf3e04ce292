#include "contrast.h"

#include "control.h"
#include "form.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);

// A background with at least this much contrast against black or white text is kept.
constexpr double KeptBackground = 7.0;
// How dark a mid-tone background becomes: white text on it is about 16:1, the designed
// yellow, green and orange texts and the coloured sentence parts all more than 5:1.
constexpr double DarkLuminance = 0.012;
// How far a disabled control's text fades towards its background before it is made
// readable again (the view fades designed colours by the same amount).
constexpr double FadedText = 0.55;
// Steps from the designed colour towards white or black when looking for a readable one.
constexpr int MixSteps = 64;

double linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

int encoded(double linearValue)
{
    const double v = std::clamp(linearValue, 0.0, 1.0);
    const double c = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
    return std::clamp(int(std::lround(c * 255.0)), 0, 255);
}

QColor mixed(const QColor &from, const QColor &to, double t)
{
    const auto mix = [t](int a, int b) { return int(std::lround(a + (b - a) * t)); };
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue()));
}

double worstContrast(const QColor &colour, const QList<QColor> &behind)
{
    double worst = 21.0;
    for (const QColor &each : behind)
        worst = std::min(worst, contrastRatio(colour, each));
    return worst;
}

// The first colour from `designed` towards `target` that reaches the ratio, and how far it
// went (MixSteps + 1 when none does).
std::pair<QColor, int> firstReadable(const QColor &designed, const QColor &target, const QList<QColor> &behind,
                                     double ratio)
{
    for (int step = 1; step <= MixSteps; ++step) {
        const QColor candidate = mixed(designed, target, double(step) / MixSteps);
        if (worstContrast(candidate, behind) >= ratio)
            return {candidate, step};
    }
    return {target, MixSteps + 1};
}

// Whether a control paints an opaque colour over its rectangle, and which.
bool fillsWith(const Control &control, ColourScheme scheme, QColor *colour)
{
    switch (control.kind) {
    case ControlKind::Label:
    case ControlKind::PictureBox:
        if (!control.opaque)
            return false;
        break;
    case ControlKind::CommandButton:
        if (!control.picture().isNull())
            return false; // the face picture covers it
        break;
    case ControlKind::OptionButton:
        break;
    case ControlKind::Image:
    case ControlKind::Frame:
        return false;
    }
    *colour = scheme == ColourScheme::HighContrast ? highContrastBackground(control.backColor) : control.backColor;
    return true;
}

// Where a control's picture shows, as the view draws it (see ControlWidget::paintPicture).
QRectF pictureRect(const Control &control)
{
    if (control.picture().isNull())
        return QRectF();
    if (control.kind == ControlKind::CommandButton || (control.kind == ControlKind::Image && control.stretch))
        return control.rect();
    if (control.kind != ControlKind::Image && control.kind != ControlKind::PictureBox)
        return QRectF();
    return QRectF(control.rect().topLeft(), control.picture().sizeTwips()).intersected(control.rect());
}

// Whether an area crosses the lines a frame draws round its box (see
// ControlWidget::paintFrame: grey, with a white line one pixel below and right).
bool crossesFrameLines(const Control &frame, const QRectF &area)
{
    constexpr float Pixel = 15; // one pixel of an 800 x 600 screen
    const QRectF box = frame.rect().adjusted(Pixel, Pixel * 6, -Pixel, -Pixel);
    const QRectF outer = box.adjusted(-Pixel, -Pixel, 2 * Pixel, 2 * Pixel);
    const QRectF inner = box.adjusted(2 * Pixel, 2 * Pixel, -Pixel, -Pixel);
    return area.intersects(outer) && !inner.contains(area);
}

bool shows(const Control &control)
{
    return control.visible && control.width > 0 && control.height > 0;
}

} // namespace

double relativeLuminance(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.red()) + 0.7152 * linear(rgb.green()) + 0.0722 * linear(rgb.blue());
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor highContrastBackground(const QColor &designed)
{
    const QColor rgb = designed.toRgb();
    if (std::max(contrastRatio(rgb, Black), contrastRatio(rgb, White)) >= KeptBackground)
        return rgb;
    // Scaled down in linear light, so the hue stays.
    const double scale = DarkLuminance / relativeLuminance(rgb);
    return QColor(encoded(linear(rgb.red()) * scale), encoded(linear(rgb.green()) * scale),
                  encoded(linear(rgb.blue()) * scale));
}

QColor readableOn(const QColor &designed, const QList<QColor> &behind, double ratio, bool *reached)
{
    const QColor rgb = designed.toRgb();
    if (reached)
        *reached = true;
    if (worstContrast(rgb, behind) >= ratio)
        return rgb;
    const auto lighter = firstReadable(rgb, White, behind, ratio);
    const auto darker = firstReadable(rgb, Black, behind, ratio);
    if (lighter.second > MixSteps && darker.second > MixSteps) {
        if (reached)
            *reached = false;
        return worstContrast(White, behind) >= worstContrast(Black, behind) ? White : Black;
    }
    return lighter.second <= darker.second ? lighter.first : darker.first;
}

Backdrop backdropOf(const Form &form, const Control &control, const QRectF &area, ColourScheme scheme)
{
    // What is painted before the control: lower zOrder, or the same and added earlier.
    const auto &controls = form.controls();
    std::vector<std::pair<int, int>> beneath; // zOrder, position
    int self = -1;
    for (int i = 0; i < int(controls.size()); ++i) {
        if (controls[i].get() == &control)
            self = i;
    }
    for (int i = 0; i < int(controls.size()); ++i) {
        const Control &other = *controls[i];
        if (i == self || !shows(other) || !other.rect().intersects(area))
            continue;
        if (other.zOrder < control.zOrder || (other.zOrder == control.zOrder && i < self))
            beneath.emplace_back(other.zOrder, i);
    }
    std::sort(beneath.begin(), beneath.end(), std::greater<>());

    Backdrop backdrop;
    for (const auto &[z, i] : beneath) {
        const Control &other = *controls[i];
        if (pictureRect(other).intersects(area))
            backdrop.picture = true;
        if (other.kind == ControlKind::Frame && crossesFrameLines(other, area))
            backdrop.colours << QColor(128, 128, 128) << White;
        QColor fill;
        if (fillsWith(other, scheme, &fill)) {
            backdrop.colours.append(fill);
            if (other.rect().contains(area))
                return backdrop;
        }
    }
    backdrop.colours.append(shownFormColour(form, scheme));
    if (!form.picture.isNull() && QRectF(QPointF(0, 0), form.picture.sizeTwips()).intersects(area))
        backdrop.picture = true;
    return backdrop;
}

QRectF textRectOf(const Control &control)
{
    if (control.caption().isEmpty())
        return QRectF();
    switch (control.kind) {
    case ControlKind::Label:
        return control.shownTextRect();
    case ControlKind::CommandButton:
        return control.picture().isNull() ? control.rect() : QRectF();
    case ControlKind::OptionButton:
        return control.rect();
    case ControlKind::Frame:
        // The caption sits on the frame's top edge, one line high.
        return QRectF(control.left, control.top, control.width, std::min(control.height, control.font().pointSize * 30));
    case ControlKind::PictureBox:
    case ControlKind::Image:
        break;
    }
    return QRectF();
}

QColor shownFormColour(const Form &form, ColourScheme scheme)
{
    return scheme == ColourScheme::HighContrast ? highContrastBackground(form.backColor) : form.backColor;
}

ShownColours shownColours(const Form &form, const Control &control, ColourScheme scheme)
{
    ShownColours shown{control.foreColor, control.backColor, Black, false};
    if (scheme == ColourScheme::Designed)
        return shown;

    QColor ownFill;
    const bool filled = fillsWith(control, scheme, &ownFill);
    if (filled)
        shown.back = ownFill;

    const QRectF text = textRectOf(control);
    // The border is drawn on the control's own fill, or on what lies around it: black or
    // white, whichever stands out more.
    const QList<QColor> underBorder = filled ? QList<QColor>{ownFill} : backdropOf(form, control, control.rect(), scheme).colours;
    if (control.border)
        shown.border = worstContrast(White, underBorder) > worstContrast(Black, underBorder) ? White : Black;
    if (text.isEmpty())
        return shown;

    // A control that cannot be used shows its text faded towards what lies behind it, but
    // never below the guideline (a placed word still has to be read).
    const auto readable = [&control](const QList<QColor> &behind, bool *reached) {
        const QColor designed = control.enabled ? control.foreColor : mixed(control.foreColor, behind.first(), FadedText);
        return readableOn(designed, behind, TextContrast, reached);
    };
    bool reached = false;
    if (filled) {
        shown.fore = readable({ownFill}, &reached);
        return shown;
    }
    const Backdrop behind = backdropOf(form, control, text, scheme);
    const QColor fore = readable(behind.colours, &reached);
    if (!behind.picture && reached) {
        shown.fore = fore;
        return shown;
    }
    // Over a picture, or over colours no single text colour suits: a backing of the form's
    // own colour behind the text.
    shown.backing = true;
    shown.back = shownFormColour(form, scheme);
    shown.fore = readable({shown.back}, &reached);
    return shown;
}
