#include "contentkinds.h"

#include "slotactivities.h"

// Each engine adds its list here (one line per engine).
QList<ContentKind> allContentKinds()
{
    QList<ContentKind> kinds;
    kinds += slotContentKinds();
    return kinds;
}
