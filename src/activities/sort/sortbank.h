#pragma once

#include "contentfile.h"

#include <QJsonObject>
#include <QList>
#include <QStringList>

#include <optional>

struct SharedState;
struct SortActivity;

// One set of a drag-and-sort bank, as read from its content file.
struct SortSet
{
    QStringList heads;   // genre headings, or the similarity theme
    QStringList phrases; // in slot order; similarity: related then unrelated; key2: fragments
    QList<int> keys;     // cv: the unsuitable statement; key2: the two key fragments
};

struct SortBank
{
    QList<SortSet> sets;
};

// The family's one reader: checks a file against what every bank of the activity must
// satisfy (its fields as the activity's row lists them, a record count from 2 to what the
// shared banks hold, texts that differ, keys that name real texts, text that fits its box
// on screen) and returns the bank only when nothing is wrong. The built-in banks' own rules
// (examples, headings lists) are data beside them (see builtinrules.h).
std::optional<SortBank> parseSortBank(const SortActivity &activity, const ContentDocument &document,
                                      ContentProblems &problems);
// The most sets the shared banks hold in the activity's layout.
int sortBankCapacity(const SortActivity &activity);

// The reader for each activity, as a parser the loader takes.
std::optional<SortBank> parseChronological(const ContentDocument &document, ContentProblems &problems);
std::optional<SortBank> parseGenre(const ContentDocument &document, ContentProblems &problems);
std::optional<SortBank> parseCv(const ContentDocument &document, ContentProblems &problems);
std::optional<SortBank> parseSimilarity(const ContentDocument &document, ContentProblems &problems);
std::optional<SortBank> parseKey2(const ContentDocument &document, ContentProblems &problems);

// Writes a parsed bank into the shared banks in the activity's layout, touching only the
// slots the activity owns.
void storeSortBank(const SortActivity &activity, const SortBank &bank, SharedState &state);

// The bank slot by slot, as the screen reads it.
QString dumpSortBank(const SortActivity &activity, const SortBank &bank);
// The same, as {"activity": id, "records": [{"ItemBank(4)": "...", "AnswerKey(1)": 0}, ...]}.
QJsonObject sortBankJson(const SortActivity &activity, const SortBank &bank);

// Parallel banks: phrase k of set s is element s of ItemBank, TextBank, WordBank, KeyBankA
// or KeyBankB for k = 0 to 4.
constexpr int ParallelBankCount = 5;
QString parallelPhrase(const SharedState &state, int bank, int set);

// Whether the activity's layout is consistent and its built-in sets fit the shared banks.
bool sortBankFits(const SortActivity &activity);
