#include "contentkinds.h"

#include "choiceactivities.h"
#include "slotactivities.h"

// Each engine adds its list here (one line per engine).
QList<ContentKind> allContentKinds()
{
    QList<ContentKind> kinds;
    kinds += choiceContentKinds();
    kinds += slotContentKinds();
    return kinds;
}
