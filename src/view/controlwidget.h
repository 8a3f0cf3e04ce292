#pragma once

#include "contrast.h"
#include "control.h"

#include <QWidget>

class FormView;

// The model's Shift argument (ShiftKey bits) for the keyboard modifiers held.
int shiftMaskOf(Qt::KeyboardModifiers modifiers);

// The widget that shows one model control. It paints from the model in twips through the
// view's scaling and turns mouse and keyboard input into the control's handlers.
class ControlWidget : public QWidget
{
    Q_OBJECT
public:
    ControlWidget(FormView &view, Control &control, QWidget *parent);

    Control *control() const { return m_control; }
    // The view detaches a widget whose control is going away; it then ignores all input.
    void detach() { m_control = nullptr; }

    // Brings the widget in step with its control; returns true when anything changed.
    bool sync();

    // Presses the control as the keyboard does (Space, Enter, a screen reader's press).
    void activate();

    // The screen used the press under way (a long press read aloud): its release is
    // the screen's too and clicks nothing.
    void swallowPress();

    // Whether the keyboard focus is here and shown: it came from the keyboard.
    bool showsFocusRing() const { return hasFocus() && m_focusRing; }
    // Takes the focus for this reason; if it has it already, the ring follows the reason.
    void takeFocus(Qt::FocusReason reason);

    // Tells screen readers the role and actions of every control widget (once per run).
    static void installAccessibility();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void sendMouse(const Control::MouseHandler Control::*handler, QMouseEvent *event, int button);
    void paintLabel(QPainter &painter, const ControlLook &look);
    void paintButton(QPainter &painter, const ControlLook &look);
    void paintOption(QPainter &painter, const ControlLook &look);
    void paintPicture(QPainter &painter, const ControlLook &look);
    void paintFrame(QPainter &painter, const ControlLook &look);
    void paintText(QPainter &painter, const ControlLook &look, const QRectF &area, int flags);

    FormView &m_view;
    Control *m_control;
    ControlLook m_shown;
    // The look's picture as painted: in high contrast set on the form's shown background.
    Picture m_face;
    // The colours it is painted in under the view's scheme, and where a text that needs a
    // backing of its own lies (twips on the form).
    ShownColours m_colours;
    QRectF m_backing;
    bool m_firstSync = true;
    bool m_pressed = false;
    bool m_swallowed = false; // the screen took this press: its moves and release too
    bool m_focusRing = false;
};
