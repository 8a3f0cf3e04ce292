#include "screen.h"

#include "playcue.h"

#include <stdexcept>

Screen::Screen(AppContext &context, const QString &name)
    : Form(context.forms, name)
    , m_context(context)
{
}

Control &Screen::ctl(const QString &name, int index) const
{
    Control *found = control(name, index);
    if (!found)
        throw std::logic_error("no control " + name.toStdString() + "(" + std::to_string(index)
                               + ") on " + this->name().toStdString());
    return *found;
}

VisitLog &Screen::visits() const
{
    static NoVisitLog nobody;
    return m_context.visitLog ? m_context.visitLog() : nobody;
}

void Screen::PlayCue(const QString &path) const
{
    ::PlayCue(m_context, path);
}
