#include "deferredspeech.h"

DeferredSpeech::DeferredSpeech(Loader load, const QString &noDeviceReason)
    : m_load(std::move(load))
    , m_noDevice(noDeviceReason)
{
}

DeferredSpeech::~DeferredSpeech() = default;

Speech &DeferredSpeech::engine() const
{
    if (!m_engine) {
        if (m_load)
            m_engine = m_load();
        if (!m_engine)
            m_engine = std::make_unique<SilentSpeech>(QStringLiteral("The speech engine could not be loaded."));
        m_engine->setVoice(m_voice);
        m_engine->setRate(m_rate);
    }
    return *m_engine;
}

bool DeferredSpeech::available() const
{
    return unavailableReason().isEmpty();
}

QString DeferredSpeech::unavailableReason() const
{
    if (!m_noDevice.isEmpty())
        return m_noDevice;
    return m_engine ? m_engine->unavailableReason() : QString();
}

void DeferredSpeech::say(const QString &text)
{
    if (m_noDevice.isEmpty())
        engine().say(text);
}

void DeferredSpeech::stop()
{
    // Nothing can be playing before the engine is there: stopping never loads it.
    if (m_engine)
        m_engine->stop();
}

bool DeferredSpeech::isSpeaking() const
{
    return m_engine && m_engine->isSpeaking();
}

QStringList DeferredSpeech::voices() const
{
    return engine().voices();
}

void DeferredSpeech::setVoice(const QString &voice)
{
    m_voice = voice;
    if (m_engine)
        m_engine->setVoice(voice);
}

void DeferredSpeech::setRate(double rate)
{
    m_rate = rate;
    if (m_engine)
        m_engine->setRate(rate);
}
