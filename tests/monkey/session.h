#pragma once

// One run of the whole program as main() builds it: every registered form, real text
// measuring, the assets from the given roots, and the main window on screen. The random
// source is seeded so a run can be repeated; sound and the browser are stand-ins unless
// the caller brings its own sound device.

#include "appcontext.h"
#include "assetresolver.h"
#include "formregistry.h"
#include "randomsource.h"
#include "sharedstate.h"
#include "sounddevice.h"
#include "testsupport.h"
#include "textmeasurer.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <random>

class FormView;
class MainWindow;

// The program's random source made repeatable: one seeded sequence that reseeding leaves
// alone, so a seed names a whole run.
class SeededRandom : public RandomSource
{
public:
    explicit SeededRandom(quint64 seed)
        : m_engine(seed)
    {
    }
    void reseed() override {}
    double next() override { return double(m_engine() >> 11) * 0x1.0p-53; }

private:
    std::mt19937_64 m_engine;
};

// A sound device that plays nothing and notes every cue that should never have reached
// it: one while sound is off, or one that names no asset.
class CheckingSound : public SoundDevice
{
public:
    CheckingSound(const SharedState &state, const AssetResolver &assets)
        : m_state(state)
        , m_assets(assets)
    {
    }
    void play(const QString &relativePath) override;

    int played = 0;
    QStringList problems;

private:
    const SharedState &m_state;
    const AssetResolver &m_assets;
};

class Session
{
public:
    using ExtraForms = std::function<void(AppContext &)>;
    using SoundFactory = std::function<std::unique_ptr<SoundDevice>(const SharedState &, const AssetResolver &)>;

    struct Options
    {
        quint64 seed = 1;
        QStringList roots = {AssetResolver::embeddedRoot()};
        // Registered after the program's own forms, so it may replace one of them.
        ExtraForms extraForms;
        // The sound device; a CheckingSound when not given.
        SoundFactory sound;
    };

    explicit Session(const Options &options);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    AppContext &context() { return m_context; }
    SharedState &state() { return m_state; }
    FormRegistry &forms() { return m_forms; }
    const AssetResolver &assets() const { return m_assets; }
    MainWindow &window() { return *m_window; }
    FormView &view();
    SoundDevice &sound() { return *m_sound; }
    // The stand-in sound device, or nullptr when the caller brought its own.
    CheckingSound *checkingSound() { return dynamic_cast<CheckingSound *>(m_sound.get()); }
    RecordingUrls &urls() { return m_urls; }

    // Whether the program has ended (Exit on the title screen, or the window closed).
    bool ended() const { return m_ended; }

private:
    FontTextMeasurer m_measurer;
    AssetResolver m_assets;
    SharedState m_state;
    FormRegistry m_forms;
    std::unique_ptr<SoundDevice> m_sound;
    SeededRandom m_random;
    RecordingUrls m_urls;
    AppContext m_context;
    bool m_ended = false;
    // Last, so the window goes before the forms it shows.
    std::unique_ptr<MainWindow> m_window;
};
