#pragma once

#include "choiceactivity.h"

#include <QList>

// The seven activities that ask with three answer labels under a prompt of their own
// (Label1) and a fixed instruction line (Label2): similes, style, ambiguity, prediction,
// evaluate and distinctive judge the clicked caption against the last option of the record
// and blink it; Label4 either carries a second line of the item or, in similes and style,
// reveals the completed line once the item is answered. persuasive (persuasive.h) shows a
// sentence in three coloured parts instead and is answered by box colour.
QList<ChoiceActivity> similesFamily();

