#include "choicescreen.h"

#include "activityframe.h"
#include "choicebank.h"
#include "fonts.h"
#include "formregistry.h"
#include "keyboard.h"
#include "randomsource.h"
#include "setupactivityscreen.h"
#include "textmeasurer.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

namespace {

const QColor Yellow(255, 255, 0);
const QColor White(255, 255, 255);

const QString Options = QStringLiteral("Label5");
const QString Verdict = QStringLiteral("Label6");
const QString Tick = QStringLiteral("imgtick");
const QString Cross = QStringLiteral("imgcross");

// Answer options are set on a single line unless that needs a size smaller than this
// share of the designed one.
constexpr float OneLineShare = 0.9f;

// The largest size of the font's face, from its own size down to the smallest allowed,
// at which fits() holds (0 when none does). Sizes go by whole twips, as the label's own.
float largestFitting(const FontSpec &font, const std::function<bool(const FontSpec &)> &fits)
{
    FontSpec trial = font;
    if (fits(trial))
        return font.pointSize;
    auto points = [](int twips) { return float(twips / TwipsPerPoint); };
    int high = int(std::lround(font.pointSize * TwipsPerPoint));
    int low = std::min(high, int(std::lround(SmallestPointSize * TwipsPerPoint)));
    trial.pointSize = points(low);
    if (!fits(trial))
        return 0;
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        trial.pointSize = points(mid);
        (fits(trial) ? low : high) = mid;
    }
    return points(low);
}

} // namespace

const QString ChoiceScreen::LoadFailedMessage = QStringLiteral("The questions for this activity could not be loaded.");

ChoiceScreen::ChoiceScreen(AppContext &context, ChoiceActivity activity)
    : Screen(context, activity.id)
    , m_activity(std::move(activity))
{
    caption = m_activity.caption;
    addActivityFrameControls(*this);
    ctl(QStringLiteral("cmdsoln")).visible = m_activity.rules.answerButton;
    ctl(QStringLiteral("cmdcheckit")).visible = false;

    for (const LabelSpec &design : m_activity.labels) {
        Control &label = add(ControlKind::Label, design.name, design.index);
        design.applyTo(label);
        label.tabStop = design.name == Options;
    }
    setOptionsAlike();
    keepLabelsClear();
    for (int i = 0; i < m_activity.rules.optionCount; ++i)
        ctl(Options, i).onClick = [this](int index) { Label5_Click(index); };
    addAnswerKeys(*this, Options, m_activity.rules.optionCount);

    ctl(QStringLiteral("cmdgo")).onClick = [this](int) { cmdgo_Click(); };
    ctl(QStringLiteral("cmdsoln")).onClick = [this](int) { cmdsoln_Click(); };
    ctl(QStringLiteral("cmdexit")).onClick = [this](int) { cmdexit_Click(); };
    timer(QStringLiteral("Timer1"))->onTimer = [this] { Timer1_Timer(); };
    timer(QStringLiteral("Timer2"))->onTimer = [this] { Timer2_Timer(); };
    timer(QStringLiteral("tmrtick"))->onTimer = [this] { tmrtick_Timer(); };
    timer(QStringLiteral("tmrcross"))->onTimer = [this] { tmrcross_Timer(); };
}

ChoiceScreen::~ChoiceScreen()
{
    endVisit();
}

void ChoiceScreen::endVisit()
{
    if (VisitLog *visit = std::exchange(m_visit, nullptr))
        visit->visitEnded();
}

void ChoiceScreen::Form_Load()
{
    SetupActivityScreen(*this);
    backColor = m_activity.rules.backColour;
    if (m_activity.rules.resetFlashPhase)
        state().FlashPhase = 0;
    state().ItemBank.clear(0, 99);
    timer(QStringLiteral("Timer1"))->enabled = true;
}

void ChoiceScreen::Timer1_Timer()
{
    ContentProblems problems;
    const std::optional<BankImage> bank = loadChoiceBank(context().assets, m_activity, problems);
    // Problems are reported even when a later copy loaded: a teacher's edit was set aside.
    reportContentProblems(problems);
    if (bank) {
        bank->writeInto(state());
        m_hasBank = true;
        m_records = bank->records;
        if (!m_visit) {
            m_visit = &visits();
            m_visit->visitStarted(m_activity.id, m_activity.caption);
        }
        ShowNextItem();
    } else {
        // Nothing to answer: the options and the answer button go and the prompt says why.
        for (int i = 0; i < m_activity.rules.optionCount; ++i)
            ctl(Options, i).visible = false;
        ctl(QStringLiteral("cmdsoln")).visible = false;
        const ChoiceRules &rules = m_activity.rules;
        Control *prompt = nullptr;
        if (!rules.messageLabel.isEmpty())
            prompt = &ctl(rules.messageLabel);
        else if (!rules.fills.isEmpty())
            prompt = &ctl(rules.fills.first().label, rules.fills.first().index);
        if (prompt) {
            prompt->setCaption(LoadFailedMessage);
            prompt->visible = true;
        }
    }
    timer(QStringLiteral("Timer1"))->enabled = false;
}

void ChoiceScreen::ShowNextItem()
{
    const ChoiceRules &rules = m_activity.rules;
    for (const QString &name : {Tick, Cross}) {
        Control &mark = ctl(name);
        mark.visible = false;
        mark.width = 0;
    }
    ctl(QStringLiteral("cmdcheckit")).visible = false;
    // A mark still growing from the last answer would otherwise come back over the new
    // item, which nobody has answered yet.
    timer(QStringLiteral("tmrtick"))->enabled = false;
    timer(QStringLiteral("tmrcross"))->enabled = false;

    RandomSource &random = context().random;
    random.reseed();
    int r = random.below(m_records);
    if (r == state().LastItem)
        r = (r + 1) % m_records;
    state().LastItem = r;

    for (const LabelFill &fill : rules.fills) {
        QStringList texts;
        for (const SlotRef &source : fill.sources)
            texts << slotText(source, r);
        ctl(fill.label, fill.index).setCaption(fillPlaceholders(fill.format, texts));
    }

    if (rules.options) {
        QStringList option;
        for (int i = 0; i < rules.optionCount; ++i)
            option << slotText({rules.options->store, rules.options->stride, rules.options->offset + i}, r);
        if (rules.shufflePasses > 0) {
            random.reseed();
            for (int pass = 0; pass < rules.shufflePasses; ++pass) {
                for (int j = 0; j < rules.optionCount; ++j)
                    std::swap(option[j], option[random.below(rules.optionCount)]);
            }
        }
        for (int i = 0; i < rules.optionCount; ++i)
            ctl(Options, i).setCaption(option[i]);
    }

    setOptionsAlike();
    keepLabelsClear();
    setVisible(rules.showOnDraw, true);
    for (int i = 0; i < rules.optionCount; ++i)
        ctl(Options, i).visible = true;
    if (rules.arrange)
        rules.arrange(*this, r);
    m_answered = false;
    if (m_visit)
        m_visit->itemShown(r);
}

void ChoiceScreen::keepLabelsClear()
{
    for (const LabelSpec &design : m_activity.labels) {
        Control &label = ctl(design.name, design.index);
        if (design.after.isEmpty() || label.caption().isEmpty())
            continue;
        const Control &above = ctl(design.after);
        float top = design.top;
        if (!above.caption().isEmpty())
            top = std::max(top, float(above.shownTextRect().bottom()) + design.gap);
        const float bottom = design.top + design.height;
        label.setGeometry(design.left, top, design.width, std::max(0.0f, bottom - top));
    }
}

void ChoiceScreen::setOptionsAlike()
{
    const TextMeasurer *measure = measurer();
    std::vector<Control *> options;
    FontSpec designed;
    for (const LabelSpec &design : m_activity.labels) {
        if (design.name != Options || !design.shrinkToFit)
            continue;
        Control &option = ctl(Options, design.index);
        // The designed size again; too long a text is set smaller, wrapped, by the label.
        option.setFont(design.font);
        designed = design.font;
        if (!option.caption().isEmpty())
            options.push_back(&option);
    }
    if (!measure || options.empty())
        return;
    // The size at which every option fits as wrapped, and the size at which every one
    // fits on a single line.
    float wrapped = designed.pointSize;
    float oneLine = designed.pointSize;
    for (const Control *option : options) {
        wrapped = std::min(wrapped, option->shownFont().pointSize);
        const QRectF area = option->textArea();
        oneLine = std::min(oneLine, largestFitting(option->font(), [&](const FontSpec &font) {
            const QSizeF size = measure->measure(font, option->caption(), float(area.width()));
            const qreal line = measure->measure(font, option->caption(), 0).height();
            return size.width() <= area.width() && size.height() <= area.height() && size.height() < line * 1.5;
        }));
    }
    // A single line reads better than a wrapped option of about the same size; wrapping
    // wins only when the single line would be much smaller.
    const bool single = oneLine >= wrapped || oneLine >= OneLineShare * designed.pointSize;
    for (Control *option : options) {
        FontSpec font = option->font();
        font.pointSize = single ? oneLine : wrapped;
        option->setFont(font);
    }
}

QString ChoiceScreen::slotText(const SlotRef &ref, int record) const
{
    return readSlot(state(), ref.store, ref.at(record)).toString();
}

bool ChoiceScreen::isCorrect(int index) const
{
    const SlotRef &correct = m_activity.rules.correct;
    const int r = state().LastItem;
    switch (m_activity.rules.judge) {
    case Judge::Text:
        return ctl(Options, index).caption() == slotText(correct, r);
    case Judge::Number: {
        bool shownIsNumber = false;
        bool storedIsNumber = false;
        const double shown = ctl(Options, index).caption().trimmed().toDouble(&shownIsNumber);
        const double stored = readSlot(state(), correct.store, correct.at(r)).toDouble(&storedIsNumber);
        return shownIsNumber && storedIsNumber && shown == stored;
    }
    case Judge::Element:
        return index == readSlot(state(), correct.store, correct.at(r)).toInt();
    }
    return false;
}

void ChoiceScreen::Label5_Click(int index)
{
    if (!m_hasBank)
        return;
    Control &verdict = ctl(Verdict);
    const bool right = isCorrect(index);
    state().LastAnswerRight = right ? 1 : 0;
    // Only the first answer to an item counts for the class results.
    if (!m_answered && m_visit)
        m_visit->answered(right);
    m_answered = true;
    if (right) {
        timer(QStringLiteral("tmrtick"))->enabled = true;
        verdict.setCaption(QStringLiteral("Correct"));
        verdict.visible = true;
        PlayCue(QStringLiteral("wav\\cash.wav"));
    } else {
        timer(QStringLiteral("tmrcross"))->enabled = true;
        verdict.setCaption(QStringLiteral("Wrong"));
        verdict.visible = true;
        PlayCue(QStringLiteral("wav\\boink.wav"));
    }
    setVisible(m_activity.rules.showOnAnswer, true);
    if (m_activity.rules.blinkCorrect)
        timer(QStringLiteral("Timer2"))->enabled = true;
}

void ChoiceScreen::Timer2_Timer()
{
    int &phase = state().FlashPhase;
    phase += 1;
    if (phase == 2)
        phase = 0;
    for (int i = 0; i < m_activity.rules.optionCount; ++i) {
        if (isCorrect(i))
            ctl(Options, i).backColor = phase == 1 ? Yellow : White;
    }
}

void ChoiceScreen::growMark(const QString &grow, const QString &other, const QString &timerName)
{
    ctl(other).visible = false;
    Control &mark = ctl(grow);
    mark.visible = true;
    if (mark.width > MarkLimit)
        timer(timerName)->enabled = false;
    else
        mark.width += MarkStep;
}

void ChoiceScreen::tmrtick_Timer()
{
    growMark(Tick, Cross, QStringLiteral("tmrtick"));
}

void ChoiceScreen::tmrcross_Timer()
{
    growMark(Cross, Tick, QStringLiteral("tmrcross"));
}

void ChoiceScreen::cmdgo_Click()
{
    timer(QStringLiteral("Timer2"))->enabled = false;
    // Undoes the blink; a round that never blinks leaves its answer labels' colours alone.
    if (m_activity.rules.blinkCorrect) {
        for (int i = 0; i < m_activity.rules.optionCount; ++i)
            ctl(Options, i).backColor = Yellow;
    }
    setVisible({Tick, Cross, Verdict}, false);
    if (m_hasBank) {
        // Without a bank the prompt carries the could-not-load message, which stays.
        setVisible(m_activity.rules.hideOnNext, false);
        ShowNextItem();
    }
    PlayCue(QStringLiteral("wav\\click.wav"));
}

void ChoiceScreen::cmdsoln_Click()
{
    // The answer shown before anyone answered: whatever is clicked next was not found
    // unaided, so the class results count the item as not right first time.
    if (m_activity.rules.answerButton && m_hasBank && !m_answered && m_visit)
        m_visit->answered(false);
    m_answered = true;
    setVisible({Tick, Cross}, false);
    if (m_activity.rules.answerButton && m_hasBank)
        timer(QStringLiteral("Timer2"))->enabled = true;
    setVisible(m_activity.rules.showOnSolution, true);
    PlayCue(QStringLiteral("wav\\click.wav"));
}

void ChoiceScreen::cmdexit_Click()
{
    // Until a term menu exists (or if its name is wrong) Exit still leaves the activity.
    if (Form *menu = forms().get(m_activity.termMenu))
        menu->Show();
    endVisit();
    Unload();
    PlayCue(QStringLiteral("wav\\click.wav"));
}

void ChoiceScreen::setVisible(const QStringList &labels, bool visible)
{
    for (const QString &name : labels)
        ctl(name).visible = visible;
}
