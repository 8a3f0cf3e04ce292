#include "signinscreen.h"

#include "formregistry.h"
#include "introscreen.h"
#include "keyboard.h"
#include "maker.h"
#include "playcue.h"
#include "screendesign.h"
#include "setupactivityscreen.h"
#include "textmeasurer.h"
#include "titlescreen.h"

#include <algorithm>
#include <cmath>

namespace {

const QColor Yellow(255, 255, 0);
const QColor White(255, 255, 255);
const QString Pupil = QStringLiteral("pupil");

FontSpec tahoma(float points)
{
    return FontSpec{QStringLiteral("Tahoma"), points, true};
}

// The grid's spacing, the tallest a name button grows, the largest and smallest its text
// is set in, and the room left round the text inside its border.
constexpr float Gap = 60;
constexpr float TallestCell = 900;
constexpr float LargestPoints = 24;
constexpr float SmallestPoints = 9;
constexpr float InsetX = BorderTwips + 45;
constexpr float InsetY = BorderTwips + 15;
constexpr int MostColumns = 6;

struct Grid
{
    int columns = 1;
    int rows = 1;
    float cellWidth = 0;
    float cellHeight = 0;
    float points = SmallestPoints;
};

// The number of columns that lets every name be set largest on one line, and that size
// (more columns when two give the same size, so a few names sit in a row).
// Sizes are worked out from measurements at 10 pt and then checked at the size chosen, so
// a font whose widths do not scale exactly still fits.
Grid gridFor(const TextMeasurer *measurer, const QStringList &names)
{
    const int count = int(std::max<qsizetype>(names.size(), 1));
    const FontSpec reference = tahoma(10);
    const auto widest = [&](float points) {
        FontSpec font = reference;
        font.pointSize = points;
        float width = 0;
        for (const QString &name : names)
            width = std::max(width, measurer ? float(measurer->measure(font, name, 0).width())
                                             : float(name.size()) * points * 20);
        return width;
    };
    const float lineAt10 = measurer ? float(measurer->measure(reference, QStringLiteral("Ágy"), 0).height()) : 240;
    const float widestAt10 = std::max(widest(10), 1.0f);

    Grid best;
    best.points = 0;
    for (int columns = 1; columns <= std::min(MostColumns, count); ++columns) {
        Grid grid;
        grid.columns = columns;
        grid.rows = (count + columns - 1) / columns;
        grid.cellWidth = (SignInScreen::GridWidth - Gap * float(columns - 1)) / float(columns);
        grid.cellHeight = std::min(TallestCell, (SignInScreen::GridHeight - Gap * float(grid.rows - 1)) / float(grid.rows));
        const float byHeight = 10 * (grid.cellHeight - 2 * InsetY) / lineAt10;
        const float byWidth = 10 * (grid.cellWidth - 2 * InsetX) / widestAt10;
        grid.points = std::floor(std::min({LargestPoints, byHeight, byWidth}) * 4) / 4;
        while (grid.points > SmallestPoints && widest(grid.points) > grid.cellWidth - 2 * InsetX)
            grid.points -= 0.25f;
        if (grid.points >= best.points)
            best = grid;
    }
    best.points = std::max(best.points, SmallestPoints);
    return best;
}

} // namespace

SignInScreen::SignInScreen(AppContext &context)
    : Screen(context, QString::fromLatin1(Name))
{
    caption = QString::fromLatin1(Maker::Name);

    Control &title = addCentredLabel(*this, QStringLiteral("Label1"), {390, 120, 11220, 900},
                                     QStringLiteral("Who are you?"), tahoma(27.75f), Qt::black);
    setBoxed(title, Yellow);
    title.setMiddle(true);
    addCentredLabel(*this, QStringLiteral("classLabel"), {390, 1110, 11220, 375}, QString(), tahoma(14), White);

    // Element 0 is designed; Form_Load adds one element a pupil.
    Control &name = addCentredLabel(*this, Pupil, {GridLeft, GridTop, 2000, 600}, QString(), tahoma(18), Qt::black, 0);
    setBoxed(name, Yellow);
    name.setMiddle(true);
    name.setPadding(InsetY - BorderTwips);
    name.setShrinkToFit(true);
    name.visible = false;
    name.onClick = [this](int index) { pupil_Click(index); };

    Control &message = addCentredLabel(*this, QStringLiteral("message"), {390, 3600, 11220, 495}, QString(),
                                       tahoma(18), White);
    message.setShrinkToFit(true);
    message.visible = false;
    Control &goOn = addCentredLabel(*this, QStringLiteral("goOn"), {3600, 4500, 4800, 600},
                                    QStringLiteral("Go on without signing in"), tahoma(18), Qt::black);
    setBoxed(goOn, Yellow);
    goOn.setMiddle(true);
    goOn.visible = false;
    goOn.onClick = [this](int) { goOn_Click(); };

    addExitButton(*this, [this](int) { Command1_Click(); });

    addTimer(QStringLiteral("typing"), TypingTick).onTimer = [this] { typing_Timer(); };
    addKeyHandler([this](int key, int shift) { return typed(key, shift); });
}

void SignInScreen::Form_Load()
{
    SetupActivityScreen(*this);
    backColor = QColor(49, 135, 215);
    loadExitButton(*this);

    PupilRoster *roster = context().roster ? context().roster() : nullptr;
    m_class = context().computerClass ? context().computerClass() : QString();
    if (roster) {
        m_pupils = roster->pupilsOf(m_class);
        const QString last = context().lastClass ? context().lastClass() : QString();
        if (m_pupils.isEmpty() && !last.isEmpty() && last != m_class) {
            if (QList<PupilRoster::Entry> pupils = roster->pupilsOf(last); !pupils.isEmpty()) {
                m_class = last;
                m_pupils = std::move(pupils);
            }
        }
    }

    Control &classLine = ctl(QStringLiteral("classLabel"));
    classLine.setCaption(m_class.isEmpty() ? QString() : QStringLiteral("Class %1").arg(m_class));
    if (m_pupils.isEmpty()) {
        Control &message = ctl(QStringLiteral("message"));
        message.setCaption(m_class.isEmpty() ? QStringLiteral("No class has been chosen for this computer yet.")
                                             : QStringLiteral("There are no names for class %1 yet.").arg(m_class));
        message.visible = true;
        ctl(QStringLiteral("goOn")).visible = true;
        return;
    }
    layOutGrid();
}

void SignInScreen::layOutGrid()
{
    QStringList names;
    for (const PupilRoster::Entry &pupil : std::as_const(m_pupils))
        names << pupil.name;
    const Grid grid = gridFor(measurer(), names);

    // Filled a row at a time, so the names read in alphabetical order as a page does and as
    // Tab goes through them; the grid is centred in its band.
    const float gridWidth = float(grid.columns) * grid.cellWidth + Gap * float(grid.columns - 1);
    const float gridHeight = float(grid.rows) * grid.cellHeight + Gap * float(grid.rows - 1);
    const float left = GridLeft + (GridWidth - gridWidth) / 2;
    const float top = GridTop + (GridHeight - gridHeight) / 2;
    for (int i = 0; i < m_pupils.size(); ++i) {
        Control &button = i == 0 ? ctl(Pupil, 0) : createElement(Pupil, i);
        button.setFont(tahoma(grid.points));
        button.setGeometry(left + float(i % grid.columns) * (grid.cellWidth + Gap),
                           top + float(i / grid.columns) * (grid.cellHeight + Gap), grid.cellWidth, grid.cellHeight);
        // Shown as typed, never read as markup; a screen reader says the name alone.
        button.setCaption(m_pupils[i].name);
        button.accessibleName = m_pupils[i].name;
        button.visible = true;
    }
}

void SignInScreen::pupil_Click(int index)
{
    PupilRoster *roster = context().roster ? context().roster() : nullptr;
    if (index < 0 || index >= m_pupils.size())
        return;
    if (!roster) {
        // The teacher has turned signing in off since the names were shown.
        goOn_Click();
        return;
    }
    roster->signIn(m_pupils[index].id);
    // The home screen says who is signed in only when the sign-in was taken.
    context().signedInName = roster->signedIn() == m_pupils[index].id ? m_pupils[index].name : QString();
    if (context().rememberClass && !context().signedInName.isEmpty())
        context().rememberClass(m_class);
    goOn_Click();
}

void SignInScreen::goOn_Click()
{
    if (Form *home = forms().get(QString::fromLatin1(Intro0::Name)))
        home->Show();
    Unload();
    PlayCue(QStringLiteral("wav\\click.wav"));
}

void SignInScreen::Command1_Click()
{
    if (Form *title = forms().get(QString::fromLatin1(Titlefrm::Name)))
        title->Show();
    Unload();
    PlayCue(QStringLiteral("wav\\click.wav"));
}

bool SignInScreen::typed(int key, int shift)
{
    if (shift & (ShiftKey::Ctrl | ShiftKey::Alt))
        return false;
    if (key == Qt::Key_Escape)
        return pressIfShown(control(QStringLiteral("Command1")));
    const bool letter = (key >= Qt::Key_A && key <= Qt::Key_Z) || key == Qt::Key_Apostrophe || key == Qt::Key_Minus;
    if (!letter || m_pupils.isEmpty())
        return false;
    Timer &pause = *timer(QStringLiteral("typing"));
    if (!pause.enabled)
        m_typed.clear();
    pause.enabled = true;
    m_quietTicks = 0;

    const QChar typedChar = QChar(key).toLower();
    const auto match = [this](const QString &start) {
        for (int i = 0; i < m_pupils.size(); ++i) {
            if (m_pupils[i].name.startsWith(start, Qt::CaseInsensitive))
                return i;
        }
        return -1;
    };
    m_typed += typedChar;
    int found = match(m_typed);
    if (found < 0) {
        // A letter that starts no name from here starts a new one.
        m_typed = typedChar;
        found = match(m_typed);
    }
    if (found >= 0 && context().giveFocus)
        context().giveFocus(ctl(Pupil, found));
    return true;
}

void SignInScreen::typing_Timer()
{
    // A second after the last letter, the next one starts a new name.
    if (++m_quietTicks < TypingPauseTicks)
        return;
    timer(QStringLiteral("typing"))->enabled = false;
    m_typed.clear();
}

void SignInScreen::signOut(AppContext &context)
{
    Form *names = context.forms.get(QString::fromLatin1(Name));
    if (!names)
        return;
    names->Show();
    for (Form *form : context.forms.loadedForms()) {
        if (form != names && form->name() != QLatin1String(Grey::Name))
            context.forms.unload(form->name());
    }
    if (PupilRoster *roster = context.roster ? context.roster() : nullptr)
        roster->signIn(0);
    context.signedInName.clear();
}
