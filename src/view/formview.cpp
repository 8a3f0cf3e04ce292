#include "formview.h"

#include "controlwidget.h"
#include "form.h"
#include "formregistry.h"
#include "readingorder.h"
#include "ring.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <exception>

namespace {

const QColor LetterBox(24, 28, 36);

// How thick the rings are drawn, in twips on the screen, and never thinner than this
// many pixels.
constexpr double SelectedRingTwips = 50;
constexpr double CursorRingTwips = 75;
constexpr int FocusRingPixels = 3;
constexpr int ThinnestRing = 4;

bool isArrow(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

} // namespace

FormView::FormView(FormRegistry &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    ControlWidget::installAccessibility();
    setFocusPolicy(Qt::NoFocus);
    m_focusRing = new Ring(Ring::Style::Focus, this);
    m_cursorRing = new Ring(Ring::Style::Cursor, this);
    m_cursorRing->setObjectName(QStringLiteral("cursor"));
}

FormView::~FormView()
{
    for (ControlWidget *widget : m_widgets)
        widget->detach();
}

void FormView::dispatch(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &error) {
        // A fault in a handler is a bug; report it and keep the class going.
        ++m_faults;
        qWarning("handler failed: %s", error.what());
    } catch (...) {
        ++m_faults;
        qWarning("handler failed");
    }
    refresh();
}

void FormView::refresh()
{
    if (m_refreshing)
        return;
    m_refreshing = true;
    Form *current = m_forms.current();
    if (!current || current->serial() != m_formSerial) {
        m_form = current;
        m_formSerial = current ? current->serial() : 0;
        rebuild();
    } else if (current->structureRevision() != m_structure) {
        addWidgets();
    }
    syncWidgets();
    if (afterRefresh)
        afterRefresh();
    // Unloaded forms are deleted only now that no handler of theirs is running.
    m_forms.reap();
    m_refreshing = false;
}

QRect FormView::widgetRect(const Control &control) const
{
    const QRect covering = m_scaling.coveringRect(control.rect());
    if (!m_form)
        return covering;
    return covering.intersected(m_scaling.coveringRect(QRectF(0, 0, m_form->width, m_form->height)));
}

ControlWidget *FormView::widgetFor(const Control *control) const
{
    for (ControlWidget *widget : m_widgets) {
        if (widget->control() == control)
            return widget;
    }
    return nullptr;
}

void FormView::rebuild()
{
    for (ControlWidget *widget : m_widgets) {
        // The old widget may be the one whose event is being handled: detach it now and
        // let Qt delete it once that event is over.
        widget->detach();
        widget->hide();
        widget->deleteLater();
    }
    m_widgets.clear();
    m_zOrders.clear();
    m_structure = -1;
    m_shownCursor = nullptr;
    if (m_form) {
        m_form->focused = nullptr; // its new widgets have no focus yet
        m_scaling = Scaling(size(), QSizeF(m_form->width, m_form->height));
        addWidgets();
        m_shownBackColor = m_form->backColor;
        m_shownPicture = m_form->picture;
    }
    m_backgroundDirty = true;
    update();
}

void FormView::addWidgets()
{
    const auto &controls = m_form->controls();
    for (std::size_t i = m_widgets.size(); i < controls.size(); ++i) {
        auto *widget = new ControlWidget(*this, *controls[i], this);
        m_widgets.push_back(widget);
        m_zOrders.push_back(controls[i]->zOrder);
    }
    m_structure = m_form->structureRevision();
    restack();
}

void FormView::restack()
{
    // Later controls lie on top of earlier ones; a raised zOrder lifts a control above all.
    std::vector<ControlWidget *> order = m_widgets;
    std::stable_sort(order.begin(), order.end(), [](ControlWidget *a, ControlWidget *b) {
        return a->control()->zOrder < b->control()->zOrder;
    });
    for (ControlWidget *widget : order)
        widget->raise();
    for (std::size_t i = 0; i < m_widgets.size(); ++i)
        m_zOrders[i] = m_widgets[i]->control()->zOrder;
}

void FormView::syncWidgets()
{
    if (!m_form)
        return;
    bool restackNeeded = false;
    for (std::size_t i = 0; i < m_widgets.size(); ++i) {
        m_widgets[i]->sync();
        if (m_widgets[i]->control()->zOrder != m_zOrders[i])
            restackNeeded = true;
    }
    if (restackNeeded)
        restack();
    syncRings();
    // The background is repainted only when the form's own look changed; controls repaint
    // themselves.
    if (m_form->backColor != m_shownBackColor || !(m_form->picture == m_shownPicture)) {
        m_shownBackColor = m_form->backColor;
        m_shownPicture = m_form->picture;
        m_backgroundDirty = true;
        update();
    }
}

void FormView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), LetterBox);
    if (!m_form)
        return;
    // The form's colour and picture are drawn once per size into a pixmap, so a drag that
    // repaints small areas many times a second only copies pixels.
    const QRect formPixels = m_scaling.coveringRect(QRectF(0, 0, m_form->width, m_form->height));
    const QSize backgroundPixels = formPixels.size() * devicePixelRatioF();
    if (m_background.size() != backgroundPixels || m_backgroundDirty) {
        m_backgroundDirty = false;
        if (m_background.size() != backgroundPixels) {
            // Only a new size needs a new pixmap, and the old one goes first: a window's
            // worth of pixels is megabytes, and every change of screen would churn them.
            m_background = QPixmap();
            m_background = QPixmap(backgroundPixels);
        }
        m_background.setDevicePixelRatio(devicePixelRatioF());
        QPainter cache(&m_background);
        cache.setRenderHint(QPainter::SmoothPixmapTransform);
        cache.setTransform(m_scaling.twipsTransform(formPixels.topLeft()));
        const QRectF formRect(0, 0, m_form->width, m_form->height);
        cache.fillRect(formRect, shownFormColour(*m_form, m_scheme));
        if (!m_form->picture.isNull()) {
            cache.setClipRect(formRect);
            m_form->picture.paint(cache, QRectF(QPointF(0, 0), m_form->picture.sizeTwips()));
        }
    }
    painter.drawPixmap(formPixels.topLeft(), m_background);
}

void FormView::setColourScheme(ColourScheme scheme)
{
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    m_backgroundDirty = true;
    update();
    // Each control works its colours out again as it syncs.
    refresh();
}

void FormView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_form)
        return;
    m_scaling = Scaling(size(), QSizeF(m_form->width, m_form->height));
    m_backgroundDirty = true;
    for (ControlWidget *widget : m_widgets) {
        if (Control *control = widget->control())
            widget->setGeometry(widgetRect(*control));
    }
    syncRings();
    update();
}

void FormView::syncRings()
{
    if (!m_form) {
        for (Ring *ring : m_selectionRings)
            ring->hide();
        m_focusRing->hide();
        m_cursorRing->hide();
        return;
    }
    const QRect form = m_scaling.coveringRect(QRectF(0, 0, m_form->width, m_form->height));
    const auto pixels = [this](double twips, int least) { return std::max(least, int(twips * m_scaling.scale() + 0.5)); };

    // Chosen items: orange, a focus ring's width out, so the two can show together.
    std::size_t rings = 0;
    for (ControlWidget *widget : m_widgets) {
        const Control *control = widget->control();
        if (!control || !control->selected || !control->visible || !widget->isVisible())
            continue;
        if (rings == m_selectionRings.size())
            m_selectionRings.push_back(new Ring(Ring::Style::Selected, this));
        Ring *ring = m_selectionRings[rings++];
        ring->surround(m_scaling.coveringRect(control->rect()), FocusRingPixels,
                       pixels(SelectedRingTwips, ThinnestRing), form);
        ring->raise();
        ring->show();
    }
    for (; rings < m_selectionRings.size(); ++rings)
        m_selectionRings[rings]->hide();

    // The keyboard focus, when the keyboard brought it.
    const ControlWidget *focused = nullptr;
    for (const ControlWidget *widget : m_widgets) {
        if (widget->showsFocusRing() && widget->control() && widget->control()->visible)
            focused = widget;
    }
    if (focused) {
        m_focusRing->surround(m_scaling.coveringRect(focused->control()->rect()), 0, FocusRingPixels, form);
        m_focusRing->raise();
        m_focusRing->show();
    } else {
        m_focusRing->hide();
    }

    // The target cursor, over everything.
    const Control *target = m_form->cursor;
    if (target && (!target->visible || !widgetFor(target)))
        target = nullptr;
    if (!target) {
        m_cursorRing->hide();
        m_shownCursor = nullptr;
        return;
    }
    m_cursorRing->surround(m_scaling.coveringRect(target->rect()), 0, pixels(CursorRingTwips, ThinnestRing), form);
    m_cursorRing->raise();
    m_cursorRing->show();
    if (m_shownCursor != target) {
        m_shownCursor = target;
        // A screen reader says where the cursor has come to.
        const QString name = target->accessibleName.isEmpty() ? target->caption().trimmed() : target->accessibleName;
        m_cursorRing->setAccessibleName(QStringLiteral("Target: %1").arg(name));
        if (QAccessible::isActive()) {
            QAccessibleEvent moved(m_cursorRing, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&moved);
        }
    }
}

bool FormView::moveFocus(bool next, bool fromKeyboard)
{
    ControlWidget *from = nullptr;
    std::vector<ControlWidget *> widgets;
    std::vector<QRectF> rects;
    std::vector<bool> canTake;
    for (ControlWidget *widget : m_widgets) {
        const Control *control = widget->control();
        if (!control)
            continue;
        const bool focusable = control->visible && control->enabled && control->isPressable()
            && !widgetRect(*control).isEmpty();
        if (widget->hasFocus())
            from = widget;
        // The control that has the focus now places the start, even when it can no
        // longer keep it (disabled or hidden a moment ago).
        if (!focusable && widget != from)
            continue;
        widgets.push_back(widget);
        rects.push_back(control->rect());
        canTake.push_back(focusable);
    }
    if (std::find(canTake.begin(), canTake.end(), true) == canTake.end())
        return false;
    // A focus nobody saw (the one a window gives its first control as it opens) is no
    // place to count from: the keyboard starts at the top.
    const bool countFromFocus = from && (!fromKeyboard || from->showsFocusRing());
    const std::vector<int> order = readingOrder(rects);
    const int count = int(order.size());
    int start = -1;
    for (int k = 0; k < count; ++k) {
        if (countFromFocus && widgets[order[k]] == from)
            start = k;
    }
    for (int step = 1; step <= count; ++step) {
        const int k = start < 0 ? (next ? step - 1 : count - step) : (start + (next ? step : -step) + count) % count;
        if (!canTake[order[k]])
            continue;
        const Qt::FocusReason reason = !fromKeyboard ? Qt::NoFocusReason
                                       : next        ? Qt::TabFocusReason
                                                     : Qt::BacktabFocusReason;
        widgets[order[k]]->takeFocus(reason);
        return true;
    }
    return false;
}

bool FormView::focusNextPrevChild(bool next)
{
    // Qt asks here when a Tab reaches the view itself, and when the focused control is
    // disabled or hidden: the focus then moves on as quietly as it was shown.
    const ControlWidget *from = nullptr;
    for (const ControlWidget *widget : m_widgets) {
        if (widget->hasFocus())
            from = widget;
    }
    moveFocus(next, !from || from->showsFocusRing());
    return true;
}

bool FormView::handleKey(QKeyEvent *event)
{
    Form *form = m_form;
    if (!form)
        return false;
    const int key = event->key();
    if (event->isAutoRepeat() && !isArrow(key))
        return true;
    const int shift = shiftMaskOf(event->modifiers());
    bool used = false;
    dispatch([form, key, shift, &used] { used = form->keyDown(key, shift); });
    return used;
}

void FormView::keyPressEvent(QKeyEvent *event)
{
    if (!handleKey(event))
        event->ignore();
}

bool FormView::offerPress(const Control *pressed, QPointF at, int button)
{
    Form *form = m_form;
    if (!form || !form->pressFilter || !button)
        return false;
    const QPointF twips = m_scaling.toTwips(at);
    bool used = false;
    dispatch([form, pressed, button, twips, &used] {
        used = form->pressFilter(pressed, button, float(twips.x()), float(twips.y()));
    });
    return used;
}

void FormView::mousePressEvent(QMouseEvent *event)
{
    // A press on the background, or on text that lets presses through to it.
    int button = 0;
    if (event->button() == Qt::LeftButton)
        button = MouseButton::Left;
    else if (event->button() == Qt::RightButton)
        button = MouseButton::Right;
    if (offerPress(nullptr, event->position(), button))
        return;
    if (button == MouseButton::Left && m_form && m_form->pressFilter) {
        // Taken, so the release comes here and ends the wait.
        startLongPress(nullptr, event->position());
        return;
    }
    event->ignore();
}

void FormView::mouseReleaseEvent(QMouseEvent *event)
{
    endLongPress();
    event->ignore();
}

void FormView::startLongPress(ControlWidget *widget, QPointF at)
{
    if (!m_form || !m_form->pressFilter)
        return; // nothing on this screen would take it
    if (!m_longPress) {
        m_longPress = new QTimer(this);
        m_longPress->setSingleShot(true);
        m_longPress->setInterval(LongPressMs);
        connect(m_longPress, &QTimer::timeout, this, [this] {
            ControlWidget *held = m_longPressWidget;
            if (m_longPressOnControl && (!held || !held->control()))
                return; // the control went away while it was held
            if (offerPress(held ? held->control() : nullptr, m_longPressAt, MouseButton::Right) && held)
                held->swallowPress();
        });
    }
    m_longPressWidget = widget;
    m_longPressOnControl = widget != nullptr;
    m_longPressAt = at;
    m_longPress->start();
}

void FormView::pointerMoved(QPointF at)
{
    // A few pixels of a finger's wobble still count as held still.
    constexpr qreal Wobble = 8;
    if (m_longPress && m_longPress->isActive() && (at - m_longPressAt).manhattanLength() > Wobble)
        m_longPress->stop();
}

void FormView::endLongPress()
{
    if (m_longPress)
        m_longPress->stop();
}

void FormView::mouseMoveEvent(QMouseEvent *event)
{
    pointerMoved(event->position());
    Form *form = m_form;
    if (!form || !form->onMouseMove)
        return;
    const QPointF twips = m_scaling.toTwips(event->position());
    int buttons = 0;
    if (event->buttons() & Qt::LeftButton)
        buttons |= 1;
    if (event->buttons() & Qt::RightButton)
        buttons |= 2;
    if (event->buttons() & Qt::MiddleButton)
        buttons |= 4;
    dispatch([form, buttons, twips] { form->onMouseMove(-1, buttons, 0, float(twips.x()), float(twips.y())); });
}
