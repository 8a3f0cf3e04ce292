#pragma once

// Pointer input for the benchmarks, delivered to a window as the window system delivers
// it (the widget under a press receives the moves and the release that follow), without
// QtTest, so the programs measured load nothing they would not load anyway.

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWindow>

namespace Pointer {

inline void send(QWindow *window, QEvent::Type type, const QPoint &at, Qt::MouseButton button,
                 Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(at), QPointF(at), QPointF(window->mapToGlobal(at)), button, held, {});
    QCoreApplication::sendEvent(window, &event);
}

inline void press(QWindow *window, const QPoint &at)
{
    send(window, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}

inline void moveHeld(QWindow *window, const QPoint &at)
{
    send(window, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
}

inline void release(QWindow *window, const QPoint &at)
{
    send(window, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

inline void click(QWindow *window, const QPoint &at)
{
    press(window, at);
    release(window, at);
}

} // namespace Pointer
