#pragma once

#include <QString>
#include <QStringList>

// Reads text aloud. say() returns at once; a new say() stops the one before; stop()
// silences whatever is being read. An implementation that cannot speak (no engine, no
// voice, no sound device) reports it through available() and ignores say(), without
// blocking and without logging it as a fault.
class Speech
{
public:
    virtual ~Speech() = default;

    // Whether say() can be heard: an engine, a voice and a sound device are all there.
    virtual bool available() const = 0;
    // Why it cannot, in words for the teacher's settings ("No sound device was found");
    // empty when available.
    virtual QString unavailableReason() const = 0;

    virtual void say(const QString &text) = 0;
    virtual void stop() = 0;
    virtual bool isSpeaking() const = 0;

    // The voices on offer, by name, and the one in use (empty: the default choice, a
    // British or Scottish English voice where there is one).
    virtual QStringList voices() const = 0;
    virtual void setVoice(const QString &voice) = 0;
    // From -1 (slowest) through 0 (normal) to 1 (fastest).
    virtual void setRate(double rate) = 0;
};

// Speech that is never heard: unavailable for the given reason (read-aloud whose module is
// missing), or, given no reason, available but silent (for pictures and tests of screens
// as a class with read-aloud on sees them).
class SilentSpeech : public Speech
{
public:
    explicit SilentSpeech(const QString &reason = {}) : m_reason(reason) {}
    bool available() const override { return m_reason.isEmpty(); }
    QString unavailableReason() const override { return m_reason; }
    void say(const QString &) override {}
    void stop() override {}
    bool isSpeaking() const override { return false; }
    QStringList voices() const override { return {}; }
    void setVoice(const QString &) override {}
    void setRate(double) override {}

private:
    QString m_reason;
};
