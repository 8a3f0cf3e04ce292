#pragma once

#include "contentkind.h"
#include "sortactivity.h"

#include <QList>
#include <QString>

#include <span>

struct AppContext;

// The five drag-and-sort activities, one row each: chronological, genre, cv, similarity,
// key2.
std::span<const SortActivity> sortActivities();
// The row of an activity, or nullptr for a name that is none of them.
const SortActivity *sortActivity(const QString &id);

// Registers every drag-and-sort activity form under its name.
void registerSortActivities(AppContext &context);

// What the content checker knows about the drag-and-sort banks.
QList<ContentKind> sortContentKinds();
