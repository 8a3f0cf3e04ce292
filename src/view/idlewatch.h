#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// Tells when the program has had no input (a key, a press, a move of the pointer, a touch,
// the wheel) for a time: watches every input event the application receives and calls
// onIdle once each time that long goes by without one.
class IdleWatch : public QObject
{
public:
    explicit IdleWatch(int idleMs, QObject *parent = nullptr);
    ~IdleWatch() override;

    void setIdleTime(int ms);
    int idleTime() const { return m_timer.interval(); }

    std::function<void()> onIdle;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTimer m_timer;
};
