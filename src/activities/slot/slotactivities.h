#pragma once

#include "contentkind.h"
#include "slotengine.h"

#include <QList>

struct AppContext;

// The drag-to-slot activities, one row each: person and notemaking.
const std::vector<SlotActivity> &slotActivities();
// The row of an activity, or nullptr.
const SlotActivity *findSlotActivity(const QString &id);

// Registers a form per activity; each opens on its own row.
void registerSlotActivities(AppContext &context);

// What the content checker needs to check and print each activity's bank.
QList<ContentKind> slotContentKinds();
