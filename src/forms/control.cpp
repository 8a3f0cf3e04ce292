#include "control.h"

#include "fonts.h"
#include "textmeasurer.h"

#include <cmath>
#include <functional>

Control::Control(ControlKind controlKind, QString name, int index, const TextMeasurer *measurer)
    : m_name(std::move(name))
    , m_index(index)
    , m_measurer(measurer)
{
    kind = controlKind;
}

void Control::setCaption(const QString &text)
{
    ControlLook::caption = text;
    fit();
}

void Control::setFont(const FontSpec &fontSpec)
{
    ControlLook::font = fontSpec;
    fit();
}

void Control::setAutoSize(bool on)
{
    ControlLook::autoSize = on;
    fit();
}

void Control::setWordWrap(bool on)
{
    ControlLook::wordWrap = on;
    fit();
}

void Control::setPadding(float twips)
{
    ControlLook::padding = twips;
    fit();
}

void Control::setMiddle(bool on)
{
    ControlLook::middle = on;
}

void Control::setShrinkToFit(bool on, float widest)
{
    ControlLook::shrinkToFit = on;
    ControlLook::maxWidth = widest;
    fit();
}

void Control::setBalanced(bool on)
{
    ControlLook::balanced = on;
    fit();
}

void Control::setGeometry(float newLeft, float newTop, float newWidth, float newHeight)
{
    left = newLeft;
    top = newTop;
    width = newWidth;
    height = newHeight;
    fit();
}

FontSpec Control::shownFont() const
{
    FontSpec shown = ControlLook::font;
    if (ControlLook::shownPointSize > 0)
        shown.pointSize = ControlLook::shownPointSize;
    return shown;
}

QRectF Control::textArea() const
{
    const float inset = (border ? BorderTwips : 0.0f) + ControlLook::padding;
    return QRectF(left + inset, top + inset, std::max(0.0f, width - 2 * inset), std::max(0.0f, height - 2 * inset));
}

QSizeF Control::shownTextSize() const
{
    if (!m_measurer)
        return QSizeF(width, height);
    const float wrapAt = !wraps() ? 0.0f : ControlLook::lineWidth > 0 ? ControlLook::lineWidth : float(textArea().width());
    return m_measurer->measure(shownFont(), ControlLook::caption, wrapAt);
}

QRectF Control::shownTextRect() const
{
    if (ControlLook::caption.isEmpty())
        return QRectF();
    const QRectF area = textArea();
    const QSizeF size = shownTextSize();
    qreal x = area.left();
    if (alignment == TextAlign::Center)
        x = area.left() + (area.width() - size.width()) / 2;
    else if (alignment == TextAlign::Right)
        x = area.right() - size.width();
    const qreal y = ControlLook::middle ? area.top() + (area.height() - size.height()) / 2 : area.top();
    // Text that runs past the bottom is clipped by the label: only what shows counts.
    return QRectF(x, y, size.width(), size.height()).intersected(rect());
}

void Control::setPicture(const Picture &newPicture)
{
    ControlLook::picture = newPicture;
    // An image that does not stretch takes the size of its picture.
    if (kind == ControlKind::Image && !stretch && !newPicture.isNull()) {
        width = float(newPicture.sizeTwips().width());
        height = float(newPicture.sizeTwips().height());
    }
}

void Control::copyFrom(const Control &other)
{
    static_cast<ControlLook &>(*this) = other.look();
    onClick = other.onClick;
    onMouseDown = other.onMouseDown;
    onMouseMove = other.onMouseMove;
    onMouseUp = other.onMouseUp;
    onActivate = other.onActivate;
}

void Control::press()
{
    if (!visible || !enabled)
        return;
    if (onActivate)
        onActivate(m_index);
    else if (onClick)
        onClick(m_index);
}

namespace {

// Point sizes are set in whole twips of pixel size, so the search runs over those.
float pointsOf(int pixels)
{
    return float(pixels) / TwipsPerPoint;
}

} // namespace

void Control::fit()
{
    ControlLook::shownPointSize = 0;
    ControlLook::lineWidth = 0;
    if (kind != ControlKind::Label || !m_measurer)
        return;
    const bool shrink = ControlLook::shrinkToFit;
    if (!ControlLook::autoSize && !shrink && !ControlLook::balanced)
        return;
    const QString &text = ControlLook::caption;
    // An auto-size label has always been exactly as large as its text; only padding adds to it.
    const float inset = 2 * ((border && !ControlLook::autoSize ? BorderTwips : 0.0f) + ControlLook::padding);
    FontSpec trial = ControlLook::font;
    // The largest size, from the designed one down to the smallest allowed, at which fits()
    // holds: a binary search over whole pixel sizes (fitting only gets easier as text shrinks).
    auto largestFitting = [&](const std::function<bool(const FontSpec &)> &fits) {
        int high = int(std::lround(ControlLook::font.pointSize * TwipsPerPoint));
        if (fits(trial) || !shrink)
            return;
        int low = std::min(high, int(std::lround(SmallestPointSize * TwipsPerPoint)));
        trial.pointSize = pointsOf(low);
        if (!fits(trial))
            return; // as small as it may go; the rest is clipped
        // fits(low) holds and fits(high) does not.
        while (high - low > 1) {
            const int mid = (low + high) / 2;
            trial.pointSize = pointsOf(mid);
            if (fits(trial))
                low = mid;
            else
                high = mid;
        }
        trial.pointSize = pointsOf(low);
    };

    if (ControlLook::autoSize && !ControlLook::wordWrap) {
        // One line, as wide as its text; shrunk when that is wider than maxWidth allows.
        const float widest = ControlLook::maxWidth;
        if (widest > 0) {
            largestFitting([&](const FontSpec &f) {
                return float(m_measurer->measure(f, text, 0).width()) + inset <= widest;
            });
        }
        const QSizeF size = m_measurer->measure(trial, text, 0);
        width = float(size.width()) + inset;
        height = float(size.height()) + inset;
    } else if (ControlLook::autoSize) {
        // A word-wrapping label keeps its width and grows downwards.
        const QSizeF size = m_measurer->measure(trial, text, std::max(1.0f, width - inset));
        height = float(size.height()) + inset;
    } else {
        const float areaWidth = std::max(1.0f, width - inset);
        const float areaHeight = height - inset;
        largestFitting([&](const FontSpec &f) {
            const QSizeF size = m_measurer->measure(f, text, areaWidth);
            return size.width() <= areaWidth && size.height() <= areaHeight;
        });
    }
    if (trial.pointSize != ControlLook::font.pointSize)
        ControlLook::shownPointSize = trial.pointSize;

    if (ControlLook::balanced && wraps() && !text.isEmpty()) {
        // The narrowest width that keeps the same number of lines: the lines come out of
        // about equal length, so no word or ellipsis is left alone on the last one.
        const float full = std::max(1.0f, width - inset);
        const double lines = m_measurer->measure(trial, text, full).height();
        const double oneLine = m_measurer->measure(trial, text, 0).height();
        if (lines > oneLine * 1.5) {
            float low = 1, high = full;
            while (high - low > 2) {
                const float mid = (low + high) / 2;
                const QSizeF size = m_measurer->measure(trial, text, mid);
                if (size.height() <= lines && size.width() <= mid)
                    high = mid;
                else
                    low = mid;
            }
            ControlLook::lineWidth = std::min(full, high + 2);
        }
    }
}
