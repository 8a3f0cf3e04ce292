#include "formview.h"

#include "controlwidget.h"
#include "form.h"
#include "formregistry.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <exception>

namespace {

const QColor LetterBox(24, 28, 36);

} // namespace

FormView::FormView(FormRegistry &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    ControlWidget::installAccessibility();
    setFocusPolicy(Qt::NoFocus);
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
    if (m_form) {
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
    if (m_background.size() != formPixels.size() * devicePixelRatioF() || m_backgroundDirty) {
        m_backgroundDirty = false;
        m_background = QPixmap(formPixels.size() * devicePixelRatioF());
        m_background.setDevicePixelRatio(devicePixelRatioF());
        QPainter cache(&m_background);
        cache.setRenderHint(QPainter::SmoothPixmapTransform);
        cache.setTransform(m_scaling.twipsTransform(formPixels.topLeft()));
        const QRectF formRect(0, 0, m_form->width, m_form->height);
        cache.fillRect(formRect, m_form->backColor);
        if (!m_form->picture.isNull()) {
            cache.setClipRect(formRect);
            m_form->picture.paint(cache, QRectF(QPointF(0, 0), m_form->picture.sizeTwips()));
        }
    }
    painter.drawPixmap(formPixels.topLeft(), m_background);
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
    update();
}

void FormView::mouseMoveEvent(QMouseEvent *event)
{
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
