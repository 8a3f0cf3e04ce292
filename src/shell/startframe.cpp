#include "startframe.h"

#include "activityframe.h"
#include "formregistry.h"
#include "playcue.h"
#include "setupactivityscreen.h"

StartFrame::StartFrame(AppContext &context)
    : Screen(context, QString::fromLatin1(Name))
{
    addActivityFrameControls(*this);
    ctl(QStringLiteral("cmdsoln")).visible = false;
    ctl(QStringLiteral("cmdcheckit")).visible = false;
    ctl(QStringLiteral("cmdgo")).onClick = [this](int) { PlayCue(QStringLiteral("wav\\click.wav")); };
    ctl(QStringLiteral("cmdexit")).onClick = [this](int) { forms().end(); };
}

void StartFrame::Form_Load()
{
    SetupActivityScreen(*this);
    backColor = QColor(49, 135, 215);
    caption = QStringLiteral("Quorvale");
}

void registerShellForms(AppContext &context)
{
    context.forms.registerForm(QString::fromLatin1(Grey::Name), [&context](FormRegistry &) {
        return std::make_unique<Grey>(context);
    });
    context.forms.registerForm(QString::fromLatin1(StartFrame::Name), [&context](FormRegistry &) {
        return std::make_unique<StartFrame>(context);
    });
}
