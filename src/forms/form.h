#pragma once

#include "control.h"

#include <QColor>
#include <QSizeF>
#include <QString>

#include <memory>
#include <vector>

class FormRegistry;
class TextMeasurer;

// A screen as a model: its window properties, its controls and timers, and its handlers.
// The logic of a screen reads and writes only this model; the view shows it.
class Form
{
public:
    Form(FormRegistry &registry, QString name);
    virtual ~Form();
    Form(const Form &) = delete;
    Form &operator=(const Form &) = delete;

    const QString &name() const { return m_name; }
    FormRegistry &forms() const { return m_registry; }

    // Runs when the form is loaded (first reference), before it is shown.
    virtual void Form_Load() {}

    // Window properties, in twips.
    QString caption;
    QColor backColor = QColor(192, 192, 192);
    Picture picture;            // background picture, drawn at the top left
    float left = 0, top = 0;    // place on the screen, as the form computed it
    float width = 12000, height = 9000;
    bool visible = false;

    // The mouse moving over the form's own background (not over a control).
    Control::MouseHandler onMouseMove; // index is always -1

    // A key pressed while the form is on screen that no focused control used: key is a
    // Qt::Key, shift a ShiftKey mask. Each handler says whether it used the key; the one
    // added last is asked first, so a screen can add keys to those of its frame.
    using KeyHandler = std::function<bool(int key, int shift)>;
    void addKeyHandler(KeyHandler handler);
    bool keyDown(int key, int shift);

    // The keyboard's target cursor: the control it lies on, drawn over everything, or
    // nullptr when it is not shown.
    const Control *cursor = nullptr;
    // The control that has the keyboard focus, kept by the view; nullptr when none has.
    const Control *focused = nullptr;

    // Offered every mouse press on the screen before it reaches a control: pressed is the
    // control that takes it (nullptr on the background or on text that lets presses
    // through), x and y are twips on the form, button a MouseButton. Returns whether it
    // used the press; a used press, its moves and its release reach no control.
    using PressFilter = std::function<bool(const Control *pressed, int button, float x, float y)>;
    PressFilter pressFilter;

    // Run each time the form is shown, and when it stops being the screen on show (another
    // form is shown over it, or it is unloaded while on show).
    std::function<void()> onShow;
    std::function<void()> onLeave;

    // Adds a control; index >= 0 makes it element `index` of the control array `name`.
    Control &add(ControlKind kind, const QString &name, int index = -1);
    Timer &addTimer(const QString &name, int intervalMs);

    // The control called name (element index of an array), or nullptr when the form has none.
    Control *control(const QString &name, int index = -1) const;
    Timer *timer(const QString &name) const;

    // Creates element index of the array name at run time: it copies every property of
    // element 0 and starts hidden. Returns the existing element if there is one already.
    Control &createElement(const QString &name, int index);

    // All controls, in the order they were added (the stacking order before zOrder).
    const std::vector<std::unique_ptr<Control>> &controls() const { return m_controls; }
    const std::vector<std::unique_ptr<Timer>> &timers() const { return m_timers; }

    // Brings a control in front of every other.
    void bringToFront(Control &control);

    // Show and Unload, as every screen uses them.
    void Show();
    void Unload();

    // Changes that need the view to rebuild its widgets (controls added at run time).
    int structureRevision() const { return m_structureRevision; }
    // Unique for the whole run, so the view can tell a reloaded form from the old one.
    quint64 serial() const { return m_serial; }

protected:
    const TextMeasurer *measurer() const;

private:
    FormRegistry &m_registry;
    QString m_name;
    std::vector<std::unique_ptr<Control>> m_controls;
    std::vector<std::unique_ptr<Timer>> m_timers;
    std::vector<KeyHandler> m_keyHandlers;
    int m_structureRevision = 0;
    int m_topZ = 0;
    quint64 m_serial;
};
