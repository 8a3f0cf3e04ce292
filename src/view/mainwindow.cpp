#include "mainwindow.h"

#include <cstdio>

#include "form.h"
#include "formregistry.h"
#include "formview.h"
#include "timerrunner.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

constexpr int MinimumWidth = 400;
constexpr int MinimumHeight = 300;

// A size that fits an available area: as it is when it does, else scaled down, keeping its
// shape, to the share of the area a first window takes.
QSize fitted(const QSize &size, const QSize &available)
{
    if (size.width() <= available.width() && size.height() <= available.height())
        return size;
    const double scale = std::min(available.width() * 0.9 / size.width(), available.height() * 0.9 / size.height());
    return QSize(std::max(MinimumWidth, int(size.width() * scale)), std::max(MinimumHeight, int(size.height() * scale)));
}

QRect centredIn(const QSize &size, const QRect &area)
{
    return QRect(area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2,
                 size.width(), size.height());
}

} // namespace

MainWindow::MainWindow(FormRegistry &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
    , m_view(new FormView(forms, this))
    , m_timers(new TimerRunner(forms, *m_view, this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setMinimumSize(MinimumWidth, MinimumHeight);
    // A shortcut, so it works whichever control has the focus and whatever the screen
    // does with its keys.
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this, [this] {
        if (onTeacher)
            onTeacher();
    });
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
    if (watched == windowHandle() && event->type() == QEvent::Expose) {
        watched->removeEventFilter(this);
        centreFrame();
    }
    if (watched == m_view && event->type() == QEvent::Paint && m_view->form()) {
        m_view->removeEventFilter(this);
        // The benchmark opens its bare yardstick at the same size.
        std::printf("window %dx%d\n", width(), height());
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return QWidget::eventFilter(watched, event);
}

QSize MainWindow::preferredSize(const QSize &available)
{
    if (available.isEmpty())
        return QSize(800, 600);
    const int width = std::min(available.width() * 9 / 10, available.height() * 9 / 10 * 4 / 3);
    return QSize(std::max(MinimumWidth, width), std::max(MinimumHeight, width * 3 / 4));
}

QRect MainWindow::openingPlace(const QRect &remembered, const QList<QRect> &screens, int home, bool *centred)
{
    if (centred)
        *centred = true;
    if (screens.isEmpty())
        return remembered.isValid() ? remembered : QRect(QPoint(0, 0), preferredSize({}));
    const QRect homeArea = screens.value(home, screens.first());
    if (!remembered.isValid())
        return centredIn(preferredSize(homeArea.size()), homeArea);
    // The screen that holds most of it.
    const QRect *area = nullptr;
    qint64 most = 0;
    for (const QRect &screen : screens) {
        const QRect common = remembered.intersected(screen);
        const qint64 shared = qint64(common.width()) * common.height();
        if (shared > most) {
            most = shared;
            area = &screen;
        }
    }
    if (!area)
        return centredIn(fitted(remembered.size(), homeArea.size()), homeArea);
    if (centred)
        *centred = false;
    QRect place(remembered.topLeft(), fitted(remembered.size(), area->size()));
    // Wholly on that screen, moved no further than it takes.
    place.moveLeft(std::max(area->left(), std::min(place.left(), area->left() + area->width() - place.width())));
    place.moveTop(std::max(area->top(), std::min(place.top(), area->top() + area->height() - place.height())));
    return place;
}

void MainWindow::place(const QRect &remembered, bool fullScreen)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    QList<QRect> areas;
    for (const QScreen *screen : screens)
        areas << screen->availableGeometry();
    placeAt(openingPlace(remembered, areas, std::max(0, int(screens.indexOf(screen()))), &m_centreFrame));
    if (fullScreen)
        setFullScreen(true);
}

void MainWindow::placeCentred(const QSize &size)
{
    const QScreen *home = screen();
    placeAt(home ? centredIn(size, home->availableGeometry()) : QRect(QPoint(0, 0), size));
    m_centreFrame = true;
}

void MainWindow::placeAt(const QRect &inside)
{
    // The inside of the window, never its frame: with no window manager nothing else
    // places a window, and with one the inside lands exactly here whatever its frame
    // (which is unknown until the window is shown, and again after full screen).
    setGeometry(inside);
    m_normalPlace = inside;
}

void MainWindow::setFullScreen(bool on)
{
    if (on == isFullScreen())
        return;
    const QRect normal = normalPlace();
    if (on) {
        m_centreFrame = false;
        const QScreen *target = QGuiApplication::screenAt(normal.center());
        if (!target)
            target = screen();
        // A window manager takes a full-screen window over its whole screen; with none,
        // nothing would, so the window covers the screen itself first (asked afterwards, a
        // window manager may take the new size as the end of full screen).
        if (target)
            setGeometry(target->geometry());
        setWindowState(windowState() | Qt::WindowFullScreen);
    } else {
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        setGeometry(normal);
    }
    // What the moves above recorded on their way is not the place to keep.
    m_normalPlace = normal;
}

bool MainWindow::inNormalState() const
{
    return !(windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized | Qt::WindowMinimized));
}

QRect MainWindow::normalPlace() const
{
    return inNormalState() ? geometry() : m_normalPlace;
}

void MainWindow::keepState()
{
    if (onKeepState)
        onKeepState();
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
        setFullScreen(!isFullScreen());
        keepState();
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

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window manager's frame is known by the time the window is first exposed.
    if (m_centreFrame && windowHandle())
        windowHandle()->installEventFilter(this);
}

void MainWindow::centreFrame()
{
    // Opened centred: centred again with the frame a window manager put round it, once.
    m_centreFrame = false;
    const QRect frame = frameGeometry();
    const QScreen *home = screen();
    if (!home || frame.size() == size() || isFullScreen())
        return;
    const QPoint frameAt = centredIn(frame.size(), home->availableGeometry()).topLeft();
    setGeometry(QRect(frameAt + (geometry().topLeft() - frame.topLeft()), size()));
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    m_normalPlace = normalPlace();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_normalPlace = normalPlace();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    keepState();
    m_forms.end();
    // The program goes on when the teacher chose to keep work it would have lost.
    if (m_forms.hasEnded())
        event->accept();
    else
        event->ignore();
}
