#include "playcue.h"

#include "formregistry.h"
#include "sounddevice.h"

void PlayCue(AppContext &context, const QString &path)
{
    if (context.state.SoundOn != 1)
        return;
    if (Grey *grey = context.forms.get<Grey>(QString::fromLatin1(Grey::Name)))
        grey->SndDevil1(path);
}

Grey::Grey(AppContext &context)
    : Screen(context, QString::fromLatin1(Name))
{
}

void Grey::Form_Load()
{
    backColor = QColor(48, 133, 214);
}

void Grey::SndDevil1(const QString &path)
{
    context().sound.play(path);
}
