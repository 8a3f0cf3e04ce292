#pragma once

#include "appcontext.h"
#include "form.h"

// A form of this program: a screen model with the shared services at hand.
class Screen : public Form
{
public:
    Screen(AppContext &context, const QString &name);

    AppContext &context() const { return m_context; }
    SharedState &state() const { return m_context.state; }

    // Shorthands the handlers use: the screen's own control, and a cue.
    Control &ctl(const QString &name, int index = -1) const;
    void PlayCue(const QString &path) const;

private:
    AppContext &m_context;
};
