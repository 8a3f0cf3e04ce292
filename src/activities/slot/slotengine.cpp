#include "slotengine.h"

#include "activityframe.h"
#include "formregistry.h"
#include "setupactivityscreen.h"
#include "slotbank.h"

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Slot;

namespace {

const QColor Yellow(255, 255, 0);
const QColor Green(0, 255, 0);
const QColor Orange(255, 128, 0);
const QColor Black(0, 0, 0);
const FontSpec WordFont{QStringLiteral("Tahoma"), 20.25f, true};

constexpr float MarkWidth = 735; // the tick and cross stop growing once wider than this
constexpr float MarkStep = 15;
// Copies that do not fit a box at one size are tried a pixel of a 96 dpi screen smaller.
constexpr float SizeStep = 0.75f;
// The verdict keeps this far from other text, and looks for a free place in these steps.
constexpr float VerdictClearance = 120;
constexpr float VerdictStep = 60;

const QString Word = QStringLiteral("Label7");
const QString Copy = QStringLiteral("Label2");
const QString Overlay = QStringLiteral("Label11");
const QString Box = QStringLiteral("Label5");
const QString Heading = QStringLiteral("Label10");

void place(Control &control, const SlotRect &rect)
{
    control.left = rect.left;
    control.top = rect.top;
    control.width = rect.width;
    control.height = rect.height;
}

Control &addText(Screen &form, const QString &name, int index, const FontSpec &font, QColor colour)
{
    Control &label = form.add(ControlKind::Label, name, index);
    label.foreColor = colour;
    label.opaque = false;
    label.setFont(font);
    return label;
}

} // namespace

std::vector<QPointF> wordPlaces(const std::vector<float> &widths, float lineHeight)
{
    std::vector<QPointF> places;
    std::vector<int> lineOf;
    places.reserve(widths.size());
    int line = 0;
    for (std::size_t k = 0; k < widths.size(); ++k) {
        float left = LineLeft;
        if (k > 0) {
            left = float(places[k - 1].x()) + widths[k - 1] + WordGap;
            if (left + widths[k] > ScreenWidth - LineLeft) {
                ++line;
                left = LineLeft;
            }
        }
        places.emplace_back(left, 0.0);
        lineOf.push_back(line);
    }
    for (std::size_t k = 0; k < places.size(); ++k)
        places[k].setY(LineTop - float(line - lineOf[k]) * lineHeight);
    return places;
}

BoxFlow flowInBox(const SlotRect &box, const std::vector<QSizeF> &sizes, float gap)
{
    BoxFlow flow;
    const float inside = box.width - 2 * BoxInset;
    const float left = box.left + BoxInset;
    float top = box.top + BoxInset;
    std::size_t k = 0;
    while (k < sizes.size()) {
        // A row takes the next copies while they fit side by side, and always one.
        std::size_t end = k + 1;
        float rowWidth = float(sizes[k].width());
        float rowHeight = float(sizes[k].height());
        while (end < sizes.size() && rowWidth + gap + float(sizes[end].width()) <= inside) {
            rowWidth += gap + float(sizes[end].width());
            rowHeight = std::max(rowHeight, float(sizes[end].height()));
            ++end;
        }
        if (rowWidth > inside)
            flow.fits = false;
        float x = left + (inside - rowWidth) / 2;
        for (; k < end; ++k) {
            flow.places.emplace_back(x, top + (rowHeight - float(sizes[k].height())) / 2);
            x += float(sizes[k].width()) + gap;
        }
        top += rowHeight;
    }
    if (top > box.top + box.height - BoxInset)
        flow.fits = false;
    return flow;
}

bool isOnBox(float left, float top, const SlotRect &box)
{
    return box.left - box.width / 2 < left && left < box.left + box.width
        && box.top - box.height / 2 < top && top < box.top + box.height;
}

QString scoreText(int score)
{
    // A number written as text carries a leading space where a minus sign would go.
    return score < 0 ? QString::number(score) : QLatin1Char(' ') + QString::number(score);
}

SlotScreen::SlotScreen(AppContext &context, const SlotActivity &activity)
    : Screen(context, QString::fromLatin1(activity.id))
    , m_activity(activity)
{
    caption = QString::fromUtf8(activity.caption);
    addActivityFrameControls(*this);
    ctl(QStringLiteral("cmdsoln")).visible = false;
    ctl(QStringLiteral("cmdcheckit")).visible = false;

    // Added in stacking order: a word is dragged over the boxes, and the green copy of a
    // placed word lies over the word itself.
    for (int j = 0; j < boxCount(); ++j) {
        Control &box = add(ControlKind::Label, Box, j);
        place(box, activity.boxes[std::size_t(j)]);
        box.opaque = false;
        box.border = true;
        box.visible = false;
    }
    for (std::size_t h = 0; h < activity.headings.size(); ++h) {
        const SlotHeading &heading = activity.headings[h];
        Control &label = addText(*this, Heading, int(h), {QStringLiteral("Tahoma"), 18, true}, Orange);
        label.setAutoSize(true);
        label.setCaption(QString::fromUtf8(heading.caption));
        // One line under its box, centred on its place whatever the face's exact width.
        label.left = heading.place.left + (heading.place.width - label.width) / 2;
        label.top = heading.place.top;
        label.visible = false;
        ctl(Box, int(h)).accessibleName = label.caption();
    }

    Control &instruction = addText(*this, QStringLiteral("Label4"), -1,
                                   {QStringLiteral("Times New Roman"), activity.instructionPointSize, false}, Yellow);
    place(instruction, {120, 120, 9975, 1335});
    instruction.setCaption(QString::fromUtf8(activity.instruction));
    instruction.visible = false;

    Control &scoreCaption = addText(*this, QStringLiteral("Label3"), -1, {QStringLiteral("Times New Roman"), 27.75f, false}, Yellow);
    place(scoreCaption, {4080, 1800, 1815, 630});
    scoreCaption.alignment = TextAlign::Center;
    scoreCaption.setCaption(QStringLiteral("SCORE"));
    scoreCaption.visible = false;

    Control &score = addText(*this, QStringLiteral("Label9"), -1, {QStringLiteral("Tahoma"), 24, true}, Yellow);
    place(score, {4320, 2400, 1275, 735});
    score.backColor = Black;
    score.opaque = true;
    score.border = true;
    score.alignment = TextAlign::Center;
    score.setCaption(QStringLiteral("0"));
    score.visible = false;

    Control &verdict = addText(*this, QStringLiteral("Label1"), -1, {QStringLiteral("Times New Roman"), 36, false}, Yellow);
    place(verdict, activity.feedback);
    verdict.alignment = TextAlign::Center;
    verdict.visible = false;

    for (int i = 0; i < MaxWords; ++i) {
        Control &copy = addText(*this, Copy, i, WordFont, Yellow);
        copy.setAutoSize(true);
        copy.visible = false;
    }
    for (int i = 0; i < MaxWords; ++i) {
        Control &word = addText(*this, Word, i, WordFont, Yellow);
        word.setAutoSize(true);
        word.visible = false;
        word.onMouseMove = [this](int index, int button, int shift, float x, float y) {
            Label7_MouseMove(index, button, shift, x, y);
        };
        word.onMouseUp = [this](int index, int button, int shift, float x, float y) {
            Label7_MouseUp(index, button, shift, x, y);
        };
    }
    for (int i = 0; i < MaxWords; ++i) {
        Control &overlay = addText(*this, Overlay, i, WordFont, Green);
        overlay.setAutoSize(true);
        overlay.visible = false;
    }

    ctl(QStringLiteral("cmdgo")).onClick = [this](int) { cmdgo_Click(); };
    ctl(QStringLiteral("cmdexit")).onClick = [this](int) { cmdexit_Click(); };
    timer(QStringLiteral("Timer1"))->onTimer = [this] { Timer1_Timer(); };
    timer(QStringLiteral("tmrtick"))->onTimer = [this] { tmrtick_Timer(); };
    timer(QStringLiteral("tmrcross"))->onTimer = [this] { tmrcross_Timer(); };

    m_boxOf.fill(-1);
    std::vector<Control *> boxes;
    for (int j = 0; j < boxCount(); ++j) {
        Control &box = ctl(Box, j);
        if (box.accessibleName.isEmpty())
            box.accessibleName = QStringLiteral("Box %1").arg(j + 1);
        boxes.push_back(&box);
    }
    m_picker.attach(*this, Word, MaxWords, std::move(boxes), boxCount(), [this](int item, int box) {
        placeWord(item, box);
    });
}

SlotScreen::~SlotScreen()
{
    endVisit();
}

void SlotScreen::endVisit()
{
    if (VisitLog *visit = std::exchange(m_visit, nullptr))
        visit->visitEnded();
}

void SlotScreen::Form_Load()
{
    SetupActivityScreen(*this);
    backColor = QColor(49, 135, 215);
    SharedState &s = state();
    s.ItemCounter = -1;
    s.FlashPhase = 0;
    s.CheckItem = 0;
    for (int i = 0; i < MaxWords; ++i)
        ctl(Word, i).setCaption(QString());
    s.ItemBank.clear(0, 99);
    m_score = 0;
    ctl(QStringLiteral("Label9")).setCaption(QStringLiteral("0"));
    ctl(QStringLiteral("Label9")).accessibleName = QStringLiteral("Score 0");
    timer(QStringLiteral("Timer1"))->enabled = true;

    ctl(QStringLiteral("Label3")).visible = true;
    for (int j = 0; j < boxCount(); ++j)
        ctl(Box, j).visible = true;
    for (std::size_t h = 0; h < m_activity.headings.size(); ++h)
        ctl(Heading, int(h)).visible = true;
    ctl(QStringLiteral("Label9")).visible = true;
    ctl(QStringLiteral("cmdgo")).visible = true;
}

void SlotScreen::Timer1_Timer()
{
    // Stopped first: a one-shot loader, whatever happens below.
    timer(QStringLiteral("Timer1"))->enabled = false;
    ContentProblems problems;
    const std::optional<SlotBank> bank =
        loadBank<SlotBank>(context().assets, QString::fromLatin1(m_activity.id), m_activity.parse, problems);
    if (!problems.isEmpty())
        reportContentProblems(problems);
    if (!bank) {
        Control &instruction = ctl(QStringLiteral("Label4"));
        instruction.setCaption(QStringLiteral("The questions for this activity could not be loaded."));
        instruction.visible = true;
        ctl(QStringLiteral("cmdgo")).visible = false;
        return;
    }
    storeSlotBank(*bank, state());
    m_recordCount = int(bank->records.size());
    if (!m_visit) {
        m_visit = &visits();
        m_visit->visitStarted(QString::fromLatin1(m_activity.id), caption);
    }
    cmdgo_Click();
}

void SlotScreen::cmdgo_Click()
{
    // Next is hidden on the last record; nothing follows it, whoever asks.
    const int next = state().ItemCounter + 1;
    if (next < 0 || next >= m_recordCount)
        return;
    m_picker.clear();
    m_picker.forgetPickUps();
    m_boxOf.fill(-1);
    m_loose.fill(false);
    for (std::vector<int> &copies : m_copiesIn)
        copies.clear();
    state().FlashPhase = 0;
    ctl(QStringLiteral("Label1")).visible = false;
    for (int i = 0; i < MaxWords; ++i) {
        Control &overlay = ctl(Overlay, i);
        overlay.visible = false;
        overlay.setCaption(QString());
        Control &word = ctl(Word, i);
        word.visible = false;
        word.setCaption(QString());
        word.enabled = true;
        Control &copy = ctl(Copy, i);
        copy.visible = false;
        copy.setShrinkToFit(false);
        copy.setFont(WordFont);
        copy.setCaption(QString());
    }
    ShowNextItem();
    if (state().ItemCounter == m_recordCount - 1)
        ctl(QStringLiteral("cmdgo")).visible = false;
    PlayCue(QStringLiteral("wav\\click.wav"));
}

void SlotScreen::ShowNextItem()
{
    Control &tick = ctl(QStringLiteral("imgtick"));
    Control &cross = ctl(QStringLiteral("imgcross"));
    tick.visible = false;
    cross.visible = false;
    ctl(QStringLiteral("cmdcheckit")).visible = false;
    tick.width = 0;
    cross.width = 0;
    // A mark still growing from the last sentence must not appear over the new one.
    timer(QStringLiteral("tmrtick"))->enabled = false;
    timer(QStringLiteral("tmrcross"))->enabled = false;

    SharedState &s = state();
    s.ItemCounter += 1;
    s.LastItem = s.ItemCounter;
    s.CheckItem = s.LastItem;
    const int r = s.CheckItem;
    if (m_visit)
        m_visit->itemShown(r);

    m_wordCount = cutSentence(Word, s.ItemBank[r]);
    cutSentence(Copy, s.TextBank[r]);
    s.FlashPhase = 0;

    for (const QString &array : {Word, Copy}) {
        const std::vector<QPointF> places = placesOf(array);
        for (int i = 0; i < m_wordCount; ++i) {
            Control &label = ctl(array, i);
            label.left = float(places[std::size_t(i)].x());
            label.top = float(places[std::size_t(i)].y());
        }
    }

    for (int i = 0; i < m_wordCount; ++i)
        ctl(Word, i).visible = true;
    for (int j = 0; j < boxCount(); ++j)
        ctl(Box, j).visible = true;
    ctl(QStringLiteral("Label4")).visible = true;
}

int SlotScreen::cutSentence(const QString &array, const QString &sentence)
{
    int &phase = state().FlashPhase;
    phase = 0;
    QString word;
    for (const QChar c : sentence) {
        if (c != QLatin1Char(' ')) {
            word += c;
            continue;
        }
        if (phase < MaxWords)
            ctl(array, phase).setCaption(word);
        ++phase;
        word.clear();
    }
    return std::min(phase, MaxWords);
}

std::vector<QPointF> SlotScreen::placesOf(const QString &array) const
{
    std::vector<float> widths;
    for (int i = 0; i < m_wordCount; ++i)
        widths.push_back(ctl(array, i).width);
    return wordPlaces(widths, ctl(array, 0).height);
}

void SlotScreen::Label7_MouseMove(int index, int button, int, float x, float y)
{
    if (button != MouseButton::Left || index < 0 || index >= MaxWords)
        return;
    Control &word = ctl(Word, index);
    if (!word.enabled)
        return;
    // The word's centre follows the pointer; its corner never leaves the screen.
    word.left = std::clamp(word.left + x - word.width / 2, 0.0f, ScreenWidth - DragMargin);
    word.top = std::clamp(word.top + y - word.height / 2, 0.0f, ScreenHeight - DragMargin);
}

void SlotScreen::Label7_MouseUp(int index, int, int, float, float)
{
    if (index < 0 || index >= MaxWords)
        return;
    const Control &word = ctl(Word, index);
    dropWord(index, word.left, word.top);
}

int SlotScreen::dropWord(int index, float left, float top)
{
    if (index < 0 || index >= m_wordCount)
        return -1;
    Control &word = ctl(Word, index);
    if (!word.enabled || !word.visible)
        return -1;
    word.left = left;
    word.top = top;
    for (int j = 0; j < boxCount(); ++j) {
        const Control &box = ctl(Box, j);
        if (!isOnBox(left, top, {box.left, box.top, box.width, box.height}))
            continue;
        markDrop(index, j);
        return j; // the word is back in the sentence: one box per drop
    }
    if (QPointF(left, top) == placesOf(Word)[std::size_t(index)])
        m_loose[std::size_t(index)] = false;
    else if (mayRest(index, word.rect()))
        m_loose[std::size_t(index)] = true;
    else
        sendBack(index);
    return -1;
}

int SlotScreen::placeWord(int index, int box)
{
    if (index < 0 || index >= m_wordCount || box < 0 || box >= boxCount() || !ctl(Box, box).visible)
        return -1;
    const Control &word = ctl(Word, index);
    if (!word.enabled || !word.visible)
        return -1;
    markDrop(index, box);
    return box;
}

bool SlotScreen::mayRest(int index, const QRectF &place) const
{
    // Wholly on the screen, over no button (shown or not) ...
    if (!PickAndPlace::isClearPlace(*this, place))
        return false;
    // ... and over nothing else shown: no box (its copies would come to lie under the
    // word), no other word or copy, no text, no picture.
    const Control *word = &ctl(Word, index);
    const Control *overlay = &ctl(Overlay, index);
    const std::vector<QRectF> taken = shownAreas({word, overlay});
    return std::none_of(taken.begin(), taken.end(), [&](const QRectF &r) { return r.intersects(place); });
}

std::vector<QRectF> SlotScreen::shownAreas(std::initializer_list<const Control *> except) const
{
    std::vector<QRectF> taken;
    for (const auto &control : controls()) {
        if (!control->visible || control->width <= 0 || control->height <= 0
            || std::find(except.begin(), except.end(), control.get()) != except.end())
            continue;
        if (control->kind != ControlKind::Label || control->border)
            taken.push_back(control->rect());
        else if (!control->caption().isEmpty())
            taken.push_back(control->shownTextRect()); // a wide label's text, not its whole box
    }
    return taken;
}

void SlotScreen::sendBack(int index)
{
    Control &word = ctl(Word, index);
    const QPointF home = placesOf(Word)[std::size_t(index)];
    QPointF from;
    if (m_picker.pickedUpFrom(index, from) && from != home && mayRest(index, QRectF(from, word.rect().size()))) {
        word.left = float(from.x());
        word.top = float(from.y());
        m_loose[std::size_t(index)] = true;
        return;
    }
    word.left = float(home.x());
    word.top = float(home.y());
    m_loose[std::size_t(index)] = false;
}

void SlotScreen::markDrop(int index, int box)
{
    Control &word = ctl(Word, index);
    Control &copy = ctl(Copy, index);
    Control &verdict = ctl(QStringLiteral("Label1"));

    const bool right = keyDigit(state().WordBank[state().CheckItem], index) == box + 1;
    if (right) {
        timer(QStringLiteral("tmrtick"))->enabled = true;
        verdict.setCaption(QStringLiteral("Correct"));
        ++m_score;
    } else {
        timer(QStringLiteral("tmrcross"))->enabled = true;
        verdict.setCaption(QStringLiteral("Wrong"));
        --m_score;
    }
    // A word is dropped on a box once only, so every drop is a first answer.
    if (m_visit)
        m_visit->answered(right);
    showScore();
    PlayCue(right ? QStringLiteral("wav\\beep.wav") : QStringLiteral("wav\\boink.wav"));

    // The two labels hold the same word, so the sentence keeps it and the box gets a copy.
    const QString dropped = word.caption();
    word.setCaption(copy.caption());
    copy.setCaption(dropped);
    copy.visible = true;
    m_boxOf[std::size_t(index)] = box;
    m_copiesIn[std::size_t(box)].push_back(index);
    layOutBox(box);

    // Back into the sentence, which is laid out again, since a changed caption may have
    // changed a width.
    m_loose[std::size_t(index)] = false;
    word.enabled = false;
    Control &overlay = ctl(Overlay, index);
    overlay.setCaption(word.caption());
    overlay.visible = true;
    layOutSentence();

    placeVerdict();
    verdict.visible = true;
}

void SlotScreen::layOutBox(int box)
{
    const Control &target = ctl(Box, box);
    const SlotRect rect{target.left, target.top, target.width, target.height};
    const std::vector<int> &copies = m_copiesIn[std::size_t(box)];
    // The largest size, from the words' own down, at which every copy lies inside the box;
    // a copy too long for the box on its own is set smaller still.
    BoxFlow flow;
    for (float size = WordFont.pointSize;; size -= SizeStep) {
        std::vector<QSizeF> sizes;
        for (const int i : copies) {
            Control &copy = ctl(Copy, i);
            copy.setFont({WordFont.family, size, WordFont.bold});
            copy.setShrinkToFit(true, rect.width - 2 * BoxInset);
            sizes.emplace_back(copy.width, copy.height);
        }
        flow = flowInBox(rect, sizes, WordGap * size / WordFont.pointSize);
        if (flow.fits || size - SizeStep < SmallestPointSize)
            break;
    }
    // Even the smallest size may not take them all in a box: they then overlap, but never
    // leave it.
    for (std::size_t k = 0; k < copies.size(); ++k) {
        Control &copy = ctl(Copy, copies[k]);
        copy.left = std::clamp(float(flow.places[k].x()), rect.left, std::max(rect.left, rect.left + rect.width - copy.width));
        copy.top = std::clamp(float(flow.places[k].y()), rect.top, std::max(rect.top, rect.top + rect.height - copy.height));
    }
}

void SlotScreen::layOutSentence()
{
    const std::vector<QPointF> places = placesOf(Word);
    const auto putHome = [&](int k) {
        ctl(Word, k).left = float(places[std::size_t(k)].x());
        ctl(Word, k).top = float(places[std::size_t(k)].y());
    };
    for (int k = 0; k < m_wordCount; ++k) {
        if (!m_loose[std::size_t(k)])
            putHome(k);
    }
    // A word lying loose stays, unless the line has grown into it.
    for (int k = 0; k < m_wordCount; ++k) {
        if (m_loose[std::size_t(k)] && !mayRest(k, ctl(Word, k).rect())) {
            m_loose[std::size_t(k)] = false;
            putHome(k);
        }
        ctl(Overlay, k).left = ctl(Word, k).left;
        ctl(Overlay, k).top = ctl(Word, k).top;
    }
}

void SlotScreen::placeVerdict()
{
    Control &verdict = ctl(QStringLiteral("Label1"));
    const SlotRect &home = m_activity.feedback;
    verdict.setGeometry(home.left, home.top, home.width, home.height);

    // What its text must keep clear of: every other text shown, and every box, piece,
    // picture and button.
    const std::vector<QRectF> taken = shownAreas({&verdict});
    const QRectF screen(VerdictClearance, VerdictClearance, ScreenWidth - 2 * VerdictClearance,
                        ScreenHeight - 2 * VerdictClearance);
    const auto isFree = [&](const QRectF &ink) {
        if (!screen.contains(ink))
            return false;
        const QRectF clear = ink.adjusted(-VerdictClearance, -VerdictClearance, VerdictClearance, VerdictClearance);
        return std::none_of(taken.begin(), taken.end(), [&](const QRectF &r) { return r.intersects(clear); });
    };
    const QRectF ink = verdict.shownTextRect();
    if (isFree(ink))
        return;

    // The nearest free place, in steps across the whole screen.
    QPointF best;
    double bestDistance = -1;
    const int leftmost = int(std::ceil((screen.left() - ink.left()) / VerdictStep));
    const int rightmost = int(std::floor((screen.right() - ink.right()) / VerdictStep));
    const int topmost = int(std::ceil((screen.top() - ink.top()) / VerdictStep));
    const int bottommost = int(std::floor((screen.bottom() - ink.bottom()) / VerdictStep));
    for (int dy = topmost; dy <= bottommost; ++dy) {
        for (int dx = leftmost; dx <= rightmost; ++dx) {
            const QPointF shift(dx * VerdictStep, dy * VerdictStep);
            const double distance = shift.x() * shift.x() + shift.y() * shift.y();
            if ((bestDistance >= 0 && distance >= bestDistance) || !isFree(ink.translated(shift)))
                continue;
            best = shift;
            bestDistance = distance;
        }
    }
    if (bestDistance < 0)
        return; // nowhere free: it stays where it was designed
    // The label takes its text's width there, so its centred text shows exactly as before.
    const QRectF moved = ink.translated(best);
    verdict.setGeometry(float(moved.left()) - 1, float(moved.top()), float(moved.width()) + 2, float(moved.height()) + 1);
}

void SlotScreen::showScore()
{
    Control &score = ctl(QStringLiteral("Label9"));
    score.setCaption(scoreText(m_score));
    // Read out as a score, not as a bare number.
    score.accessibleName = QStringLiteral("Score %1").arg(m_score);
}

void SlotScreen::growMark(Control &shown, Control &hidden, Timer &timer)
{
    hidden.visible = false;
    shown.visible = true;
    if (shown.width > MarkWidth)
        timer.enabled = false;
    else
        shown.width += MarkStep;
}

void SlotScreen::tmrtick_Timer()
{
    growMark(ctl(QStringLiteral("imgtick")), ctl(QStringLiteral("imgcross")), *timer(QStringLiteral("tmrtick")));
}

void SlotScreen::tmrcross_Timer()
{
    growMark(ctl(QStringLiteral("imgcross")), ctl(QStringLiteral("imgtick")), *timer(QStringLiteral("tmrcross")));
}

void SlotScreen::cmdexit_Click()
{
    m_picker.clear();
    if (Form *menu = forms().get(QString::fromLatin1(m_activity.termMenu)))
        menu->Show();
    endVisit();
    Unload();
    PlayCue(QStringLiteral("wav\\click.wav"));
}
