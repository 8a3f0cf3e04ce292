#pragma once

#include "contentfile.h"

#include <functional>

// What the content checker knows about one activity's bank: how to check a file fully,
// and how to print the bank as the screens will see it. Each engine lists its own kinds.
struct ContentKind
{
    QString activity;
    std::function<void(const ContentDocument &, ContentProblems &)> check;
    std::function<QString(const ContentDocument &)> dump;
};
