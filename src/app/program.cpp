#include "program.h"

#include "contentkinds.h"
#include "formview.h"
#include "mainwindow.h"
#include "registerforms.h"
#include "settings.h"
#include "shellforms.h"
#include "teachercontent.h"

#include <QGuiApplication>
#include <QScreen>

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
    m_window = std::make_unique<MainWindow>(m_forms);
}

Program::~Program()
{
    // However the run ends (Exit, closing the window), the next opens where this one was.
    keepWindowState();
}

void Program::show(QSize windowSize)
{
    if (Form *first = m_forms.get(QString::fromLatin1(StartFormName)))
        first->Show();
    if (windowSize.isEmpty()) {
        m_settings = std::make_unique<Settings>();
        m_window->place(m_settings->windowGeometry(), m_settings->windowFullScreen());
        m_window->onKeepState = [this] { keepWindowState(); };
    } else {
        m_window->placeCentred(windowSize);
    }
    m_window->view().refresh();
    m_window->show();
}

void Program::keepWindowState()
{
    if (!m_settings || !m_window)
        return;
    m_settings->setWindowGeometry(m_window->normalPlace());
    m_settings->setWindowFullScreen(m_window->isFullScreen());
    m_settings->sync();
}
