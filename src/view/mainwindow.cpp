#include "mainwindow.h"

#include "form.h"
#include "formregistry.h"
#include "formview.h"
#include "timerrunner.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>
#include <QKeyEvent>
#include <QVBoxLayout>

MainWindow::MainWindow(FormRegistry &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
    , m_view(new FormView(forms, this))
    , m_timers(new TimerRunner(forms, *m_view, this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setMinimumSize(400, 300);
    m_view->afterRefresh = [this] {
        m_timers->sync();
        updateTitle();
    };
    // For the start-up benchmark: quit as soon as the first frame of a screen is painted.
    if (qEnvironmentVariableIsSet("QUORVALE_QUIT_AFTER_FIRST_FRAME"))
        m_view->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::Paint && m_view->form()) {
        m_view->removeEventFilter(this);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return QWidget::eventFilter(watched, event);
}

QSize MainWindow::preferredSize(const QSize &available)
{
    if (available.isEmpty())
        return QSize(800, 600);
    const int width = std::min(available.width() * 9 / 10, available.height() * 9 / 10 * 4 / 3);
    return QSize(std::max(400, width), std::max(300, width * 3 / 4));
}

void MainWindow::updateTitle()
{
    const Form *form = m_view->form();
    QString title = form ? form->caption.trimmed() : QString();
    title = title.isEmpty() ? QStringLiteral("Quorvale") : title + QStringLiteral(" - Quorvale");
    if (windowTitle() != title)
        setWindowTitle(title);
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F11) {
        setWindowState(windowState() ^ Qt::WindowFullScreen);
        return;
    }
    // With no control focused the key comes here first; a focused control's unused keys
    // have been to the screen already on their way up.
    QWidget *focused = focusWidget();
    if ((!focused || !m_view->isAncestorOf(focused)) && m_view->handleKey(event))
        return;
    QWidget::keyPressEvent(event);
}

bool MainWindow::focusNextPrevChild(bool next)
{
    // A Tab with no control focused: the first control in reading order.
    return m_view->moveFocus(next, true) || QWidget::focusNextPrevChild(next);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_forms.end();
    event->accept();
}
