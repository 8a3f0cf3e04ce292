#pragma once

#include "choiceactivity.h"

#include <QList>

// The nine activities that run the round in its plain form: a prompt in Label4, four
// options shuffled into Label5(0..3), the right one stored last in its record and found by
// its text. rhythm shows numbers kept in AnswerKey instead, judged by value, with the
// poet under the line.
QList<ChoiceActivity> openingsFamily();
