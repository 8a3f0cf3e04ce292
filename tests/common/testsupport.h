#pragma once

// Shared test fixtures: a scripted random source, a recording sound device and browser,
// and a whole application context built around them, with no window and no waiting.

#include "appcontext.h"
#include "assetresolver.h"
#include "formregistry.h"
#include "randomsource.h"
#include "sounddevice.h"
#include "textmeasurer.h"
#include "urlopener.h"
#include "visitlog.h"

#include <QStringList>

#include <deque>
#include <memory>
#include <stdexcept>

// Returns the values it is given, in order; reseeds are counted. Running out is a test
// fault, reported loudly.
class ScriptedRandom : public RandomSource
{
public:
    void reseed() override { ++reseeds; }
    double next() override
    {
        if (values.empty())
            throw std::logic_error("scripted random source ran out of values");
        const double value = values.front();
        values.pop_front();
        return value;
    }
    // Queues a value that makes Int(Rnd x count) equal k.
    void queueIndex(int k, int count) { values.push_back((k + 0.5) / count); }

    std::deque<double> values;
    int reseeds = 0;
};

class RecordingSound : public SoundDevice
{
public:
    void play(const QString &relativePath) override { played << relativePath; }
    QStringList played;
};

class RecordingUrls : public UrlOpener
{
public:
    bool open(const QString &address) override
    {
        opened << address;
        return result;
    }
    QStringList opened;
    bool result = true;
};

// What the class results are told, an entry an event.
struct VisitRecorder : VisitLog
{
    void visitStarted(const QString &activity, const QString &title) override { events << activity + u'/' + title; }
    void itemShown(int record) override { events << QStringLiteral("item %1").arg(record); }
    void answered(bool right) override { events << QString::fromLatin1(right ? "right" : "wrong"); }
    void visitEnded() override { events << QStringLiteral("end"); }
    QStringList events;
};

// A complete context: the embedded assets (or the given roots), real text measuring, a
// registry, and recording devices. Register forms on `forms`, then drive them directly.
struct TestApp
{
    explicit TestApp(QStringList roots = {AssetResolver::embeddedRoot()})
        : assets(std::move(roots))
        , forms(&measurer)
        , context{state, forms, sound, random, urls, assets}
    {
    }

    FontTextMeasurer measurer;
    AssetResolver assets;
    SharedState state;
    FormRegistry forms;
    RecordingSound sound;
    ScriptedRandom random;
    RecordingUrls urls;
    AppContext context;
};
