#include "controlwidget.h"

#include "fonts.h"
#include "form.h"
#include "formview.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <utility>

namespace {

constexpr float OnePixelAt800 = 15.0f; // twips per pixel on an 800 x 600 screen

int buttonMask(Qt::MouseButtons buttons)
{
    int mask = 0;
    if (buttons & Qt::LeftButton)
        mask |= MouseButton::Left;
    if (buttons & Qt::RightButton)
        mask |= MouseButton::Right;
    if (buttons & Qt::MiddleButton)
        mask |= MouseButton::Middle;
    return mask;
}

int alignFlags(TextAlign align)
{
    switch (align) {
    case TextAlign::Left:
        return Qt::AlignLeft;
    case TextAlign::Right:
        return Qt::AlignRight;
    case TextAlign::Center:
        return Qt::AlignHCenter;
    }
    return Qt::AlignLeft;
}

QColor disabledText(const QColor &colour)
{
    QColor grey = colour;
    grey.setAlphaF(0.45f);
    return grey;
}

// What a screen reader is told about a control: its role from its kind and whether it can
// be clicked, its name, whether an option is selected, and a press action.
class ControlAccessible : public QAccessibleWidget
{
public:
    explicit ControlAccessible(ControlWidget *widget)
        : QAccessibleWidget(widget, roleOf(widget))
    {
    }

    static QAccessible::Role roleOf(ControlWidget *widget)
    {
        const Control *control = widget->control();
        if (!control)
            return QAccessible::NoRole;
        switch (control->kind) {
        case ControlKind::Label:
            return control->isPressable() ? QAccessible::Button : QAccessible::StaticText;
        case ControlKind::CommandButton:
            return QAccessible::Button;
        case ControlKind::OptionButton:
            return QAccessible::RadioButton;
        case ControlKind::PictureBox:
        case ControlKind::Image:
            return control->isPressable() ? QAccessible::Button : QAccessible::Graphic;
        case ControlKind::Frame:
            return QAccessible::Grouping;
        }
        return QAccessible::NoRole;
    }

    QAccessible::State state() const override
    {
        QAccessible::State st = QAccessibleWidget::state();
        auto *w = static_cast<ControlWidget *>(widget());
        if (const Control *control = w->control()) {
            if (control->kind == ControlKind::OptionButton) {
                st.checkable = true;
                st.checked = control->value;
            }
            if (control->selected)
                st.selected = true;
        }
        return st;
    }

    QStringList actionNames() const override
    {
        auto *w = static_cast<ControlWidget *>(widget());
        if (w->control() && w->control()->isPressable())
            return {pressAction()};
        return QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == pressAction())
            static_cast<ControlWidget *>(widget())->activate();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface *controlAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("ControlWidget") && object && object->isWidgetType())
        return new ControlAccessible(static_cast<ControlWidget *>(object));
    return nullptr;
}

} // namespace

int shiftMaskOf(Qt::KeyboardModifiers modifiers)
{
    int mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= ShiftKey::Shift;
    if (modifiers & Qt::ControlModifier)
        mask |= ShiftKey::Ctrl;
    if (modifiers & Qt::AltModifier)
        mask |= ShiftKey::Alt;
    return mask;
}

void ControlWidget::installAccessibility()
{
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(controlAccessibleFactory);
    }
}

ControlWidget::ControlWidget(FormView &view, Control &control, QWidget *parent)
    : QWidget(parent)
    , m_view(view)
    , m_control(&control)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setObjectName(control.index() >= 0
                      ? QStringLiteral("%1(%2)").arg(control.name()).arg(control.index())
                      : control.name());
}

bool ControlWidget::sync()
{
    if (!m_control)
        return false;
    const ControlLook &look = m_control->look();
    // The handlers are not part of the look, so these are checked on every pass. A control
    // that does nothing with the pointer lets presses through to what lies beneath (a tap
    // on a box's caption is a tap on the box).
    const bool focusable = look.enabled && look.visible && m_control->isPressable();
    const Qt::FocusPolicy policy = focusable ? Qt::TabFocus : Qt::NoFocus;
    if (focusPolicy() != policy)
        setFocusPolicy(policy);
    const bool passesPointer = !m_control->takesPointer();
    if (testAttribute(Qt::WA_TransparentForMouseEvents) != passesPointer)
        setAttribute(Qt::WA_TransparentForMouseEvents, passesPointer);
    // What lies beneath can change colour without this control changing, so its colours
    // are worked out on every pass (only high contrast looks beneath).
    const ShownColours colours = m_view.form()
        ? shownColours(*m_view.form(), *m_control, m_view.colourScheme())
        : ShownColours{look.foreColor, look.backColor, Qt::black, false};
    if (!m_firstSync && look == m_shown && colours == m_colours)
        return false;
    m_colours = colours;
    // A little wider than the ink, so no letter touches the picture around it.
    m_backing = colours.backing ? textRectOf(*m_control).adjusted(-60, -15, 60, 15) : QRectF();
    const bool geometryChanged = m_firstSync || look.left != m_shown.left || look.top != m_shown.top
        || look.width != m_shown.width || look.height != m_shown.height;
    m_firstSync = false;
    m_shown = look;
    const Form *form = m_view.form();
    m_face = form && m_view.colourScheme() == ColourScheme::HighContrast
        ? look.picture.onBackground(form->backColor, shownFormColour(*form, ColourScheme::HighContrast))
        : look.picture;
    if (geometryChanged)
        setGeometry(m_view.widgetRect(*m_control));
    setEnabled(look.enabled);
    const QString spoken = look.accessibleName.isEmpty() ? look.caption.trimmed() : look.accessibleName;
    if (accessibleName() != spoken) {
        setAccessibleName(spoken);
        // A verdict or score that changes is announced as it appears.
        if (look.visible && QAccessible::isActive()) {
            QAccessibleEvent changed(this, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&changed);
        }
    }
    if (accessibleDescription() != look.accessibleDescription)
        setAccessibleDescription(look.accessibleDescription);
    setVisible(look.visible && look.width > 0 && look.height > 0);
    update();
    return true;
}

void ControlWidget::activate()
{
    if (!m_control || !m_control->enabled || !m_control->visible || !m_control->isPressable())
        return;
    Control *control = m_control;
    m_view.dispatch([control] { control->press(); });
}

void ControlWidget::swallowPress()
{
    m_pressed = false;
    m_swallowed = true;
    update();
}

void ControlWidget::sendMouse(const Control::MouseHandler Control::*handler, QMouseEvent *event, int button)
{
    Control *control = m_control;
    if (!control || !(control->*handler))
        return;
    const QPointF inView = event->position() + QPointF(pos());
    const QPointF twips = m_view.scaling().toTwips(inView);
    const float x = float(twips.x()) - control->left;
    const float y = float(twips.y()) - control->top;
    const int shift = shiftMaskOf(event->modifiers());
    m_view.dispatch([control, handler, button, shift, x, y] {
        (control->*handler)(control->index(), button, shift, x, y);
    });
}

void ControlWidget::mousePressEvent(QMouseEvent *event)
{
    if (!m_control || !m_control->enabled) {
        event->ignore();
        return;
    }
    // The screen may take the press first (read aloud); then the control never sees it.
    m_swallowed = m_view.offerPress(m_control, event->position() + QPointF(pos()), buttonMask(event->button()));
    if (m_swallowed) {
        m_pressed = false;
        return;
    }
    m_pressed = event->button() == Qt::LeftButton;
    // A control that is dragged starts its drag as it is held; any other may be held to ask.
    if (m_pressed && m_control && !m_control->isDraggable())
        m_view.startLongPress(this, event->position() + QPointF(pos()));
    sendMouse(&Control::onMouseDown, event, buttonMask(event->button()));
    if (m_control && m_pressed)
        update();
}

void ControlWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_control || !m_control->enabled) {
        event->ignore();
        return;
    }
    m_view.pointerMoved(event->position() + QPointF(pos()));
    if (m_swallowed)
        return;
    sendMouse(&Control::onMouseMove, event, buttonMask(event->buttons()));
}

void ControlWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_control || !m_control->enabled) {
        event->ignore();
        return;
    }
    m_view.endLongPress();
    if (std::exchange(m_swallowed, false))
        return;
    const bool wasPressed = m_pressed;
    m_pressed = false;
    Control *control = m_control;
    const QPointF inView = event->position() + QPointF(pos());
    const QPointF twips = m_view.scaling().toTwips(inView);
    const float x = float(twips.x()) - control->left;
    const float y = float(twips.y()) - control->top;
    const int button = buttonMask(event->button());
    const int shift = shiftMaskOf(event->modifiers());
    // A click counts wherever the control shows: its widget covers every pixel the control
    // touches, so a release on its outermost row or column is on it too.
    const bool inside = QRectF(rect()).contains(event->position());
    // The release and the click it completes are one event for the model: a handler that
    // unloads the form cannot leave the click with a dangling control.
    m_view.dispatch([control, button, shift, x, y, wasPressed, inside] {
        if (control->onMouseUp)
            control->onMouseUp(control->index(), button, shift, x, y);
        if (wasPressed && button == MouseButton::Left && inside && control->onClick && control->enabled
            && control->visible)
            control->onClick(control->index());
    });
    if (m_control)
        update();
}

bool ControlWidget::event(QEvent *event)
{
    // Tab and Shift+Tab go through the screen in reading order, whatever the order the
    // controls were made in.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            const bool backwards = key->key() == Qt::Key_Backtab
                || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
            if (backwards || key->key() == Qt::Key_Tab) {
                m_view.moveFocus(!backwards, true);
                return true;
            }
        }
    }
    return QWidget::event(event);
}

void ControlWidget::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_control && m_control->isPressable()) {
            // A held key presses once.
            if (!event->isAutoRepeat())
                activate();
            return;
        }
        break;
    default:
        break;
    }
    // The screen's own keys (Next, Exit, answers, the target cursor).
    event->ignore();
}

namespace {

// The ring shows only when the keyboard brought the focus here: the focus a window hands
// its first control when it opens must not look like a chosen answer.
bool ringFor(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason
        || reason == Qt::OtherFocusReason;
}

} // namespace

void ControlWidget::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_focusRing = ringFor(event->reason());
    if (m_control) { // a detached widget's view may be going away
        if (Form *form = m_view.form())
            form->focused = m_control;
        m_view.syncRings();
    }
}

void ControlWidget::takeFocus(Qt::FocusReason reason)
{
    if (!hasFocus()) {
        setFocus(reason);
        return;
    }
    // No focus event comes for a focus it already has (the one the window gave it).
    m_focusRing = ringFor(reason);
    if (m_control)
        m_view.syncRings();
}

void ControlWidget::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_focusRing = false;
    if (m_control) {
        if (Form *form = m_view.form(); form && form->focused == m_control)
            form->focused = nullptr;
        m_view.syncRings();
    }
}

void ControlWidget::paintEvent(QPaintEvent *)
{
    if (!m_control)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setTransform(m_view.scaling().twipsTransform(pos()));
    const ControlLook &look = m_shown;
    switch (look.kind) {
    case ControlKind::Label:
        paintLabel(painter, look);
        break;
    case ControlKind::CommandButton:
        paintButton(painter, look);
        break;
    case ControlKind::OptionButton:
        paintOption(painter, look);
        break;
    case ControlKind::PictureBox:
    case ControlKind::Image:
        paintPicture(painter, look);
        break;
    case ControlKind::Frame:
        paintFrame(painter, look);
        break;
    }
}

void ControlWidget::paintText(QPainter &painter, const ControlLook &look, const QRectF &area, int flags)
{
    FontSpec font = look.font;
    if (look.shownPointSize > 0)
        font.pointSize = look.shownPointSize;
    painter.setFont(referenceFont(font));
    // High contrast has faded a disabled text already, as far as it stays readable.
    const bool asShown = look.enabled || m_view.colourScheme() == ColourScheme::HighContrast;
    painter.setPen(asShown ? m_colours.fore : disabledText(m_colours.fore));
    painter.drawText(area, flags, look.caption);
}

void ControlWidget::paintLabel(QPainter &painter, const ControlLook &look)
{
    const QRectF r(look.left, look.top, look.width, look.height);
    if (look.opaque)
        painter.fillRect(r, m_colours.back);
    if (look.border) {
        painter.setPen(QPen(m_colours.border, OnePixelAt800, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(OnePixelAt800 / 2, OnePixelAt800 / 2, -OnePixelAt800 / 2, -OnePixelAt800 / 2));
    }
    // The same area and line width as the model fitted the text to (Control::textArea).
    const float inset = (look.border ? BorderTwips : 0.0f) + look.padding;
    QRectF textArea = r.adjusted(inset, inset, -inset, -inset);
    if (look.lineWidth > 0 && look.lineWidth < textArea.width()) {
        const qreal spare = textArea.width() - look.lineWidth;
        const qreal shift = look.alignment == TextAlign::Left ? 0 : look.alignment == TextAlign::Right ? spare : spare / 2;
        textArea = QRectF(textArea.left() + shift, textArea.top(), look.lineWidth, textArea.height());
    }
    painter.save();
    painter.setClipRect(r);
    if (m_colours.backing)
        painter.fillRect(m_backing.intersected(r), m_colours.back);
    int flags = alignFlags(look.alignment) | (look.middle ? Qt::AlignVCenter : Qt::AlignTop);
    // A label wraps at word boundaries unless it sizes itself to one line.
    if (!(look.autoSize && !look.wordWrap))
        flags |= Qt::TextWordWrap;
    paintText(painter, look, textArea, flags);
    painter.restore();
}

void ControlWidget::paintButton(QPainter &painter, const ControlLook &look)
{
    const QRectF r(look.left, look.top, look.width, look.height);
    const float inset = m_pressed ? OnePixelAt800 : 0.0f;
    if (!look.picture.isNull()) {
        // A picture button shows its face picture filling the button; pressing nudges it.
        painter.save();
        painter.setClipRect(r);
        m_face.paint(painter, r.translated(inset, inset));
        if (m_pressed)
            painter.fillRect(r, QColor(0, 0, 0, 40));
        if (!look.enabled)
            painter.fillRect(r, QColor(128, 128, 128, 110));
        painter.restore();
        return;
    }
    painter.fillRect(r, m_colours.back);
    const QColor light = m_pressed ? m_colours.back.darker(160) : Qt::white;
    const QColor dark = m_pressed ? Qt::white : m_colours.back.darker(160);
    painter.setPen(QPen(light, OnePixelAt800 * 1.5f));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(QPen(dark, OnePixelAt800 * 1.5f));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    paintText(painter, look, r.translated(inset, inset), Qt::AlignCenter);
}

void ControlWidget::paintOption(QPainter &painter, const ControlLook &look)
{
    const QRectF r(look.left, look.top, look.width, look.height);
    painter.fillRect(r, m_colours.back);
    const float d = std::min(look.height - 2 * OnePixelAt800, 13.0f * OnePixelAt800);
    const QRectF circle(look.left + OnePixelAt800, look.top + (look.height - d) / 2, d, d);
    painter.setPen(QPen(Qt::black, OnePixelAt800));
    painter.setBrush(Qt::white);
    painter.drawEllipse(circle);
    if (look.value) {
        painter.setBrush(Qt::black);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(circle.adjusted(d * 0.28f, d * 0.28f, -d * 0.28f, -d * 0.28f));
    }
    const QRectF textArea = r.adjusted(d + 4 * OnePixelAt800, 0, 0, 0);
    paintText(painter, look, textArea, Qt::AlignLeft | Qt::AlignVCenter);
}

void ControlWidget::paintPicture(QPainter &painter, const ControlLook &look)
{
    const QRectF r(look.left, look.top, look.width, look.height);
    painter.save();
    painter.setClipRect(r);
    if (look.kind == ControlKind::PictureBox && look.opaque)
        painter.fillRect(r, m_colours.back);
    if (!look.picture.isNull()) {
        // A picture box draws its picture from its left edge at its own size, so a box
        // that grows uncovers the picture; an image may stretch it to fill the control.
        const QRectF target = look.stretch
            ? r
            : QRectF(r.topLeft(), look.picture.sizeTwips());
        m_face.paint(painter, target);
    }
    painter.restore();
    if (look.border) {
        painter.setPen(QPen(m_colours.border, OnePixelAt800));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(OnePixelAt800 / 2, OnePixelAt800 / 2, -OnePixelAt800 / 2, -OnePixelAt800 / 2));
    }
}

void ControlWidget::paintFrame(QPainter &painter, const ControlLook &look)
{
    const QRectF r(look.left, look.top, look.width, look.height);
    const QRectF box = r.adjusted(OnePixelAt800, OnePixelAt800 * 6, -OnePixelAt800, -OnePixelAt800);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(128, 128, 128), OnePixelAt800));
    painter.drawRect(box);
    painter.setPen(QPen(Qt::white, OnePixelAt800));
    painter.drawRect(box.translated(OnePixelAt800, OnePixelAt800));
    if (!look.caption.isEmpty())
        paintText(painter, look, r.adjusted(OnePixelAt800 * 8, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop);
}
