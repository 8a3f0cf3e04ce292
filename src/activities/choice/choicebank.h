#pragma once

#include "bankimage.h"
#include "contentfile.h"

#include <optional>

class AssetResolver;
struct ChoiceActivity;

// Checks a content file against everything the activity requires (its name, the record
// count, every field, the options' distinctness and vocabulary, gaps, the fixed example
// records, the activity's own rule) and, only when all of it holds, returns the slots the
// bank fills. Every problem found is added, each naming file, record, field and reason.
std::optional<BankImage> parseChoiceBank(const ChoiceActivity &activity, const ContentDocument &document,
                                         ContentProblems &problems);

// The first copy of the activity's bank that passes every check: content\<id>.json in the
// working folder, beside the program, then the built-in copy. Problems of the copies set
// aside are added to problems; nothing is returned only when no copy passes.
std::optional<BankImage> loadChoiceBank(const AssetResolver &assets, const ChoiceActivity &activity,
                                        ContentProblems &problems);
