#pragma once

#include "contentkind.h"

#include <QList>

// Every activity's content kind, gathered from the engines.
QList<ContentKind> allContentKinds();
