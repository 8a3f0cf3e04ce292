#include "program.h"

#include "contentkinds.h"
#include "formview.h"
#include "mainwindow.h"
#include "registerforms.h"
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

Program::~Program() = default;

void Program::show(QSize windowSize)
{
    if (Form *first = m_forms.get(QString::fromLatin1(StartFormName)))
        first->Show();
    if (windowSize.isEmpty()) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        windowSize = MainWindow::preferredSize(screen ? screen->availableSize() : QSize());
    }
    m_window->resize(windowSize);
    m_window->view().refresh();
    m_window->show();
}
