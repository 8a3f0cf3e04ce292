#include "flitespeech.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QLibrary>
#include <QMediaDevices>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <csetjmp>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

extern "C" {
#include <flite/flite.h>
}

namespace {

using RegisterVoice = cst_voice *(*)(const char *);

// The voices the engine ships, the Scottish one first: it is the nearest to British
// English. Each is a library of its own, loaded when it first speaks: together they are
// large, and relocating them all would cost every run memory and time for one voice.
constexpr const char *Voices[] = {"awb", "rms", "slt", "kal16", "kal"};

// A quarter second of silence after the speech: the sound path cuts the end of what it
// plays short by about that much.
constexpr double TrailingSilence = 0.25;

// flite ends the process on an internal error unless an error jump is set: this makes one
// call with it set and gives nullptr when that call fails. Nothing with a destructor lives
// across the jump.
template <typename Result, typename... Parameters, typename... Arguments>
Result *guarded(Result *(*call)(Parameters...), Arguments... arguments)
{
    jmp_buf here;
    jmp_buf *const before = cst_errjmp;
    if (setjmp(here) != 0) {
        cst_errjmp = before;
        return nullptr;
    }
    cst_errjmp = &here;
    Result *result = call(arguments...);
    cst_errjmp = before;
    return result;
}

// Typographic quotes and dashes as the engine's English front end reads them.
QByteArray plainText(const QString &text)
{
    QString plain = text;
    plain.replace(QChar(0x2018), QLatin1Char('\'')).replace(QChar(0x2019), QLatin1Char('\''));
    plain.replace(QChar(0x201C), QLatin1Char('"')).replace(QChar(0x201D), QLatin1Char('"'));
    plain.replace(QChar(0x2013), QLatin1String(", ")).replace(QChar(0x2014), QLatin1String(", "));
    plain.replace(QChar(0x2026), QLatin1String("..."));
    return plain.simplified().toUtf8();
}

} // namespace

struct SynthesisRequest
{
    QString text;
    QString voice;
    double stretch = 1;
    quint64 id = 0;
};

struct SynthesisResult
{
    QByteArray samples; // 16-bit, mono
    int sampleRate = 0;
    int milliseconds = 0;
    QString failure;
};

// One thread that synthesises the latest text asked for. A newer request, or a cancel,
// stops the one in progress at its next chunk of sound, so the thread is soon free.
class SpeechSynthesiser
{
public:
    using Done = std::function<void(quint64 id, const SynthesisResult &)>;

    explicit SpeechSynthesiser(Done done)
        : m_done(std::move(done))
    {
    }

    ~SpeechSynthesiser()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
            m_pending.reset();
        }
        m_wanted = 0;
        m_wake.notify_one();
        if (m_thread.joinable())
            m_thread.join();
    }

    void request(SynthesisRequest request)
    {
        {
            std::lock_guard lock(m_mutex);
            m_wanted = request.id;
            m_pending = std::move(request);
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
        }
        m_wake.notify_one();
    }

    void cancel()
    {
        std::lock_guard lock(m_mutex);
        m_pending.reset();
        m_wanted = 0;
    }

private:
    void run()
    {
        t_synthesiser = this;
        for (;;) {
            SynthesisRequest request;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_quit || m_pending; });
                if (m_quit)
                    break;
                request = std::move(*m_pending);
                m_pending.reset();
            }
            SynthesisResult result = synthesise(request);
            if (m_wanted == request.id)
                m_done(request.id, result);
        }
    }

    SynthesisResult synthesise(const SynthesisRequest &request)
    {
        SynthesisResult result;
        QElapsedTimer clock;
        clock.start();
        // The engine and its voices are the process's: one synthesis at a time.
        std::lock_guard lock(engineMutex());
        cst_voice *voice = load(request.voice);
        if (!voice) {
            result.failure = QStringLiteral("The voice %1 could not be loaded.").arg(request.voice);
            return result;
        }
        m_current = request.id;
        flite_feat_set_float(voice->features, "duration_stretch", float(request.stretch));
        const QByteArray text = plainText(request.text);
        cst_wave *wave = guarded(flite_text_to_wave, text.constData(), voice);
        if (!wave) {
            result.failure = QStringLiteral("The speech engine failed.");
            return result;
        }
        if (m_wanted == request.id && wave->num_channels == 1 && wave->num_samples > 0) {
            result.samples = QByteArray(reinterpret_cast<const char *>(wave->samples),
                                        qsizetype(wave->num_samples) * qsizetype(sizeof(short)));
            result.sampleRate = wave->sample_rate;
        }
        delete_wave(wave);
        result.milliseconds = int(clock.elapsed());
        return result;
    }

    static std::mutex &engineMutex()
    {
        static std::mutex mutex;
        return mutex;
    }

    // The voice by name, registered the first time the process uses it (flite keeps it for
    // the rest of the run), with a streaming hook that stops its synthesis as soon as the
    // text is no longer wanted by the synthesiser running it.
    static cst_voice *load(const QString &name)
    {
        static std::map<QString, cst_voice *> loaded;
        static const bool started = (flite_init(), true);
        Q_UNUSED(started);
        const auto found = loaded.find(name);
        if (found != loaded.end())
            return found->second;
        for (const char *entry : Voices) {
            if (name != QLatin1String(entry))
                continue;
            QLibrary library(QStringLiteral("flite_cmu_us_%1").arg(name), 1);
            const auto registerVoice = reinterpret_cast<RegisterVoice>(
                library.resolve(QStringLiteral("register_cmu_us_%1").arg(name).toLatin1().constData()));
            cst_voice *voice = registerVoice ? guarded(registerVoice, static_cast<const char *>(nullptr)) : nullptr;
            if (!voice)
                return nullptr;
            cst_audio_streaming_info *streaming = new_audio_streaming_info();
            streaming->asc = &SpeechSynthesiser::streamed;
            flite_feat_set(voice->features, "streaming_info", audio_streaming_info_val(streaming));
            loaded[name] = voice;
            return voice;
        }
        return nullptr;
    }

    static int streamed(const cst_wave *, int, int, int, cst_audio_streaming_info *)
    {
        const SpeechSynthesiser *self = t_synthesiser;
        return !self || self->m_wanted == self->m_current ? CST_AUDIO_STREAM_CONT : CST_AUDIO_STREAM_STOP;
    }

    static thread_local SpeechSynthesiser *t_synthesiser;

    Done m_done;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<SynthesisRequest> m_pending;
    bool m_quit = false;
    std::atomic<quint64> m_wanted{0};
    std::atomic<quint64> m_current{0};
    std::thread m_thread;
};

thread_local SpeechSynthesiser *SpeechSynthesiser::t_synthesiser = nullptr;

FliteSpeech::FliteSpeech(QObject *parent)
    : FliteSpeech(QMediaDevices::defaultAudioOutput(), parent)
{
}

FliteSpeech::FliteSpeech(const QAudioDevice &output, QObject *parent)
    : QObject(parent)
    , m_output(output)
{
}

FliteSpeech::~FliteSpeech()
{
    m_synthesiser.reset(); // before the sink it would hand samples to
    stopSink();
}

bool FliteSpeech::available() const
{
    return unavailableReason().isEmpty();
}

QString FliteSpeech::unavailableReason() const
{
    if (m_output.isNull())
        return QStringLiteral("No sound device was found.");
    return m_failure;
}

void FliteSpeech::say(const QString &text)
{
    stop();
    if (!available() || text.trimmed().isEmpty())
        return;
    if (!m_synthesiser) {
        m_synthesiser = std::make_unique<SpeechSynthesiser>([this](quint64 id, const SynthesisResult &result) {
            // On the synthesiser's thread: hand the result to this object's thread.
            QMetaObject::invokeMethod(this, [this, id, result] {
                if (id != m_request)
                    return; // stopped or overtaken since
                if (!result.failure.isEmpty())
                    return fail(result.failure);
                emit synthesised(result.milliseconds,
                                 double(result.samples.size()) / sizeof(short) / qMax(1, result.sampleRate));
                play(result.samples, result.sampleRate, id);
            }, Qt::QueuedConnection);
        });
    }
    m_synthesiser->request({text, voiceInUse(), durationStretch(m_rate), ++m_request});
    setSpeaking(true);
}

void FliteSpeech::stop()
{
    ++m_request;
    if (m_synthesiser)
        m_synthesiser->cancel();
    stopSink();
    setSpeaking(false);
}

bool FliteSpeech::isSpeaking() const
{
    return m_speaking;
}

QStringList FliteSpeech::voices() const
{
    QStringList names;
    for (const char *entry : Voices)
        names << QLatin1String(entry);
    return names;
}

void FliteSpeech::setVoice(const QString &voice)
{
    m_voice = voice;
}

void FliteSpeech::setRate(double rate)
{
    m_rate = std::clamp(rate, -1.0, 1.0);
}

QString FliteSpeech::voiceInUse() const
{
    const QStringList names = voices();
    return names.contains(m_voice) ? m_voice : names.value(0);
}

double FliteSpeech::durationStretch(double rate)
{
    return std::pow(2.0, -std::clamp(rate, -1.0, 1.0));
}

void FliteSpeech::play(const QByteArray &samples, int sampleRate, quint64 request)
{
    if (samples.isEmpty() || sampleRate <= 0)
        return setSpeaking(false);
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    QByteArray sound = samples;
    sound.append(QByteArray(qsizetype(sampleRate * TrailingSilence) * qsizetype(sizeof(short)), '\0'));
    m_buffer = new QBuffer(this);
    m_buffer->setData(sound);
    m_buffer->open(QIODevice::ReadOnly);
    m_sink = new QAudioSink(m_output, format, this);
    connect(m_sink, &QAudioSink::stateChanged, this, [this, request](QAudio::State state) {
        if (request != m_request)
            return;
        // Idle: every sample has been handed over. Stopped by the device: it failed.
        if (state == QAudio::IdleState || state == QAudio::StoppedState) {
            stopSink();
            setSpeaking(false);
        }
    });
    m_sink->start(m_buffer);
}

void FliteSpeech::fail(const QString &reason)
{
    m_failure = reason;
    stopSink();
    setSpeaking(false);
}

void FliteSpeech::stopSink()
{
    if (m_sink) {
        m_sink->disconnect(this);
        m_sink->stop();
        m_sink->deleteLater(); // it may be telling us its state right now
        m_sink = nullptr;
    }
    if (m_buffer) {
        m_buffer->deleteLater();
        m_buffer = nullptr;
    }
}

void FliteSpeech::setSpeaking(bool speaking)
{
    if (m_speaking == speaking)
        return;
    m_speaking = speaking;
    emit speakingChanged(speaking);
}
