#include "registerforms.h"

#include "slotactivities.h"
#include "sortactivities.h"
#include "startframe.h"

void registerForms(AppContext &context)
{
    registerShellForms(context);
    // Each engine adds its activities here, one line each.
    registerSortActivities(context);
    registerSlotActivities(context);
}
