#pragma once

#include <QHash>
#include <QObject>

class FormRegistry;
class FormView;
class QTimer;
class Timer;

// Runs a real timer for every enabled model timer of every loaded form. A model interval
// of 1 ms means "as fast as the platform allows"; it runs at about 15 ms, the rate the
// animations were designed for (a mark grows in 51 ticks, about 0.8 s).
class TimerRunner : public QObject
{
    Q_OBJECT
public:
    TimerRunner(FormRegistry &forms, FormView &view, QObject *parent = nullptr);

    // Starts, stops and retimes real timers to match the models.
    void sync();

    static int realInterval(int modelInterval);
    int runningCount() const;

private:
    FormRegistry &m_forms;
    FormView &m_view;
    QHash<Timer *, QTimer *> m_running;
};
