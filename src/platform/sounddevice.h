#pragma once

#include <QString>

// Plays a short wave file named by a relative path ("wav\click.wav"). play() returns at
// once; a file that is missing or cannot be played, or a machine without audio, is silent.
class SoundDevice
{
public:
    virtual ~SoundDevice() = default;
    virtual void play(const QString &relativePath) = 0;
};
