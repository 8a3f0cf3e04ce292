#include "idlewatch.h"

#include <QCoreApplication>
#include <QEvent>

IdleWatch::IdleWatch(int idleMs, QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(idleMs);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
        if (onIdle)
            onIdle();
    });
    QCoreApplication::instance()->installEventFilter(this);
    m_timer.start();
}

IdleWatch::~IdleWatch()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void IdleWatch::setIdleTime(int ms)
{
    m_timer.start(ms);
}

bool IdleWatch::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TabletPress:
        m_timer.start();
        break;
    default:
        break;
    }
    return false;
}
