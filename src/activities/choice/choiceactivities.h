#pragma once

#include "choiceactivity.h"
#include "contentkind.h"

#include <QList>

struct AppContext;

// Every multiple-choice activity, one row each, gathered from the families.
const QList<ChoiceActivity> &choiceActivities();
// The row of the activity with this form name, or nullptr.
const ChoiceActivity *choiceActivity(const QString &id);

// Registers a form per activity (its name is the activity's id).
void registerChoiceActivities(AppContext &context);

// What quorvale-content knows about the multiple-choice banks: the full check, and the
// slots each bank fills.
QList<ContentKind> choiceContentKinds();
