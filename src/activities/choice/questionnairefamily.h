#pragma once

#include "choiceactivity.h"

#include <QList>

// The five two-way activities: questionaire, fact, openorclosed, review and revision. Each
// shows one sentence (review: a heading and an extract) and two answer labels with fixed
// captions that are never shuffled; the right one is known by its element number, kept
// per record in AnswerKey.
QList<ChoiceActivity> questionnaireFamily();

// The rule shared with attention: no two records of a bank repeat the text of `field`.
void checkNoRepeats(const ContentDocument &document, const QString &field, ContentProblems &problems);
