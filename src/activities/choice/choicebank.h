#pragma once

#include "bankimage.h"
#include "contentfile.h"

#include <QJsonObject>
#include <QStringList>

#include <optional>

class AssetResolver;
struct ChoiceActivity;

// Checks a content file against what every bank of the activity must satisfy (its name, a
// record count from 2 to what the shared banks hold, every field, options that differ,
// gaps, the activity's own record format, text that fits its label on screen) and, only
// when all of it holds, returns the slots the bank fills. Every problem found is added,
// each naming file, record, field and reason. Measuring every text as the screen sets it
// is the costly part: `measureFit` false leaves it out, for the banks built into the
// program, which the tests measure whole.
std::optional<BankImage> parseChoiceBank(const ChoiceActivity &activity, const ContentDocument &document,
                                         ContentProblems &problems, bool measureFit = true);

// A label's text from its format and the record's texts: %1 .. %9 replaced in one pass, so
// a text that itself holds "%2" is shown (and measured) as it is.
QString fillPlaceholders(const QString &format, const QStringList &texts);

// The editorial rules of the built-in bank (examples, counts, lists of answers), read from
// the rules kept beside it.
void checkChoiceBuiltInRules(const ChoiceActivity &activity, const ContentDocument &document, ContentProblems &problems);

// The bank as the screens will see it: one object per record, each slot it fills by name
// ("ItemBank(5)": value).
QJsonObject choiceBankJson(const ChoiceActivity &activity, const BankImage &image);

// The first copy of the activity's bank that passes every check: content\<id>.json in the
// working folder, beside the program, then the built-in copy. Problems of the copies set
// aside are added to problems; nothing is returned only when no copy passes.
std::optional<BankImage> loadChoiceBank(const AssetResolver &assets, const ChoiceActivity &activity,
                                        ContentProblems &problems);
