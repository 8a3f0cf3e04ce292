#include "registerforms.h"

#include "choiceactivities.h"
#include "shellforms.h"
#include "slotactivities.h"
#include "sortactivities.h"

void registerForms(AppContext &context)
{
    registerShellForms(context);
    // Each engine adds its activities here, one line each.
    registerChoiceActivities(context);
    registerSortActivities(context);
    registerSlotActivities(context);
}
