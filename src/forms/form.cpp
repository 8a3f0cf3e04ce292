#include "form.h"

#include "formregistry.h"

Form::Form(FormRegistry &registry, QString name)
    : m_registry(registry)
    , m_name(std::move(name))
{
    static quint64 nextSerial = 0;
    m_serial = ++nextSerial;
}

Form::~Form() = default;

const TextMeasurer *Form::measurer() const
{
    return m_registry.measurer();
}

Control &Form::add(ControlKind kind, const QString &name, int index)
{
    m_controls.push_back(std::make_unique<Control>(kind, name, index, measurer()));
    ++m_structureRevision;
    return *m_controls.back();
}

Timer &Form::addTimer(const QString &name, int intervalMs)
{
    m_timers.push_back(std::make_unique<Timer>(name, intervalMs));
    return *m_timers.back();
}

Control *Form::control(const QString &name, int index) const
{
    for (const auto &c : m_controls) {
        if (c->index() == index && c->name() == name)
            return c.get();
    }
    return nullptr;
}

Timer *Form::timer(const QString &name) const
{
    for (const auto &t : m_timers) {
        if (t->name() == name)
            return t.get();
    }
    return nullptr;
}

Control &Form::createElement(const QString &name, int index)
{
    if (Control *existing = control(name, index))
        return *existing;
    Control *first = control(name, 0);
    Control &element = add(first ? first->kind : ControlKind::Label, name, index);
    if (first)
        element.copyFrom(*first);
    element.visible = false;
    return element;
}

void Form::addKeyHandler(KeyHandler handler)
{
    m_keyHandlers.push_back(std::move(handler));
}

bool Form::keyDown(int key, int shift)
{
    // Copied: a handler may add another, or unload the form.
    const std::vector<KeyHandler> handlers = m_keyHandlers;
    for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
        if ((*it)(key, shift))
            return true;
    }
    return false;
}

void Form::bringToFront(Control &control)
{
    control.zOrder = ++m_topZ;
}

void Form::Show()
{
    m_registry.show(*this);
    if (onShow && visible)
        onShow();
}

void Form::Unload()
{
    m_registry.unload(m_name);
}
