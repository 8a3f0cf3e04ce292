#include "termmenu.h"

#include "formregistry.h"
#include "introscreen.h"
#include "maker.h"
#include "screendesign.h"
#include "setupactivityscreen.h"

#include <stdexcept>
#include <string>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Blue(0, 0, 255);

constexpr float ScreenWidth = 12000;
constexpr float RowTop = 3000;
constexpr float RowStep = 750;
constexpr float RowHeight = 495;

FontSpec tahomaBold(float points)
{
    return FontSpec{QStringLiteral("Tahoma"), points, true};
}

const CatalogueEntry &entryOf(const TermMenuDesign &design, int index)
{
    const CatalogueEntry *entry = Catalogue::entry(design.year, design.term, index);
    if (!entry)
        throw std::logic_error("the catalogue has no entry " + std::to_string(index) + " for " + design.form);
    return *entry;
}

} // namespace

TermMenu::TermMenu(AppContext &context, const TermMenuDesign &design)
    : Screen(context, QString::fromLatin1(design.form))
    , m_design(design)
{
    caption = QString::fromLatin1(Maker::Name);
    onMouseMove = [this](int, int, int, float, float) { Form_MouseMove(); };

    Control &title = addCentredLabel(*this, QStringLiteral("Label1"), {0, 120, 6270, 900},
                                     QString::fromLatin1(design.title), tahomaBold(36), Qt::black);
    setBoxed(title, Yellow);
    title.onMouseMove = [this](int, int, int, float, float) { Label1_MouseMove(); };

    // Element 0 of each array is designed; Form_Load creates the rest from it.
    Control &term = addCentredLabel(*this, QStringLiteral("Label2"), {9600, RowTop, 2235, RowHeight},
                                    QStringLiteral("Term 1"), tahomaBold(18), Yellow, 0);
    setBoxed(term, Blue);
    term.visible = false;
    term.onClick = [this](int index) { Label2_Click(index); };
    term.onMouseMove = [this](int index, int, int, float, float) { Label2_MouseMove(index); };

    Control &activity = addCentredLabel(*this, QStringLiteral("Label3"), {0, RowTop, design.activityWidth, RowHeight},
                                        QString::fromLatin1(entryOf(design, 0).caption), tahomaBold(15.75f), Yellow, 0);
    setBoxed(activity, Qt::black);
    activity.onClick = [this](int index) { Label3_Click(index); };
    activity.onMouseMove = [this](int index, int, int, float, float) { Label3_MouseMove(index); };

    addExitButton(*this, [this](int) { Command1_Click(); });
}

void TermMenu::Form_Load()
{
    SetupActivityScreen(*this);
    backColor = QColor(49, 135, 215);
    // Referring to the home screen loads it, hidden, when it is not loaded.
    if (auto *home = forms().get<Intro0>(QString::fromLatin1(Intro0::Name)))
        picture = home->menuBackground();

    loadExitButton(*this);

    Control &title = ctl(QStringLiteral("Label1"));
    title.left = (ScreenWidth - title.width) / 2;
    Control &first = ctl(QStringLiteral("Label3"), 0);
    first.left = (ScreenWidth - first.width) / 2;

    for (int i = 1; i < Catalogue::EntriesPerMenu; ++i) {
        Control &activity = createElement(QStringLiteral("Label3"), i);
        activity.left = first.left;
        activity.top = first.top + RowStep * float(i);
    }
    const Control &firstTerm = ctl(QStringLiteral("Label2"), 0);
    for (int i = 1; i < Catalogue::TermsPerYear; ++i) {
        Control &term = createElement(QStringLiteral("Label2"), i);
        term.left = firstTerm.left;
        term.top = firstTerm.top + RowStep * float(i);
    }

    for (int i = 1; i < Catalogue::TermsPerYear; ++i)
        ctl(QStringLiteral("Label2"), i).setCaption(QStringLiteral("Term %1").arg(i + 1));
    for (int i = 1; i < Catalogue::EntriesPerMenu; ++i)
        ctl(QStringLiteral("Label3"), i).setCaption(QString::fromLatin1(entryOf(m_design, i).caption));

    for (int i = 0; i < Catalogue::EntriesPerMenu; ++i) {
        if (i < Catalogue::TermsPerYear) {
            Control &term = ctl(QStringLiteral("Label2"), i);
            term.visible = true;
            term.accessibleName = QStringLiteral("Year %1, Term %2").arg(m_design.year).arg(i + 1);
        }
        ctl(QStringLiteral("Label3"), i).visible = true;
    }
}

void TermMenu::Label2_Click(int index)
{
    if (index != m_design.term - 1) {
        if (const TermMenuDesign *other = Catalogue::menuFor(m_design.year, index + 1)) {
            if (Form *menu = forms().get(QString::fromLatin1(other->form)))
                menu->Show();
        }
        Unload();
    }
    PlayCue(QStringLiteral("wav\\click.wav"));
}

void TermMenu::Label3_Click(int index)
{
    // An entry with no activity, or one whose activity is not registered, opens nothing.
    const QString activity = QString::fromLatin1(entryOf(m_design, index).activity);
    if (Form *form = activity.isEmpty() ? nullptr : forms().get(activity))
        form->Show();
    PlayCue(QStringLiteral("wav\\click.wav"));
}

void TermMenu::Command1_Click()
{
    if (Form *home = forms().get(QString::fromLatin1(Intro0::Name)))
        home->Show();
    Unload();
    PlayCue(QStringLiteral("wav\\click.wav"));
}

void TermMenu::Form_MouseMove()
{
    for (int i = 0; i < Catalogue::TermsPerYear; ++i) {
        if (Control *term = control(QStringLiteral("Label2"), i))
            term->opaque = false;
    }
}

void TermMenu::Label1_MouseMove()
{
    ctl(QStringLiteral("Label1")).opaque = true;
}

void TermMenu::Label2_MouseMove(int index)
{
    ctl(QStringLiteral("Label2"), index).opaque = true;
}

void TermMenu::Label3_MouseMove(int index)
{
    ctl(QStringLiteral("Label3"), index).opaque = true;
}

void registerTermMenus(AppContext &context)
{
    for (const TermMenuDesign &design : Catalogue::menus()) {
        context.forms.registerForm(QString::fromLatin1(design.form), [&context, &design](FormRegistry &) {
            return std::make_unique<TermMenu>(context, design);
        });
    }
}
