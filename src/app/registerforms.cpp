#include "registerforms.h"

#include "choiceactivities.h"
#include "shellforms.h"
#include "slotactivities.h"

void registerForms(AppContext &context)
{
    registerShellForms(context);
    // Each engine adds its activities here, one line each.
    registerChoiceActivities(context);
    registerSlotActivities(context);
}
