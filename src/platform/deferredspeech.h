#pragma once

#include "speech.h"

#include <functional>
#include <memory>

// Read-aloud as the screens see it before anyone has asked for a reading: whether it can
// be heard is known from the sound device alone, and the engine (a module with the
// synthesiser and its lexicon) is loaded the first time something is to be said or the
// teacher asks for the voices. Opening an activity, which shows or hides the speaker
// button, so costs no more than asking for the sound device. Once loaded, the engine's own
// answer counts: an engine that cannot load or speak makes read-aloud unavailable.
class DeferredSpeech : public Speech
{
public:
    using Loader = std::function<std::unique_ptr<Speech>()>;
    // noDeviceReason: why nothing can be heard (no sound device), or empty when a device is there.
    DeferredSpeech(Loader load, const QString &noDeviceReason);
    ~DeferredSpeech() override;

    bool available() const override;
    QString unavailableReason() const override;
    void say(const QString &text) override;
    void stop() override;
    bool isSpeaking() const override;
    QStringList voices() const override;
    void setVoice(const QString &voice) override;
    void setRate(double rate) override;

    bool isLoaded() const { return m_engine != nullptr; }

private:
    Speech &engine() const;

    Loader m_load;
    QString m_noDevice;
    QString m_voice;
    double m_rate = 0;
    mutable std::unique_ptr<Speech> m_engine;
};
