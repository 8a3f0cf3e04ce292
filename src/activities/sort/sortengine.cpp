#include "sortengine.h"

#include "activityframe.h"
#include "formregistry.h"
#include "randomsource.h"
#include "setupactivityscreen.h"
#include "sortbank.h"

#include <algorithm>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Black(0, 0, 0);
const QColor DarkBlue(0, 0, 192);
const QColor ScreenColour(49, 135, 215);

// The marks grow from nothing to full width 15 twips a tick; a tick past 735 stops them.
constexpr float MarkStep = 15.0f;
constexpr float MarkFull = 735.0f;
constexpr int ShufflePasses = 10;

const char *const ThudCue = "wav\\thud3.wav";
const char *const CashCue = "wav\\cash.wav";
const char *const BoinkCue = "wav\\boink.wav";
const char *const ClickCue = "wav\\click.wav";

void place(Control &control, const SortBox &box)
{
    control.left = box.left;
    control.top = box.top;
    control.width = box.width;
    control.height = box.height;
}

// A transparent label showing designed text.
Control &addText(Form &form, const QString &name, int index, const SortText &text)
{
    Control &label = form.add(ControlKind::Label, name, index);
    place(label, text.box);
    label.opaque = false;
    label.foreColor = text.color;
    label.alignment = text.align;
    label.tabStop = false;
    label.setFont(text.font);
    label.setCaption(QString::fromUtf8(text.caption));
    return label;
}

// The look phrases and slots share: yellow on black in a single border, centred.
void stylePhraseBox(Control &box, const FontSpec &font)
{
    box.opaque = true;
    box.backColor = Black;
    box.foreColor = Yellow;
    box.border = true;
    box.alignment = TextAlign::Center;
    box.tabStop = false;
    box.setFont(font);
}

QString cue(const char *path)
{
    return QString::fromLatin1(path);
}

} // namespace

SortScreen::SortScreen(AppContext &context, const SortActivity &activity)
    : Screen(context, QString::fromLatin1(activity.id))
    , m_activity(activity)
{
    caption = QString::fromUtf8(activity.caption);
    buildDesign();
}

void SortScreen::buildDesign()
{
    addActivityFrameControls(*this);
    label("cmdsoln").visible = false;
    label("cmdcheckit").visible = false;

    addText(*this, QStringLiteral("Label7"), -1, m_activity.instruction);
    addText(*this, QStringLiteral("Label6"), -1, m_activity.result).visible = false;
    if (m_activity.theme)
        addText(*this, QStringLiteral("Label8"), -1, *m_activity.theme);
    for (int i = 0; i < int(m_activity.captions.size()); ++i)
        addText(*this, QStringLiteral("Label5"), m_activity.captionArray ? i : -1, m_activity.captions[i]);

    for (int i = 0; i < count(); ++i) {
        Control &target = add(ControlKind::Label, QStringLiteral("Label1"), i);
        place(target, m_activity.slotBoxes[i]);
        stylePhraseBox(target, m_activity.phraseFont);
    }
    for (int i = 0; i < count(); ++i) {
        Control &box = add(ControlKind::Label, QStringLiteral("Label4"), i);
        box.opaque = false;
        box.border = true;
        box.tabStop = false;
    }

    Control &restart = add(ControlKind::Label, QStringLiteral("Label3"));
    place(restart, m_activity.restart.box);
    restart.opaque = true;
    restart.backColor = DarkBlue;
    restart.foreColor = Yellow;
    restart.border = true;
    restart.alignment = TextAlign::Center;
    restart.setFont(FontSpec{QStringLiteral("Tahoma"), 15.75f, true});
    restart.setCaption(QString::fromUtf8(m_activity.restart.caption));
    restart.visible = m_activity.restartVisible;
    restart.onClick = [this](int) { Label3_Click(); };

    // The phrases come last, so they are drawn over every slot and caption.
    for (int i = 0; i < count(); ++i) {
        Control &text = add(ControlKind::Label, QStringLiteral("Label2"), i);
        place(text, m_activity.phrases[i]);
        stylePhraseBox(text, m_activity.phraseFont);
        text.visible = false;
        text.onMouseDown = [this](int index, int button, int shift, float x, float y) {
            Label2_MouseDown(index, button, shift, x, y);
        };
        text.onMouseMove = [this](int index, int button, int shift, float x, float y) {
            Label2_MouseMove(index, button, shift, x, y);
        };
        text.onMouseUp = [this](int index, int button, int shift, float x, float y) {
            Label2_MouseUp(index, button, shift, x, y);
        };
    }

    label("cmdcheckit").onClick = [this](int) { cmdcheckit_Click(); };
    label("cmdgo").onClick = [this](int) { cmdgo_Click(); };
    label("cmdsoln").onClick = [this](int) { cmdsoln_Click(); };
    label("cmdexit").onClick = [this](int) { cmdexit_Click(); };
    timer(QStringLiteral("Timer1"))->onTimer = [this] { Timer1_Timer(); };
    timer(QStringLiteral("tmrtick"))->onTimer = [this] { tmrtick_Timer(); };
    timer(QStringLiteral("tmrcross"))->onTimer = [this] { tmrcross_Timer(); };
    attachPicker();
}

void SortScreen::attachPicker()
{
    // A slot is called after the caption set inside it ("Dustbin", "Notepad 1"), or by
    // its number.
    std::vector<Control *> targets;
    for (int i = 0; i < count(); ++i) {
        Control &target = slot(i);
        target.accessibleName = QStringLiteral("Slot %1").arg(i + 1);
        for (const auto &control : controls()) {
            if (control->name() == QLatin1String("Label5") && target.rect().contains(control->rect()))
                target.accessibleName = control->caption().trimmed();
        }
        targets.push_back(&target);
    }
    for (int i = 0; i < count(); ++i) {
        home(i).accessibleName = QStringLiteral("Home box %1").arg(i + 1);
        targets.push_back(&home(i));
    }
    m_picker.attach(*this, QStringLiteral("Label2"), count(), std::move(targets), count(), [this](int item, int target) {
        const Control &place = target < count() ? slot(target) : home(target - count());
        dropPhraseAt(item, place.left, place.top);
    });
}

void SortScreen::Form_Load()
{
    SetupActivityScreen(*this);
    backColor = ScreenColour;
    state().SortCount = count();
    for (int i = 0; i < count(); ++i) {
        // The home boxes outline the phrases' designed places; the slots are empty outlines.
        Control &box = home(i);
        const Control &text = phrase(i);
        box.width = text.width;
        box.height = text.height;
        box.left = text.left;
        box.top = text.top;
        slot(i).setCaption(QString());
        phrase(i).setCaption(QString());
        slot(i).opaque = false;
        // The spare slots some designs keep below the bottom edge (so every phrase has a
        // slot) still take drops, but a clipped outline there would only puzzle the class.
        slot(i).visible = slot(i).top + slot(i).height <= height;
    }
    // Phrase 0 appears with the first set.
    for (int i = 1; i < count(); ++i) {
        phrase(i).visible = true;
        home(i).visible = true;
    }
    state().ItemBank.clear(0, 99);
    timer(QStringLiteral("Timer1"))->enabled = true;
}

void SortScreen::Timer1_Timer()
{
    timer(QStringLiteral("Timer1"))->enabled = false;
    ContentProblems problems;
    const std::optional<SortBank> bank =
        loadBank<SortBank>(context().assets, QString::fromLatin1(m_activity.id), m_activity.parse, problems);
    // Problems with a bank that still loaded are a teacher's copy that was set aside.
    reportContentProblems(problems);
    if (!bank) {
        label("Label7").setCaption(QStringLiteral("The questions for this activity could not be loaded."));
        for (int i = 0; i < count(); ++i)
            phrase(i).visible = false;
        return;
    }
    storeSortBank(m_activity, *bank, state());
    m_dealing = true;
    ShowNextSet();
}

void SortScreen::ShowNextSet()
{
    Control &tick = label("imgtick");
    Control &cross = label("imgcross");
    tick.visible = false;
    cross.visible = false;
    label("cmdcheckit").visible = false;
    tick.width = 0;
    cross.width = 0;
    sendPhrasesHome();

    RandomSource &random = context().random;
    random.reseed();
    int set = random.below(m_activity.setCount);
    if (set == state().LastItem)
        set = (set + 1) % m_activity.setCount;
    state().LastItem = set;

    QStringList list;
    for (int i = 0; i < count(); ++i)
        list << setPhrase(set, i);
    if (m_activity.heading == SortHeading::SlotCaptions) {
        for (int i = 0; i < m_activity.headCount; ++i)
            ctl(QStringLiteral("Label5"), i).setCaption(setHeading(set, i));
    } else if (m_activity.heading == SortHeading::Theme) {
        label("Label8").setCaption(QStringLiteral("THEME: ") + setHeading(set, 0));
    }

    if (m_activity.shuffled) {
        random.reseed();
        for (int pass = 0; pass < ShufflePasses; ++pass) {
            for (int i = 0; i < count(); ++i)
                list.swapItemsAt(i, random.below(count()));
        }
    }

    // A set with fewer phrases than the screen has leaves the rest hidden, box and all.
    for (int i = 0; i < count(); ++i) {
        phrase(i).setCaption(list[i]);
        const bool shown = !list[i].isEmpty();
        phrase(i).visible = shown;
        home(i).visible = shown;
    }
}

void SortScreen::sendPhrasesHome()
{
    for (int i = 0; i < count(); ++i) {
        phrase(i).left = home(i).left;
        phrase(i).top = home(i).top;
    }
}

void SortScreen::Label2_MouseDown(int index, int button, int, float, float)
{
    // The phrase in hand is drawn over the others.
    if (button == MouseButton::Left)
        bringToFront(phrase(index));
}

void SortScreen::Label2_MouseMove(int index, int button, int, float x, float y)
{
    if (button != MouseButton::Left)
        return;
    // The phrase's centre jumps to the pointer and follows it.
    Control &p = phrase(index);
    p.left = p.left + x - p.width / 2;
    p.top = p.top + y - p.height / 2;
    keepOnScreen(p);
}

void SortScreen::keepOnScreen(Control &p) const
{
    // A phrase dragged off the screen could never be picked up again: its top left stays
    // on the screen, far enough from the right and bottom edges to leave a piece to touch.
    p.left = std::clamp(p.left, 0.0f, width - GrabMargin);
    p.top = std::clamp(p.top, 0.0f, height - GrabMargin);
}

void SortScreen::Label2_MouseUp(int index, int, int, float, float)
{
    // Any button's release drops the phrase, even one that did not drag it.
    dropPhrase(index);
}

void SortScreen::dropPhraseAt(int index, float left, float top)
{
    Control &p = phrase(index);
    if (!p.visible)
        return;
    p.left = left;
    p.top = top;
    keepOnScreen(p);
    dropPhrase(index);
}

void SortScreen::dropPhrase(int index)
{
    Control &p = phrase(index);
    // A snap moves the phrase out of every later window (each layout is checked for
    // this), so the first window that holds it is the only one.
    for (int i = 0; i < count(); ++i) {
        if (snapInto(p, slot(i), m_activity.snap) || snapInto(p, home(i), SortSnap::Top))
            break;
    }
    const int placed = placedPairs();
    if (m_activity.markEveryRelease)
        markRelease(index);
    // Once shown, Check stays until Restart or Next, even if phrases leave their slots.
    if (placed == m_activity.placedToComplete)
        label("cmdcheckit").visible = true;
}

bool SortScreen::inDropWindow(const Control &phrase, const Control &target)
{
    const float fromLeft = target.left - target.width / 2;
    const float toRight = target.width + target.left;
    const float fromTop = target.top - target.height / 2;
    const float toBottom = target.height + target.top;
    return fromLeft < phrase.left && toRight > phrase.left && fromTop < phrase.top && toBottom > phrase.top;
}

bool SortScreen::snapInto(Control &p, const Control &target, SortSnap snap)
{
    if (!inDropWindow(p, target))
        return false;
    p.left = target.left;
    p.top = snap == SortSnap::Centre ? (target.height - p.height) / 2 + target.top : target.top;
    PlayCue(cue(ThudCue));
    return true;
}

int SortScreen::placedPairs() const
{
    const bool topToo = m_activity.placed == SortPlaced::LeftAndTop;
    int pairs = 0;
    for (int i = 0; i < count(); ++i) {
        const Control &p = phrase(i);
        for (int j = 0; j < count(); ++j) {
            const Control &target = slot(j);
            if (p.left == target.left && (!topToo || p.top == target.top))
                ++pairs;
        }
    }
    return pairs;
}

bool SortScreen::arrangementIsRight() const
{
    const int set = state().LastItem;
    if (m_activity.check == SortCheck::InOrder) {
        int score = 0;
        for (int i = 0; i < count(); ++i) {
            const Control &target = slot(i);
            const QString wanted = setPhrase(set, i);
            for (int j = 0; j < count(); ++j) {
                const Control &p = phrase(j);
                if (p.left == target.left && p.top == target.top && p.caption() == wanted)
                    ++score;
            }
        }
        return score == count();
    }

    // Exactly the chosen few in slots, and nothing else.
    const int few = m_activity.placedToComplete;
    QStringList oddOnes;
    QList<int> keys;
    if (m_activity.check == SortCheck::OddOnesOut) {
        for (int i = count() - few; i < count(); ++i)
            oddOnes << setPhrase(set, i);
    } else {
        for (int j = 0; j < few; ++j)
            keys << setKey(set, j);
    }
    int hits = 0;
    int chosen = 0;
    for (int i = 0; i < count(); ++i) {
        const Control &target = slot(i);
        for (int j = 0; j < count(); ++j) {
            const Control &p = phrase(j);
            if (p.left != target.left)
                continue;
            ++hits;
            if (m_activity.check == SortCheck::OddOnesOut ? oddOnes.contains(p.caption()) : keys.contains(j))
                ++chosen;
        }
    }
    return hits == few && chosen == few;
}

void SortScreen::startMark(bool right)
{
    // Only the latest verdict's mark grows: a mark still growing from an earlier verdict
    // would otherwise show over it.
    timer(QStringLiteral("tmrtick"))->enabled = right;
    timer(QStringLiteral("tmrcross"))->enabled = !right;
}

void SortScreen::markRelease(int index)
{
    if (!m_dealing)
        return;
    const bool right = setKey(state().LastItem, 0) == index;
    startMark(right);
    Control &message = label("Label6");
    message.setCaption(right ? QStringLiteral("Correct") : QStringLiteral("Wrong"));
    if (!right)
        label("Label3").visible = true;
    message.visible = true;
}

void SortScreen::cmdcheckit_Click()
{
    if (!m_dealing)
        return;
    const bool right = arrangementIsRight();
    startMark(right);
    Control &message = label("Label6");
    if (right) {
        message.setCaption(QStringLiteral("Correct, Well Done!"));
        PlayCue(cue(CashCue));
    } else {
        message.setCaption(QStringLiteral("Try Again"));
        label("Label3").visible = true;
        PlayCue(cue(BoinkCue));
    }
    message.visible = true;
}

void SortScreen::stopMarks()
{
    timer(QStringLiteral("tmrtick"))->enabled = false;
    timer(QStringLiteral("tmrcross"))->enabled = false;
}

void SortScreen::Label3_Click()
{
    m_picker.clear();
    label("Label6").visible = false;
    label("imgcross").visible = false;
    label("imgtick").visible = false;
    label("cmdcheckit").visible = false;
    sendPhrasesHome();
    // A mark still growing would otherwise reappear over the restarted set.
    stopMarks();
}

void SortScreen::cmdgo_Click()
{
    m_picker.clear();
    for (int i = 0; i < count(); ++i)
        phrase(i).visible = false;
    stopMarks();
    label("imgtick").visible = false;
    label("imgcross").visible = false;
    label("Label6").visible = false;
    if (m_activity.nextHidesRestart)
        label("Label3").visible = false;
    if (m_dealing)
        ShowNextSet();
    PlayCue(cue(ClickCue));
}

void SortScreen::cmdsoln_Click()
{
    label("imgtick").visible = false;
    label("imgcross").visible = false;
    PlayCue(cue(ClickCue));
}

void SortScreen::cmdexit_Click()
{
    m_picker.clear();
    if (Form *menu = forms().get(QString::fromLatin1(m_activity.termMenu)))
        menu->Show();
    Unload();
    PlayCue(cue(ClickCue));
}

void SortScreen::growMark(const char *timerName, const char *growing, const char *other)
{
    Timer &grow = *timer(QString::fromLatin1(timerName));
    Control &mark = label(growing);
    label(other).visible = false;
    mark.visible = true;
    if (mark.width > MarkFull)
        grow.enabled = false;
    else
        mark.width += MarkStep;
}

void SortScreen::tmrtick_Timer()
{
    growMark("tmrtick", "imgtick", "imgcross");
}

void SortScreen::tmrcross_Timer()
{
    growMark("tmrcross", "imgcross", "imgtick");
}

QString SortScreen::setPhrase(int set, int i) const
{
    if (m_activity.layout == SortBankLayout::ParallelBanks)
        return parallelPhrase(state(), i, set);
    return state().ItemBank[m_activity.recordWidth * set + m_activity.headCount + i];
}

QString SortScreen::setHeading(int set, int i) const
{
    return state().ItemBank[m_activity.recordWidth * set + i];
}

int SortScreen::setKey(int set, int j) const
{
    return state().answerKeyNumber(m_activity.keysPerSet * set + j);
}
