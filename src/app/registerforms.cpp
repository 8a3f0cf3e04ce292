#include "registerforms.h"

#include "slotactivities.h"
#include "startframe.h"

void registerForms(AppContext &context)
{
    registerShellForms(context);
    // Each engine adds its activities here, one line each.
    registerSlotActivities(context);
}
