#include "contentkinds.h"

// Each engine adds its list here (one line per engine).
QList<ContentKind> allContentKinds()
{
    QList<ContentKind> kinds;
    return kinds;
}
