#pragma once

#include "appcontext.h"
#include "form.h"
#include "visitlog.h"

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
    // The class results' log of visits (one that keeps nothing when the program keeps none).
    VisitLog &visits() const;

private:
    AppContext &m_context;
};
