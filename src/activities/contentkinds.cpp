#include "contentkinds.h"

#include "choiceactivities.h"
#include "slotactivities.h"
#include "sortactivities.h"

// Each engine adds its list here (one line per engine).
QList<ContentKind> allContentKinds()
{
    QList<ContentKind> kinds;
    kinds += choiceContentKinds();
    kinds += sortContentKinds();
    kinds += slotContentKinds();
    return kinds;
}
