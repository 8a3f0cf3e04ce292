#pragma once

#include "choiceactivity.h"

#include <QString>

// Attention to Accuracy: a sentence with 0 to 4 errors, five numbered boxes for the count,
// and the corrected sentence shown under it once the class has answered or the teacher
// presses the answer button (which reveals the count without marking).
ChoiceActivity attentionActivity();

// The number of separate corrections that turn `shown` into `corrected`, word by word: a
// changed word counts one (a spelling, a wrong word, or a capital letter alone), a change
// to the punctuation that ends a word counts one more, and a missing or extra word counts
// one. Words are aligned so that the count is the least possible.
int countCorrections(const QString &shown, const QString &corrected);
