#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
struct CatalogueEntry;

// How the teacher window's pages name an activity in their choosers: as its menu does, with
// the year and term, "Story Openings (Year 5, Term 1)".
QString activityChoiceCaption(const CatalogueEntry &entry);

// Adds the given activities to a chooser in the order of the menus (Year 5 Term 1 first),
// each named as above, with its id as the item's data. Ids no menu lists are left out.
void addActivityChoices(QComboBox *chooser, const QStringList &activities);
