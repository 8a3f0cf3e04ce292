#include "timerrunner.h"

#include "form.h"
#include "formregistry.h"
#include "formview.h"

#include <QSet>
#include <QTimer>

namespace {

constexpr int FastestTick = 15;

} // namespace

TimerRunner::TimerRunner(FormRegistry &forms, FormView &view, QObject *parent)
    : QObject(parent)
    , m_forms(forms)
    , m_view(view)
{
}

int TimerRunner::realInterval(int modelInterval)
{
    return modelInterval < FastestTick ? FastestTick : modelInterval;
}

int TimerRunner::runningCount() const
{
    int count = 0;
    for (QTimer *timer : m_running)
        count += timer->isActive() ? 1 : 0;
    return count;
}

void TimerRunner::sync()
{
    QSet<Timer *> live;
    for (Form *form : m_forms.loadedForms()) {
        for (const auto &owned : form->timers()) {
            Timer *model = owned.get();
            live.insert(model);
            QTimer *real = m_running.value(model);
            if (!model->enabled || model->interval <= 0) {
                if (real)
                    real->stop();
                continue;
            }
            if (!real) {
                real = new QTimer(this);
                real->setTimerType(Qt::PreciseTimer);
                connect(real, &QTimer::timeout, this, [this, model] {
                    // The model timer is alive: a timer whose form unloads is dropped by
                    // the sync that follows the unloading event, before the form is deleted.
                    m_view.dispatch([model] { model->fire(); });
                });
                m_running.insert(model, real);
            }
            const int interval = realInterval(model->interval);
            if (real->interval() != interval || !real->isActive())
                real->start(interval);
        }
    }
    for (auto it = m_running.begin(); it != m_running.end();) {
        if (!live.contains(it.key())) {
            it.value()->stop();
            it.value()->deleteLater();
            it = m_running.erase(it);
        } else {
            ++it;
        }
    }
}
