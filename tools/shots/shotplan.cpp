#include "shotplan.h"

#include "choiceactivities.h"
#include "choicescreen.h"
#include "registerforms.h"
#include "slotactivities.h"
#include "slotengine.h"
#include "sortactivities.h"
#include "sortengine.h"

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

Form *openSort(ShotProgram &program, const SortActivity &activity, int record)
{
    auto *screen = program.forms.get<SortScreen>(QString::fromLatin1(activity.id));
    if (!screen)
        return nullptr;
    screen->Show();
    program.state.LastItem = -1;
    program.random.queueIndex(record, activity.setCount);
    screen->timer(QStringLiteral("Timer1"))->fire();
    return screen;
}

// Every phrase dropped on the first slot that holds several (or on slot 0): the rows of a
// dustbin or notepad, a full one turning phrases back, or one slot sending each previous
// phrase home.
bool crowdOneSlot(Form &form)
{
    auto &screen = dynamic_cast<SortScreen &>(form);
    const int n = screen.activity().phraseCount;
    int crowded = 0;
    for (int t = 0; t < n; ++t) {
        if (screen.holdsSeveral(t)) {
            crowded = t;
            break;
        }
    }
    const Control &slot = screen.ctl(QStringLiteral("Label1"), crowded);
    for (int i = 0; i < n; ++i)
        screen.dropPhraseAt(i, slot.left, slot.top);
    return true;
}

// Phrases let go past the left edge, on Next, on Exit and in the bottom right corner: each
// goes back to where it was.
bool dropOnEdgesAndButtons(Form &form)
{
    auto &screen = dynamic_cast<SortScreen &>(form);
    const int n = screen.activity().phraseCount;
    const Control &next = screen.ctl(QStringLiteral("cmdgo"));
    const Control &exit = screen.ctl(QStringLiteral("cmdexit"));
    const QPointF spots[] = {{-3000, 4500}, {next.left, next.top}, {exit.left, exit.top}, {11000, 8800}};
    int k = 0;
    for (const QPointF &spot : spots)
        screen.dropPhraseAt(k++ % n, float(spot.x()), float(spot.y()));
    return true;
}

// Phrase i in slot i (or as many as the slots take), then Check where it shows.
bool arrangeAndCheck(Form &form)
{
    auto &screen = dynamic_cast<SortScreen &>(form);
    const int n = screen.activity().phraseCount;
    for (int i = n - 1; i >= 0; --i) {
        const Control &slot = screen.ctl(QStringLiteral("Label1"), i);
        screen.dropPhraseAt(i, slot.left, slot.top);
    }
    if (screen.ctl(QStringLiteral("cmdcheckit")).visible)
        screen.cmdcheckit_Click();
    runOut(form, "tmrtick");
    runOut(form, "tmrcross");
    return true;
}

Form *openSlot(ShotProgram &program, const SlotActivity &activity, int record)
{
    auto *screen = program.forms.get<SlotScreen>(QString::fromLatin1(activity.id));
    if (!screen)
        return nullptr;
    screen->Show();
    // The records come in order: Next deals the one after ItemCounter.
    program.state.ItemCounter = record - 1;
    screen->timer(QStringLiteral("Timer1"))->fire();
    return screen;
}

// Every word of the sentence placed in the first box, one after another.
bool everyWordInOneBox(Form &form)
{
    auto &screen = dynamic_cast<SlotScreen &>(form);
    for (int i = 0; i < screen.wordCount(); ++i)
        screen.placeWord(i, 0);
    runOut(form, "tmrtick");
    runOut(form, "tmrcross");
    return true;
}

// The first words dragged onto Next, past the right edge and onto the last box.
bool dragWordsAnywhere(Form &form)
{
    auto &screen = dynamic_cast<SlotScreen &>(form);
    if (screen.wordCount() < 3)
        return false;
    const Control &next = screen.ctl(QStringLiteral("cmdgo"));
    const Control &box = screen.ctl(QStringLiteral("Label5"), screen.boxCount() - 1);
    screen.dropWord(0, next.left, next.top);
    screen.dropWord(1, 11900, 5000);
    screen.dropWord(2, box.left + 100, box.top + 100);
    runOut(form, "tmrtick");
    runOut(form, "tmrcross");
    return true;
}

} // namespace

QList<ShotPlan> dragPlans()
{
    QList<ShotPlan> plans;
    for (const SortActivity &activity : sortActivities()) {
        const SortActivity *row = &activity;
        plans.append({QString::fromLatin1(activity.id), activity.setCount,
                      [row](ShotProgram &program, int record) { return openSort(program, *row, record); },
                      {{QStringLiteral("crowded"), crowdOneSlot},
                       {QStringLiteral("edges-and-buttons"), dropOnEdgesAndButtons},
                       {QStringLiteral("checked"), arrangeAndCheck}}});
    }
    for (const SlotActivity &activity : slotActivities()) {
        const SlotActivity *row = &activity;
        plans.append({QString::fromLatin1(activity.id), activity.recordCount,
                      [row](ShotProgram &program, int record) { return openSlot(program, *row, record); },
                      {{QStringLiteral("dragged"), dragWordsAnywhere}, {QStringLiteral("all-in-one-box"), everyWordInOneBox}}});
    }
    return plans;
}

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
    context.speech = [this]() -> Speech * { return &speech; };
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
    return choicePlans() + dragPlans();
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
