#pragma once

#include "screen.h"

// Plays a cue ("wav\click.wav") when SoundOn is 1, through the hidden Grey form's sound
// control, which the first cue that plays loads. Returns at once.
void PlayCue(AppContext &context, const QString &path);

// The hidden form that hosts the sound control. Never shown; never unloaded.
class Grey : public Screen
{
public:
    static constexpr const char *Name = "Grey";
    explicit Grey(AppContext &context);
    void Form_Load() override;

    // The sound control's play method: hands the path on and returns at once.
    void SndDevil1(const QString &path);
};
