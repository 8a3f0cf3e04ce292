#pragma once

#include <QString>

#include <span>

// The program's activity catalogue: the six term menus and the five activities each one
// lists. One table serves the menus (what they show and open) and the activities (which
// menu their Exit goes back to). The shell knows activities only by form name; an entry
// whose form is not registered opens nothing.

struct TermMenuDesign
{
    const char *form;      // "menu1" ... "menu6"
    int year;              // 5 or 6
    int term;              // 1 to 3
    const char *title;     // "Year 5 - Term 1"
    float activityWidth;   // width of the activity labels, twips
};

struct CatalogueEntry
{
    int year;
    int term;
    int index;             // place on the menu, 0 to 4
    const char *caption;   // what the menu shows
    const char *activity;  // the activity's form name; empty when there is none
};

namespace Catalogue {

constexpr int EntriesPerMenu = 5;
constexpr int TermsPerYear = 3;

std::span<const TermMenuDesign> menus();
std::span<const CatalogueEntry> entries();

// The menu of one term, or nullptr for a year or term that has none.
const TermMenuDesign *menuFor(int year, int term);
// The menu with this form name, or nullptr.
const TermMenuDesign *menuNamed(const QString &form);
// Entry `index` of a term's menu, or nullptr.
const CatalogueEntry *entry(int year, int term, int index);

// The form name of the menu that lists an activity (where its Exit returns), or an empty
// string for a form the catalogue does not list.
QString menuOf(const QString &activityForm);

} // namespace Catalogue
