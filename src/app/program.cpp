#include "program.h"

#include "contentkinds.h"
#include "controlwidget.h"
#include "deferredspeech.h"
#include "formview.h"
#include "idlewatch.h"
#include "mainwindow.h"
#include "previewscreen.h"
#include "registerforms.h"
#include "results.h"
#include "resultsplugin.h"
#include "settings.h"
#include "shellforms.h"
#include "signinscreen.h"
#include "speech.h"
#include "speechplugin.h"
#include "teachercontent.h"
#include "teacherplugin.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMediaDevices>
#include <QMessageBox>
#include <QPluginLoader>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {
// How long after the first frame a computer joined to the school starts sending.
constexpr int SendingStartsAfterMs = 1000;
} // namespace

Program::Program()
    : m_contentKinds(allContentKinds())
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // The screen in twips, as the frame's centring rules read it.
        const double twipsPerPixel = 1440.0 / screen->logicalDotsPerInch();
        m_context.screenTwips = QSizeF(screen->size()) * twipsPerPixel;
    }
    registerForms(m_context);
    m_context.contentNotice = [this] { return contentNotice(checkTeacherContent(m_assets, m_contentKinds)); };
    m_context.visitLog = [this]() -> VisitLog & { return results(); };
    m_context.openTeacher = [this] { openTeacher(); };
    // The teacher window is closed first, asking about any work it would lose; the program
    // keeps running when the teacher cancels.
    m_forms.mayEnd = [this] { return !m_teacherWindow || m_teacherWindow->close(); };
    // Nothing is read aloud when the teacher has turned it off.
    m_context.speech = [this]() -> Speech * { return settings().readAloud() ? &speechService() : nullptr; };
    // Signing in asks for the class results only once the teacher has turned it on, so with
    // it off nothing more is loaded than before.
    m_context.roster = [this]() -> PupilRoster * {
        if (!settings().pupilsSignIn())
            return nullptr;
        watchForIdle();
        return &results();
    };
    m_context.computerClass = [this] { return settings().classLabel(); };
    m_context.lastClass = [this] { return settings().lastPupilClass(); };
    m_context.rememberClass = [this](const QString &label) { settings().setLastPupilClass(label); };
    m_context.giveFocus = [this](const Control &control) {
        if (ControlWidget *widget = m_window->view().widgetFor(&control))
            widget->takeFocus(Qt::OtherFocusReason);
    };
    m_window = std::make_unique<MainWindow>(m_forms);
    m_window->onTeacher = m_context.openTeacher;
}

Program::~Program()
{
    // However the run ends (Exit, closing the window), the next opens where this one was.
    keepWindowState();
    // A pupil is signed out as the program ends, the visit in progress kept with them.
    if (m_results && m_results->signedIn() != 0)
        m_results->signIn(0);
    delete m_teacherWindow;
}

void Program::watchForIdle()
{
    if (m_idle)
        return;
    m_idle = std::make_unique<IdleWatch>(settings().idleMinutes() * 60 * 1000);
    // The pupil who walked away is signed out and the names shown for the next; an activity
    // left open is left as its Exit would, its visit kept.
    m_idle->onIdle = [this] {
        m_window->view().dispatch([this] {
            if (m_results && m_results->signedIn() != 0)
                SignInScreen::signOut(m_context);
        });
    };
}

Results &Program::results()
{
    if (!m_results) {
        QString failure;
        m_results = loadResults(Results::defaultPath(), settings().schoolService(), &failure);
        if (!m_results) {
            qWarning("The class results could not be loaded: %s", qPrintable(failure));
            m_results = std::make_unique<NoResults>(
                QStringLiteral("Results are not being kept: the results module (quorvale-results) "
                               "is missing or damaged."));
        }
        m_results->setClassLabel(settings().classLabel());
    }
    return *m_results;
}

QObject *Program::loadModule(const QString &baseName, QString *failure)
{
    // Beside the program (a build), then where an installed copy keeps its modules.
    const QString dir = QCoreApplication::applicationDirPath();
    QString firstFailure;
    for (const QString &path : {dir + QLatin1Char('/') + baseName,
                                dir + QStringLiteral("/" QUORVALE_MODULES_FROM_BIN "/") + baseName}) {
        QPluginLoader loader(QDir::cleanPath(path));
        if (QObject *instance = loader.instance())
            return instance;
        if (firstFailure.isEmpty())
            firstFailure = loader.errorString();
    }
    if (failure)
        *failure = firstFailure;
    return nullptr;
}

std::unique_ptr<Results> Program::loadResults(const QString &path, const QString &schoolService, QString *failure)
{
    auto *plugin = qobject_cast<ResultsPlugin *>(loadModule(QStringLiteral("quorvale-results"), failure));
    if (!plugin) {
        if (failure && failure->isEmpty())
            *failure = QStringLiteral("quorvale-results is not a results module");
        return nullptr;
    }
    return std::unique_ptr<Results>(plugin->create(path, schoolService));
}

Settings &Program::settings()
{
    if (!m_settings)
        m_settings = std::make_unique<Settings>();
    return *m_settings;
}

void Program::openTeacher()
{
    if (!m_teacherWindow) {
        QString failure;
        auto *plugin = qobject_cast<TeacherPlugin *>(loadModule(QStringLiteral("quorvale-teacher"), &failure));
        if (!plugin) {
            qWarning("The teacher window could not be loaded: %s", qPrintable(failure));
            QMessageBox::warning(m_window.get(), QStringLiteral("Quorvale"),
                                 QStringLiteral("The teacher window cannot be opened because its module "
                                                "(quorvale-teacher) is missing or damaged."));
            return;
        }
        if (!m_teacherContext)
            m_teacherContext = std::make_unique<TeacherContext>(TeacherContext{results(), settings()});
        m_teacherContext->previewScreen = [this](const QString &activity, const QByteArray &bank, int record, QWidget *parent) {
            return createPreviewScreen(m_contentKinds, m_assets.roots(), activity, bank, record,
                                       settings().highContrast(), parent);
        };
        m_teacherContext->settingsChanged = [this] { applySettings(); };
        m_teacherContext->speech = [this] { return &speechService(); };
        // Loaded here, in the window's thread; the page calls it from a thread of its own.
        if (auto *results = qobject_cast<ResultsPlugin *>(loadModule(QStringLiteral("quorvale-results"), nullptr))) {
            m_teacherContext->testSchool = [results](const QString &service, QString *sentence) {
                return results->checkSchool(service, sentence);
            };
        }
        m_teacherWindow = plugin->createWindow(*m_teacherContext);
        if (!m_teacherWindow)
            return;
        // On the screen the pupils' window is on, at the place and proportion of that
        // screen it had when the program last ended (so a window sized on a laptop is not
        // a postage stamp on a 4K board); the first time, over the middle of the screen
        // at a size that leaves the pupils' window in sight around it.
        const QRect screen = m_window->screen()->availableGeometry();
        const QRectF kept = settings().teacherWindowPlace();
        const QRectF share = kept.isValid() ? kept : QRectF(0.1, 0.075, 0.8, 0.85);
        QRect place(screen.left() + qRound(share.left() * screen.width()),
                    screen.top() + qRound(share.top() * screen.height()),
                    qRound(share.width() * screen.width()), qRound(share.height() * screen.height()));
        place.setSize(place.size().expandedTo(m_teacherWindow->minimumSizeHint()).boundedTo(screen.size()));
        place.moveLeft(std::clamp(place.left(), screen.left(), screen.right() - place.width() + 1));
        place.moveTop(std::clamp(place.top(), screen.top(), screen.bottom() - place.height() + 1));
        m_teacherWindow->setGeometry(place);
    }
    m_teacherWindow->show();
    m_teacherWindow->raise();
    m_teacherWindow->activateWindow();
}

void Program::show(QSize windowSize)
{
    if (Form *first = m_forms.get(QString::fromLatin1(StartFormName)))
        first->Show();
    if (windowSize.isEmpty()) {
        m_keepsWindow = true;
        m_window->place(settings().windowGeometry(), settings().windowFullScreen());
        applySettings();
        m_window->onKeepState = [this] { keepWindowState(); };
    } else {
        m_window->placeCentred(windowSize);
    }
    m_window->view().refresh();
    m_window->show();
    // A computer joined to the school database goes on sending what it has not yet
    // delivered as soon as the program has started, before any activity is opened.
    if (windowSize.isEmpty() && !settings().schoolService().isEmpty())
        QTimer::singleShot(SendingStartsAfterMs, m_window.get(), [this] { results(); });
}

void Program::applySettings()
{
    m_window->view().setColourScheme(settings().highContrast() ? ColourScheme::HighContrast
                                                               : ColourScheme::Designed);
    // Signing in: the teacher's idle time from now on; turned off, whoever is signed in is
    // signed out, so no visit goes on being kept with them.
    if (m_idle)
        m_idle->setIdleTime(settings().idleMinutes() * 60 * 1000);
    if (m_results && m_results->signedIn() != 0 && !settings().pupilsSignIn()) {
        m_results->signIn(0);
        m_context.signedInName.clear();
    }
    // Read-aloud, once a screen or the teacher has asked for it (never created here).
    if (m_speech) {
        m_speech->setVoice(settings().speechVoice());
        m_speech->setRate(settings().speechRate());
        if (!settings().readAloud())
            m_speech->stop();
    }
}

Speech &Program::speechService()
{
    if (!m_speech) {
        const QString noDevice = QMediaDevices::defaultAudioOutput().isNull()
            ? QStringLiteral("No sound device was found.")
            : QString();
        m_speech = std::make_unique<DeferredSpeech>([]() -> std::unique_ptr<Speech> {
            if (auto *plugin = qobject_cast<SpeechPlugin *>(loadModule(QStringLiteral("quorvale-speech"), nullptr))) {
                if (std::unique_ptr<Speech> engine{plugin->create()})
                    return engine;
            }
            return std::make_unique<SilentSpeech>(QStringLiteral("Its module (quorvale-speech) is missing or damaged."));
        }, noDevice);
        m_speech->setVoice(settings().speechVoice());
        m_speech->setRate(settings().speechRate());
    }
    return *m_speech;
}

void Program::keepWindowState()
{
    if (!m_keepsWindow || !m_window)
        return;
    m_settings->setWindowGeometry(m_window->normalPlace());
    m_settings->setWindowFullScreen(m_window->isFullScreen());
    if (m_teacherWindow && m_teacherWindow->screen()) {
        const QRectF screen = m_teacherWindow->screen()->availableGeometry();
        const QRectF place = m_teacherWindow->geometry();
        m_settings->setTeacherWindowPlace(QRectF((place.left() - screen.left()) / screen.width(),
                                                 (place.top() - screen.top()) / screen.height(),
                                                 place.width() / screen.width(), place.height() / screen.height())
                                              .intersected(QRectF(0, 0, 1, 1)));
    }
    m_settings->sync();
}
