#pragma once

// The whole program as it runs in a classroom: the assets (beside it or built in), real
// text measuring, sound, a clock-seeded random source, the browser, every form, the home
// screen's check of teachers' own banks, the class results (opened with the first
// activity), the teacher window (loaded when first asked for), and the main window
// showing the first screen.
// main() runs it; the benchmarks measure the very same thing.

#include "appcontext.h"
#include "assetresolver.h"
#include "contentkind.h"
#include "formregistry.h"
#include "randomsource.h"
#include "sharedstate.h"
#include "soundplayer.h"
#include "textmeasurer.h"
#include "urlopener.h"

#include <QList>
#include <QPointer>

#include <memory>

class IdleWatch;
class MainWindow;
class QObject;
class QWidget;
class Results;
class Settings;
struct TeacherContext;

class Program
{
public:
    Program();
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // Shows the first screen. With no size given the window opens where it was when the
    // last run ended (full screen if it was), or centred at the size that suits the
    // screen, and its place is kept in the user's settings for the next run. A size given
    // (the benchmarks) opens a window of exactly that size, centred, and nothing is kept.
    void show(QSize windowSize = {});

    AppContext &context() { return m_context; }
    FormRegistry &forms() { return m_forms; }
    MainWindow &window() { return *m_window; }

    // The class results, opened on first use from the quorvale-results module; when that
    // cannot be loaded, nothing is kept and problem() says why.
    Results &results();
    // The user's settings, opened on first use.
    Settings &settings();
    // Loads the teacher window's module the first time and shows its one window, raised
    // on later calls; says so in a message box when the module cannot be loaded.
    void openTeacher();
    // Brings the screens in line with the user's settings (high contrast, ...): when the
    // window is first shown and whenever the teacher changes one.
    void applySettings();
    // The speech service, made the first time it is asked for (never at start-up) with the
    // teacher's voice and rate; its engine comes from the quorvale-speech module the first
    // time something is to be said. When the module cannot be loaded, the service cannot be
    // heard and says why.
    Speech &speechService();

    // Loads one of the program's modules by base name ("quorvale-results"): beside the
    // executable (a build), then where an installed copy keeps them. Null, and why, when
    // it cannot be loaded.
    static QObject *loadModule(const QString &baseName, QString *failure);
    // A new store of the class results in the file at path, from the results module, joined
    // to the school database the libpq service names (none: this computer only); null, and
    // why, when the module cannot be loaded.
    static std::unique_ptr<Results> loadResults(const QString &path, const QString &schoolService, QString *failure);

private:
    void keepWindowState();
    void watchForIdle();

    // First, so it outlives the forms: an activity ends its visit as it goes.
    std::unique_ptr<Results> m_results;
    // Before the forms too: a screen may be reading aloud as it goes.
    std::unique_ptr<Speech> m_speech;
    const AssetResolver m_assets;
    const FontTextMeasurer m_measurer;
    SharedState m_state;
    FormRegistry m_forms{&m_measurer};
    SoundPlayer m_sound{m_assets};
    ClockRandomSource m_random;
    DesktopUrlOpener m_urls;
    AppContext m_context{m_state, m_forms, m_sound, m_random, m_urls, m_assets};
    QList<ContentKind> m_contentKinds;
    std::unique_ptr<Settings> m_settings;
    // What the teacher window works on; made with the window, kept as long as the program.
    std::unique_ptr<TeacherContext> m_teacherContext;
    // Set by show() when the window's place is kept between runs.
    bool m_keepsWindow = false;
    // Last, so the windows go before the forms, results and settings they show.
    std::unique_ptr<MainWindow> m_window;
    QPointer<QWidget> m_teacherWindow;
    // Signs a pupil out after the teacher's time without input; made when signing in is
    // first used.
    std::unique_ptr<IdleWatch> m_idle;
};
