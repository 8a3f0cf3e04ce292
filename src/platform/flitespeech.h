#pragma once

#include "speech.h"

#include <QAudioDevice>
#include <QObject>

#include <memory>

class QAudioSink;
class QBuffer;
class SpeechSynthesiser;

// Reads text aloud with the flite synthesiser and the voices it ships, playing the samples
// through Qt Multimedia. Synthesis runs on a thread of its own, so say() returns at once;
// the samples are played from this object's thread when they are ready. A voice is loaded
// the first time it speaks.
class FliteSpeech : public QObject, public Speech
{
    Q_OBJECT
public:
    // Speaks through the system's default sound output.
    explicit FliteSpeech(QObject *parent = nullptr);
    // Speaks through the given output; a null device means the machine has none.
    explicit FliteSpeech(const QAudioDevice &output, QObject *parent = nullptr);
    ~FliteSpeech() override;

    bool available() const override;
    QString unavailableReason() const override;
    void say(const QString &text) override;
    void stop() override;
    bool isSpeaking() const override;
    QStringList voices() const override;
    void setVoice(const QString &voice) override;
    void setRate(double rate) override;

    // The voice say() uses: the one set when the engine has it, otherwise the Scottish
    // voice, otherwise the first.
    QString voiceInUse() const;
    // How much slower than normal the voice speaks for a rate from -1 to 1 (2 at the
    // slowest, 0.5 at the fastest).
    static double durationStretch(double rate);

signals:
    // Reading began (true) or ended, was stopped or failed (false).
    void speakingChanged(bool speaking);
    // The samples of the text last asked for are ready: how long synthesis took.
    void synthesised(int milliseconds, double seconds);

private:
    void play(const QByteArray &samples, int sampleRate, quint64 request);
    void fail(const QString &reason);
    void stopSink();
    void setSpeaking(bool speaking);

    QAudioDevice m_output;
    QString m_failure;
    QString m_voice;
    double m_rate = 0;
    quint64 m_request = 0; // the say() whose sound is wanted; earlier ones are dropped
    bool m_speaking = false;
    QAudioSink *m_sink = nullptr;
    QBuffer *m_buffer = nullptr;
    std::unique_ptr<SpeechSynthesiser> m_synthesiser;
};
