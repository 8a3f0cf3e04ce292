#include "assetgen.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <numbers>

// The five cues, synthesised from sine partials and filtered noise. Each has a soft
// attack and release so that it starts and stops without a click, and is scaled to a
// peak well below full scale so none of them is harsh.
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

std::vector<float> silence(double seconds)
{
    return std::vector<float>(size_t(seconds * kSampleRate), 0.0f);
}

double timeOf(size_t i)
{
    return double(i) / kSampleRate;
}

// White noise through two one-pole low-pass stages (12 dB per octave); the same seed
// gives the same sound each time.
class Noise
{
public:
    Noise(quint32 seed, double cutoffHz)
        : m_random(seed), m_k(1 - std::exp(-kTwoPi * cutoffHz / kSampleRate))
    {
    }
    double next()
    {
        m_first += m_k * ((m_random.generateDouble() * 2 - 1) - m_first);
        m_second += m_k * (m_first - m_second);
        return m_second;
    }

private:
    QRandomGenerator m_random;
    double m_k;
    double m_first = 0;
    double m_second = 0;
};

// Fades in and out over the given times and scales to the given peak.
std::vector<float> finish(std::vector<float> s, double fadeIn, double fadeOut, double peak)
{
    const size_t in = size_t(fadeIn * kSampleRate);
    const size_t out = size_t(fadeOut * kSampleRate);
    for (size_t i = 0; i < s.size(); ++i) {
        double g = 1;
        if (i < in)
            g = double(i) / in;
        if (i + out >= s.size())
            g *= 0.5 - 0.5 * std::cos(std::numbers::pi * double(s.size() - 1 - i) / out);
        s[i] = float(s[i] * g);
    }
    float highest = 0;
    for (float v : s)
        highest = std::max(highest, std::abs(v));
    if (highest > 0)
        for (float &v : s)
            v = float(v * peak / highest);
    return s;
}

void mixInto(std::vector<float> &into, size_t at, const std::vector<float> &sound)
{
    if (into.size() < at + sound.size())
        into.resize(at + sound.size(), 0.0f);
    for (size_t i = 0; i < sound.size(); ++i)
        into[at + i] += sound[i];
}

} // namespace

std::vector<float> clickSound()
{
    // A short wooden tick: a damped 1.8 kHz ring over a little filtered noise.
    std::vector<float> s = silence(0.045);
    Noise noise(11, 5000);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        s[i] = float(0.7 * std::exp(-t / 0.006) * std::sin(kTwoPi * 1800 * t)
                     + 0.35 * std::exp(-t / 0.012) * std::sin(kTwoPi * 520 * t)
                     + 0.5 * std::exp(-t / 0.003) * noise.next());
    }
    return finish(s, 0.0005, 0.01, 0.5);
}

std::vector<float> cashSound()
{
    // "Ka": two quick mechanical clunks; "ching": a bright bell on a major chord.
    std::vector<float> s;
    for (const double at : {0.0, 0.055}) {
        std::vector<float> clunk = silence(0.05);
        Noise noise(at > 0 ? 23 : 29, 2500);
        for (size_t i = 0; i < clunk.size(); ++i) {
            const double t = timeOf(i);
            clunk[i] = float(std::exp(-t / 0.008) * (3 * noise.next()
                                                     + 0.5 * std::sin(kTwoPi * 190 * t)));
        }
        mixInto(s, size_t(at * kSampleRate), clunk);
    }
    std::vector<float> bell = silence(0.58);
    const double partials[][2] = {{1760, 1.0}, {2217.5, 0.7}, {2637, 0.6}, {3520, 0.25}, {5274, 0.1}};
    for (size_t i = 0; i < bell.size(); ++i) {
        const double t = timeOf(i);
        double v = 0;
        for (const auto &partial : partials)
            v += partial[1] * std::exp(-t * (4 + partial[0] / 900)) * std::sin(kTwoPi * partial[0] * t);
        bell[i] = float(v * (1 + 0.15 * std::sin(kTwoPi * 7 * t)) * std::min(1.0, t / 0.003));
    }
    mixInto(s, size_t(0.1 * kSampleRate), bell);
    return finish(s, 0.001, 0.05, 0.55);
}

std::vector<float> boinkSound()
{
    // A comic spring: a falling tone that wobbles and settles.
    std::vector<float> s = silence(0.5);
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double wobble = 1 + 0.16 * std::exp(-t / 0.16) * std::sin(kTwoPi * 13 * t);
        const double f = (170 + 380 * std::exp(-t / 0.06)) * wobble;
        phase += kTwoPi * f / kSampleRate;
        const double tone = std::sin(phase) + 0.35 * std::sin(2 * phase) + 0.12 * std::sin(3 * phase);
        s[i] = float(tone * std::exp(-t / 0.17));
    }
    return finish(s, 0.004, 0.08, 0.6);
}

std::vector<float> thudSound()
{
    // Something soft landing: a low falling thump with a little muffled noise.
    std::vector<float> s = silence(0.3);
    Noise noise(41, 400);
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double f = 55 + 75 * std::exp(-t / 0.04);
        phase += kTwoPi * f / kSampleRate;
        const double body = (std::sin(phase) + 0.4 * std::sin(2 * phase)) * std::exp(-t / 0.07);
        s[i] = float(body + 5 * noise.next() * std::exp(-t / 0.02));
    }
    return finish(s, 0.002, 0.06, 0.7);
}

std::vector<float> beepSound()
{
    // A short, rounded tone with a touch of its octave.
    std::vector<float> s = silence(0.17);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        s[i] = float(std::sin(kTwoPi * 880 * t) + 0.18 * std::sin(kTwoPi * 1760 * t));
    }
    return finish(s, 0.01, 0.05, 0.45);
}

QByteArray waveFile(const std::vector<float> &samples)
{
    // QSoundEffect drops about the last 130 ms of a sound, so a quarter second of
    // silence follows every cue.
    std::vector<float> padded = samples;
    padded.resize(samples.size() + size_t(0.25 * kSampleRate), 0.0f);

    QByteArray out;
    auto put16 = [&](quint16 v) {
        out.append(char(v & 0xFF));
        out.append(char(v >> 8));
    };
    auto put32 = [&](quint32 v) {
        put16(quint16(v & 0xFFFF));
        put16(quint16(v >> 16));
    };
    const quint32 dataBytes = quint32(padded.size() * 2);
    out.append("RIFF");
    put32(36 + dataBytes);
    out.append("WAVE");
    out.append("fmt ");
    put32(16);
    put16(1); // PCM
    put16(1); // mono
    put32(kSampleRate);
    put32(kSampleRate * 2);
    put16(2);
    put16(16);
    out.append("data");
    put32(dataBytes);
    for (float v : padded)
        put16(quint16(qint16(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767))));
    return out;
}
