#pragma once

#include "contrast.h"
#include "picture.h"
#include "ring.h"
#include "scaling.h"

#include <QColor>
#include <QPixmap>

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class ControlWidget;
class QTimer;
class Form;
class FormRegistry;
class Control;

// The one generic view: shows whichever form is current, a widget per model control,
// scaled uniformly to the window. Every input and timer event is handled by the model and
// then the widgets are brought in step with it.
class FormView : public QWidget
{
    Q_OBJECT
public:
    explicit FormView(FormRegistry &forms, QWidget *parent = nullptr);
    ~FormView() override;

    FormRegistry &forms() const { return m_forms; }
    Form *form() const { return m_form; }
    const Scaling &scaling() const { return m_scaling; }

    // Runs a model handler, guarded so that a fault in one handler is reported and never
    // takes the program down, then brings the screen in step with the model.
    void dispatch(const std::function<void()> &handler);

    // How many handlers have failed (thrown) so far; tests expect none.
    int faults() const { return m_faults; }

    // Brings the screen in step with the model: the current form, new controls, every
    // control's look, the timers.
    void refresh();

    // Where a control's widget goes: the pixels covering its twips, clipped to the form, so
    // nothing of a screen shows in the letter-box around it.
    QRect widgetRect(const Control &control) const;

    // The widget showing a control of the current form (tests, accessibility).
    ControlWidget *widgetFor(const Control *control) const;

    // Called after every refresh (the main window updates its title, the timer runner).
    std::function<void()> afterRefresh;

    // Moves the keyboard focus to the next (or previous) control in reading order that
    // the keyboard can press, round from the last to the first. fromKeyboard shows the
    // focus ring; a focus that only moves on because its control went away keeps the
    // ring as it was. Returns false when no control can take the focus.
    bool moveFocus(bool next, bool fromKeyboard);

    // Offers a mouse press to the form on screen before any control gets it (see
    // Form::pressFilter): pressed is the control under the pointer that takes presses, or
    // nullptr; at is in the view's pixels, button a MouseButton. Returns whether it was used.
    bool offerPress(const Control *pressed, QPointF at, int button);

    // A left press held still for LongPressMs asks as a right-click does (a touch screen
    // has no right button). Started by a press the screen did not take, on a control that
    // is not dragged (widget) or on the background (nullptr); a move or the release ends it.
    static constexpr int LongPressMs = 600;
    void startLongPress(ControlWidget *widget, QPointF at);
    void pointerMoved(QPointF at);
    void endLongPress();

    // Hands a key to the form on screen; returns whether the form used it. A held key
    // presses once, except the arrows, which move on as they repeat.
    bool handleKey(QKeyEvent *event);

    // Draws the rings again: round each chosen control, the keyboard focus and the
    // target cursor (after every event; the controls call it as their focus changes).
    void syncRings();

    // The colours every screen is shown in: as designed, or in high contrast. Changing it
    // repaints the screen on show at once and every screen after it.
    void setColourScheme(ColourScheme scheme);
    ColourScheme colourScheme() const { return m_scheme; }

    // The rings showing the keyboard's target cursor and focus (tests, accessibility).
    QWidget *cursorRing() const { return m_cursorRing; }
    QWidget *focusRing() const { return m_focusRing; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void rebuild();
    void addWidgets();
    void restack();
    void syncWidgets();

    FormRegistry &m_forms;
    Form *m_form = nullptr;
    quint64 m_formSerial = 0;
    int m_structure = -1;
    Scaling m_scaling;
    std::vector<ControlWidget *> m_widgets;
    std::vector<Ring *> m_selectionRings;
    Ring *m_focusRing = nullptr;
    Ring *m_cursorRing = nullptr;
    const Control *m_shownCursor = nullptr;
    std::vector<int> m_zOrders;
    bool m_refreshing = false;
    int m_faults = 0;
    QTimer *m_longPress = nullptr; // made on the first press that may be held
    QPointer<ControlWidget> m_longPressWidget;
    bool m_longPressOnControl = false;
    QPointF m_longPressAt;
    ColourScheme m_scheme = ColourScheme::Designed;
    QColor m_shownBackColor;
    Picture m_shownPicture;
    QPixmap m_background;
    bool m_backgroundDirty = true;
};
