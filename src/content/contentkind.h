#pragma once

#include "contentfile.h"

#include <QJsonObject>

#include <functional>
#include <optional>

// What the content checker knows about one activity's bank. The checks come in two levels:
//  - check: what every bank must pass, a teacher's or ours, for the program to run it and
//    show it whole (the shape of each record, keys that point at real options, options
//    that differ, text that fits its box on screen, a record count from 2 to what the
//    engine holds). A teacher's bank is held to this alone.
//  - builtInCheck: the editorial rules of the banks shipped with the program (the example
//    records in their places, the counts of each kind, closed lists of answers), read from
//    the rules kept beside the built-in banks. A built-in bank must pass both.
struct ContentKind
{
    QString activity;
    std::function<void(const ContentDocument &, ContentProblems &)> check;
    // The bank as a person reads it (the older, per-engine forms).
    std::function<QString(const ContentDocument &)> dump;
    std::function<void(const ContentDocument &, ContentProblems &)> builtInCheck = {};
    // The bank as the screens will see it, in one form for every activity:
    // {"activity": id, "records": [one object per record]}; empty when the bank fails check.
    std::function<QJsonObject(const ContentDocument &)> dumpJson = {};
};

// An engine's kind from its parser (the first level) and its two ways of printing a bank
// that passes it; the editorial rules are the ones given.
template<typename Bank>
ContentKind makeContentKind(const QString &activity,
                            std::function<std::optional<Bank>(const ContentDocument &, ContentProblems &)> parse,
                            std::function<QString(const Bank &)> dump,
                            std::function<QJsonObject(const Bank &)> json,
                            std::function<void(const ContentDocument &, ContentProblems &)> builtInCheck)
{
    ContentKind kind;
    kind.activity = activity;
    kind.check = [parse](const ContentDocument &document, ContentProblems &problems) { parse(document, problems); };
    kind.dump = [parse, dump](const ContentDocument &document) {
        ContentProblems problems;
        const std::optional<Bank> bank = parse(document, problems);
        return bank ? dump(*bank) : QString();
    };
    kind.builtInCheck = std::move(builtInCheck);
    kind.dumpJson = [parse, json](const ContentDocument &document) {
        ContentProblems problems;
        const std::optional<Bank> bank = parse(document, problems);
        return bank ? json(*bank) : QJsonObject();
    };
    return kind;
}
