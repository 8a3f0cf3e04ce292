#include "session.h"

#include "formview.h"
#include "mainwindow.h"
#include "registerforms.h"
#include "shellforms.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

void CheckingSound::play(const QString &relativePath)
{
    ++played;
    if (m_state.SoundOn != 1)
        problems << QStringLiteral("cue %1 played while sound is off").arg(relativePath);
    if (m_assets.resolve(relativePath).isEmpty())
        problems << QStringLiteral("cue %1 names no sound file").arg(relativePath);
}

Session::Session(const Options &options)
    : m_assets(options.roots)
    , m_forms(&m_measurer)
    , m_sound(options.sound ? options.sound(m_state, m_assets)
                            : std::make_unique<CheckingSound>(m_state, m_assets))
    , m_random(options.seed)
    , m_context{m_state, m_forms, *m_sound, m_random, m_urls, m_assets}
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        m_context.screenTwips = QSizeF(screen->size()) * (1440.0 / screen->logicalDotsPerInch());
    registerForms(m_context);
    if (options.extraForms)
        options.extraForms(m_context);

    m_window = std::make_unique<MainWindow>(m_forms);
    m_forms.onEnd = [this] { m_ended = true; };
    if (Form *first = m_forms.get(QString::fromLatin1(StartFormName)))
        first->Show();
    const QScreen *screen = QGuiApplication::primaryScreen();
    m_window->resize(MainWindow::preferredSize(screen ? screen->availableSize() : QSize()));
    m_window->view().refresh();
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("the main window was not exposed");
}

Session::~Session()
{
    m_window.reset();
    // Widgets whose deletion was deferred go now, before the forms they pointed at.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

FormView &Session::view()
{
    return m_window->view();
}
