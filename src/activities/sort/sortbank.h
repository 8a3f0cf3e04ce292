#pragma once

#include "contentfile.h"

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

// The parsers: each checks its file fully (record count, the example sets at their places,
// closed vocabularies, distinct phrases, keys in range, room in the shared banks) and
// returns the bank only when nothing is wrong.
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

// Parallel banks: phrase k of set s is element s of ItemBank, TextBank, WordBank, KeyBankA
// or KeyBankB for k = 0 to 4.
constexpr int ParallelBankCount = 5;
QString parallelPhrase(const SharedState &state, int bank, int set);

// Whether the activity's sets fit the shared banks' bounds.
bool sortBankFits(const SortActivity &activity);
