#include "shotplan.h"

#include "choiceactivities.h"
#include "choicescreen.h"
#include "registerforms.h"

namespace {

// Fires a timer until it stops itself (a mark that has grown to its full size), at most
// `limit` times.
void runOut(Form &form, const char *name, int limit = 200)
{
    Timer *timer = form.timer(QString::fromLatin1(name));
    for (int i = 0; timer && timer->enabled && i < limit; ++i)
        timer->fire();
}

Form *openChoice(ShotProgram &program, const QString &id, int record)
{
    auto *screen = program.forms.get<ChoiceScreen>(id);
    if (!screen)
        return nullptr;
    screen->Show();
    // No "same as last time" step: the record asked for is the record dealt.
    program.state.LastItem = -1;
    program.random.queueIndex(record, screen->activity().itemCount);
    screen->timer(QStringLiteral("Timer1"))->fire();
    return screen;
}

bool clickRightAnswer(Form &form)
{
    auto &screen = dynamic_cast<ChoiceScreen &>(form);
    for (int i = 0; i < screen.activity().rules.optionCount; ++i) {
        if (screen.isCorrect(i)) {
            screen.ctl(QStringLiteral("Label5"), i).press();
            runOut(form, "tmrtick");
            runOut(form, "tmrcross");
            return true;
        }
    }
    return false;
}

bool pressAnswerButton(Form &form)
{
    dynamic_cast<ChoiceScreen &>(form).ctl(QStringLiteral("cmdsoln")).press();
    return true;
}

} // namespace

double DealingRandom::next()
{
    if (m_values.empty())
        return 0.0;
    const double value = m_values.front();
    m_values.pop_front();
    return value;
}

ShotProgram::ShotProgram()
{
    registerForms(context);
}

QList<ShotPlan> choicePlans()
{
    QList<ShotPlan> plans;
    for (const ChoiceActivity &activity : choiceActivities()) {
        const QString id = activity.id;
        QList<ShotStep> steps;
        if (activity.rules.answerButton)
            steps.append({QStringLiteral("answer-button"), pressAnswerButton});
        steps.append({QStringLiteral("answered"), clickRightAnswer});
        plans.append({id, activity.itemCount,
                      [id](ShotProgram &program, int record) { return openChoice(program, id, record); }, steps});
    }
    return plans;
}

QList<ShotPlan> allPlans()
{
    // The drag engines add theirs here: an activity id, how to open it on a record, and
    // the steps (pick up, drop, check) as ShotSteps.
    return choicePlans();
}

int shownTextLength(const Form &form)
{
    int length = 0;
    for (const auto &control : form.controls()) {
        if (control->visible && control->kind == ControlKind::Label)
            length += int(control->caption().size());
    }
    return length;
}
