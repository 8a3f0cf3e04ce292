#pragma once

#include "contentfile.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct SharedState;
struct SlotActivity;

// One sentence of a drag-to-slot bank: the sentence as shown (words separated by single
// spaces, ending with one space) and its key, one digit per word: 0 = the word belongs in
// no box, d = the word belongs in box d - 1.
struct SlotRecord
{
    QString sentence;
    QString key;
};

struct SlotBank
{
    QList<SlotRecord> records;
};

// The words of a sentence as the screen cuts it: a word is taken at each space, so the
// characters after the last space are dropped and two spaces in a row give an empty word.
QStringList sentenceWords(const QString &sentence);

// The key digit of word index (from 0): a missing digit or a character that is not a
// digit reads as 0.
int keyDigit(const QString &key, int index);

// Checks a bank file against what every bank of the activity must satisfy: from 2 records
// to what the shared banks hold, one space between words and one at the end, at most
// MaxWords words (what the screen has room for), a key of one allowed digit per word, the
// number of words each sentence sends to a box, no sentence twice. Returns the bank only
// when every record passes; each problem names its record and field. The built-in banks'
// examples are data beside them (see builtinrules.h).
std::optional<SlotBank> parseSlotBank(const ContentDocument &document, ContentProblems &problems,
                                      const SlotActivity &activity);

// Writes record r at index r of ItemBank and TextBank (the sentence) and WordBank (the
// key). Nothing else is touched.
void storeSlotBank(const SlotBank &bank, SharedState &state);

// The bank as the screen will judge it: each sentence with the words each box expects.
QString dumpSlotBank(const SlotBank &bank, const SlotActivity &activity);
// The slots each record fills: {"activity": id, "records": [{"ItemBank(0)": ..., ...}]}.
QJsonObject slotBankJson(const SlotBank &bank, const SlotActivity &activity);
