#include "sortengine.h"

#include "activityframe.h"
#include "formregistry.h"
#include "randomsource.h"
#include "setupactivityscreen.h"
#include "sortbank.h"

#include <algorithm>
#include <utility>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Black(0, 0, 0);
const QColor DarkBlue(0, 0, 192);
const QColor ScreenColour(49, 135, 215);

// The marks grow from nothing to full width 15 twips a tick; a tick past 735 stops them.
constexpr float MarkStep = 15.0f;
constexpr float MarkFull = 735.0f;
constexpr int ShufflePasses = 10;
constexpr float PhrasePadding = SortPhrasePadding;

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
    label.setShrinkToFit(true);
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
    // A long phrase is set smaller rather than cut off or run into the border.
    box.setPadding(PhrasePadding);
    box.setMiddle(true);
    box.setShrinkToFit(true);
}

QString cue(const char *path)
{
    return QString::fromLatin1(path);
}

} // namespace

SortScreen::SortScreen(AppContext &context, const SortActivity &activity)
    : Screen(context, QString::fromLatin1(activity.id))
    , m_activity(activity)
    , m_from(std::size_t(activity.phraseCount))
    , m_fromTarget(std::size_t(activity.phraseCount), -1)
{
    caption = QString::fromUtf8(activity.caption);
    buildDesign();
}

SortScreen::~SortScreen()
{
    endVisit();
}

void SortScreen::endVisit()
{
    if (VisitLog *visit = std::exchange(m_visit, nullptr))
        visit->visitEnded();
}

void SortScreen::firstAnswer(bool right)
{
    if (!m_answered && m_visit)
        m_visit->answered(right);
    m_answered = true;
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
    restart.setMiddle(true); // it looks and works like a button: its word in the middle
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
        slot(i).visible = true; // every slot lies wholly on the screen (the layouts are tested for it)
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
    m_setCount = int(bank->sets.size());
    m_dealing = true;
    if (!m_visit) {
        m_visit = &visits();
        m_visit->visitStarted(QString::fromLatin1(m_activity.id), caption);
    }
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
    int set = random.below(m_setCount);
    if (set == state().LastItem)
        set = (set + 1) % m_setCount;
    state().LastItem = set;
    m_answered = false;
    if (m_visit)
        m_visit->itemShown(set);

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
        m_from[std::size_t(i)] = QPointF(home(i).left, home(i).top);
        m_fromTarget[std::size_t(i)] = count() + i;
    }
}

void SortScreen::Label2_MouseDown(int index, int button, int, float, float)
{
    if (button != MouseButton::Left)
        return;
    // The phrase in hand is drawn over the others, and can go back here if it is let go
    // where it may not rest.
    bringToFront(phrase(index));
    m_from[std::size_t(index)] = QPointF(phrase(index).left, phrase(index).top);
    m_fromTarget[std::size_t(index)] = targetOf(index);
}

void SortScreen::Label2_MouseMove(int index, int button, int, float x, float y)
{
    if (button != MouseButton::Left)
        return;
    // The phrase's centre jumps to the pointer and follows it.
    Control &p = phrase(index);
    const float left = p.left;
    const float top = p.top;
    p.left = p.left + x - p.width / 2;
    p.top = p.top + y - p.height / 2;
    keepOnScreen(p);
    if (p.left != left || p.top != top)
        hideVerdict();
}

void SortScreen::keepOnScreen(Control &p) const
{
    // A phrase in hand stays wholly on the screen: one dragged half off it could be let
    // go as a sliver that is hard to pick up on a whiteboard.
    p.left = std::clamp(p.left, 0.0f, std::max(0.0f, width - p.width));
    p.top = std::clamp(p.top, 0.0f, std::max(0.0f, height - p.height));
}

void SortScreen::hideVerdict()
{
    // The verdict and its mark speak of an arrangement that is no longer on the screen.
    if (!label("Label6").visible && !label("imgtick").visible && !label("imgcross").visible)
        return;
    label("Label6").visible = false;
    label("imgtick").visible = false;
    label("imgcross").visible = false;
    stopMarks();
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
    m_from[std::size_t(index)] = QPointF(p.left, p.top);
    m_fromTarget[std::size_t(index)] = targetOf(index);
    p.left = left;
    p.top = top;
    dropPhrase(index);
}

void SortScreen::dropPhrase(int index)
{
    Control &p = phrase(index);
    const QPointF from = m_from[std::size_t(index)];
    const int fromTarget = m_fromTarget[std::size_t(index)];
    const int t = snapTarget(p);
    const bool rests = t >= 0 ? placeInto(index, t) : restsClear(index);
    if (!rests)
        goBack(index);
    // A dustbin or notepad it left closes up its rows.
    if (fromTarget >= 0 && holdsSeveral(fromTarget) && targetOf(index) != fromTarget)
        layOutRows(fromTarget, phrasesIn(fromTarget, -1));
    if (QPointF(p.left, p.top) != from)
        hideVerdict();
    // The next drop without a press (a tap's second half, the keyboard) starts from here.
    m_from[std::size_t(index)] = QPointF(p.left, p.top);
    m_fromTarget[std::size_t(index)] = targetOf(index);

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

int SortScreen::snapTarget(const Control &p) const
{
    // Slot i, then home box i, for i = 0, 1, ...: the first window holding the corner.
    for (int i = 0; i < count(); ++i) {
        if (inDropWindow(p, slot(i)))
            return i;
        if (inDropWindow(p, home(i)))
            return count() + i;
    }
    return -1;
}

bool SortScreen::holdsSeveral(int t) const
{
    return t >= 0 && t < count() && slot(t).height >= 2 * phrase(0).height;
}

QRectF SortScreen::rowArea(int t) const
{
    // The slot less the captions inside it: the largest band above or below them.
    const Control &box = slot(t);
    float top = box.top;
    float bottom = box.top + box.height;
    for (const auto &control : controls()) {
        if (control->name() != QLatin1String("Label5") || !control->visible || !box.rect().contains(control->rect()))
            continue;
        const float above = control->top - top;
        const float below = bottom - (control->top + control->height);
        if (above >= below)
            bottom = control->top;
        else
            top = control->top + control->height;
    }
    return QRectF(box.left, top, box.width, std::max(0.0f, bottom - top));
}

int SortScreen::capacity(int t) const
{
    if (!holdsSeveral(t))
        return 1;
    const float rowHeight = phrase(0).height;
    return std::max(1, int((rowArea(t).height() + RowGap) / (rowHeight + RowGap)));
}

QPointF SortScreen::restingPlace(int t, const Control &p) const
{
    const Control &box = target(t);
    const bool centre = t < count() && m_activity.snap == SortSnap::Centre;
    return QPointF(box.left, centre ? (box.height - p.height) / 2 + box.top : box.top);
}

int SortScreen::targetOf(int index) const
{
    const Control &p = phrase(index);
    if (!p.visible)
        return -1;
    for (int t = 0; t < 2 * count(); ++t) {
        if (holdsSeveral(t)) {
            const QRectF rows = rowArea(t);
            if (p.left == target(t).left && p.top >= rows.top() && p.top + p.height <= rows.bottom())
                return t;
        } else if (QPointF(p.left, p.top) == restingPlace(t, p)) {
            return t;
        }
    }
    return -1;
}

std::vector<int> SortScreen::phrasesIn(int t, int except) const
{
    // In the order they stand, top to bottom.
    std::vector<int> in;
    for (int i = 0; i < count(); ++i) {
        if (i != except && targetOf(i) == t)
            in.push_back(i);
    }
    std::stable_sort(in.begin(), in.end(), [this](int a, int b) { return phrase(a).top < phrase(b).top; });
    return in;
}

int SortScreen::occupant(int t, int except) const
{
    const std::vector<int> in = phrasesIn(t, except);
    return in.empty() ? -1 : in.front();
}

void SortScreen::layOutRows(int t, const std::vector<int> &order)
{
    // Centred in the band as a block, one phrase under another.
    const QRectF rows = rowArea(t);
    const float rowHeight = phrase(0).height;
    const float block = float(order.size()) * rowHeight + float(std::max<std::size_t>(order.size(), 1) - 1) * RowGap;
    float top = float(rows.top()) + (float(rows.height()) - block) / 2;
    for (const int i : order) {
        phrase(i).left = slot(t).left;
        phrase(i).top = top;
        top += rowHeight + RowGap;
    }
}

bool SortScreen::placeInto(int index, int t)
{
    Control &p = phrase(index);
    if (holdsSeveral(t)) {
        std::vector<int> order = phrasesIn(t, index);
        if (int(order.size()) >= capacity(t))
            return false;
        order.push_back(index);
        layOutRows(t, order);
    } else {
        const int there = occupant(t, index);
        // A phrase already in its own home box stays; the newcomer goes back.
        if (there >= 0 && t == count() + there)
            return false;
        const QPointF place = restingPlace(t, p);
        p.left = float(place.x());
        p.top = float(place.y());
        if (there >= 0) {
            std::vector<bool> moved(std::size_t(count()), false);
            moved[std::size_t(index)] = true;
            sendHome(there, index, moved);
        }
    }
    PlayCue(cue(ThudCue));
    return true;
}

void SortScreen::sendHome(int index, int dropped, std::vector<bool> &moved)
{
    // A phrase sent home may find another phrase in its home box: that one goes to its own
    // home first. The phrase just dropped keeps its place; one whose home it took goes to
    // where the dropped phrase came from, which it has just left.
    moved[std::size_t(index)] = true;
    Control &p = phrase(index);
    // In transit it lies in no target, so it is nobody's occupant meanwhile.
    p.left = -p.width - 1;
    p.top = -p.height - 1;
    QPointF place(home(index).left, home(index).top);
    for (const int there : phrasesIn(count() + index, index)) {
        if (there == dropped)
            place = m_from[std::size_t(dropped)];
        else if (!moved[std::size_t(there)])
            sendHome(there, dropped, moved);
    }
    p.left = float(place.x());
    p.top = float(place.y());
}

bool SortScreen::restsClear(int index) const
{
    // Wholly on the screen, over no button and not where a verdict appears, and hiding no
    // target and no other phrase, so that nothing dropped later can land on it either.
    const Control &p = phrase(index);
    const QRectF rect = p.rect();
    if (!PickAndPlace::isClearPlace(*this, rect) || label("Label6").rect().intersects(rect))
        return false;
    for (int i = 0; i < count(); ++i) {
        if (i != index && phrase(i).visible && phrase(i).rect().intersects(rect))
            return false;
    }
    for (int t = 0; t < 2 * count(); ++t) {
        const Control &box = target(t);
        if (!box.visible)
            continue;
        const QRectF taken = holdsSeveral(t) ? box.rect() : QRectF(restingPlace(t, p), p.rect().size());
        if (taken.intersects(rect) || box.rect().intersects(rect))
            return false;
    }
    return true;
}

void SortScreen::goBack(int index)
{
    Control &p = phrase(index);
    const QPointF from = m_from[std::size_t(index)];
    const int fromTarget = m_fromTarget[std::size_t(index)];
    p.left = float(from.x());
    p.top = float(from.y());
    // Back into the dustbin or notepad it came from, in its old row.
    if (fromTarget >= 0 && holdsSeveral(fromTarget))
        layOutRows(fromTarget, phrasesIn(fromTarget, -1));
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
    firstAnswer(right);
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
    // Where every release is marked, that first mark was the answer; Check only looks again.
    if (!m_activity.markEveryRelease)
        firstAnswer(right);
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
    endVisit();
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
