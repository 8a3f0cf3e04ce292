#include "catalogue.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<TermMenuDesign, 6> Menus{{
    {"menu1", 5, 1, "Year 5 - Term 1", 3975},
    {"menu2", 5, 2, "Year 5 - Term 2", 4215},
    {"menu3", 5, 3, "Year 5 - Term 3", 3735},
    {"menu4", 6, 1, "Year 6 - Term 1", 3855},
    {"menu5", 6, 2, "Year 6 - Term 2", 4815},
    {"menu6", 6, 3, "Year 6 - Term 3", 3495},
}};

constexpr std::array<CatalogueEntry, 30> Entries{{
    {5, 1, 0, "Story Openings", "openings"},
    {5, 1, 1, "Poetry Style", "style"},
    {5, 1, 2, "Similes", "similes"},
    {5, 1, 3, "Chronological Order", "chronological"},
    {5, 1, 4, "Instructional Texts", "instructions"},

    {5, 2, 0, "Poetry Terms", "terms"},
    {5, 2, 1, "Genre", "genre"},
    {5, 2, 2, "Figurative Language", "figurative"},
    {5, 2, 3, "Identifying Similarities", "similarity"},
    {5, 2, 4, "Locating Information", "locating"},

    {5, 3, 0, "Ambiguity", "ambiguity"},
    {5, 3, 1, "Predictions", "prediction"},
    {5, 3, 2, "Note Making", "notemaking"},
    {5, 3, 3, "Persuasive Devices", "persuasive"},
    {5, 3, 4, "Style Evaluation", "evaluate"},

    {6, 1, 0, "1st, 2nd, 3rd Person", "person"},
    {6, 1, 1, "Preparing a CV", "cv"},
    {6, 1, 2, "Distinctive Voices", "distinctive"},
    {6, 1, 3, "Questionnaires", "questionaire"},
    {6, 1, 4, "Drama", "theatre"},

    {6, 2, 0, "Rhythm in Poetry", "rhythm"},
    {6, 2, 1, "Fact or Opinion?", "fact"},
    {6, 2, 2, "Linking of Points", "linking"},
    {6, 2, 3, "Open or Closed Questions", "openorclosed"},
    {6, 2, 4, "Attention to Accuracy", "attention"},

    {6, 3, 0, "Key Points", "key2"},
    {6, 3, 1, "Style of Writer", "writer"},
    {6, 3, 2, "Back Cover Blurb", "blurb"},
    {6, 3, 3, "Reviews", "review"},
    {6, 3, 4, "Revision", "revision"},
}};

} // namespace

namespace Catalogue {

std::span<const TermMenuDesign> menus()
{
    return Menus;
}

std::span<const CatalogueEntry> entries()
{
    return Entries;
}

const TermMenuDesign *menuFor(int year, int term)
{
    const auto it = std::find_if(Menus.begin(), Menus.end(), [&](const TermMenuDesign &menu) {
        return menu.year == year && menu.term == term;
    });
    return it == Menus.end() ? nullptr : &*it;
}

const TermMenuDesign *menuNamed(const QString &form)
{
    const auto it = std::find_if(Menus.begin(), Menus.end(), [&](const TermMenuDesign &menu) {
        return form == QLatin1String(menu.form);
    });
    return it == Menus.end() ? nullptr : &*it;
}

const CatalogueEntry *entry(int year, int term, int index)
{
    const auto it = std::find_if(Entries.begin(), Entries.end(), [&](const CatalogueEntry &e) {
        return e.year == year && e.term == term && e.index == index;
    });
    return it == Entries.end() ? nullptr : &*it;
}

QString menuOf(const QString &activityForm)
{
    if (activityForm.isEmpty())
        return {};
    for (const CatalogueEntry &e : Entries) {
        if (activityForm == QLatin1String(e.activity)) {
            const TermMenuDesign *menu = menuFor(e.year, e.term);
            return menu ? QString::fromLatin1(menu->form) : QString();
        }
    }
    return {};
}

} // namespace Catalogue
