#include "control.h"

#include "textmeasurer.h"

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

void Control::fit()
{
    if (!ControlLook::autoSize || kind != ControlKind::Label || !m_measurer)
        return;
    // A word-wrapping label keeps its width and grows downwards; otherwise it fits one line.
    const QSizeF size = m_measurer->measure(ControlLook::font, ControlLook::caption,
                                            ControlLook::wordWrap ? width : 0.0f);
    if (!ControlLook::wordWrap)
        width = float(size.width());
    height = float(size.height());
}
