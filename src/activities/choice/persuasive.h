#pragma once

#include "choiceactivity.h"

// "Persuasive Devices": a sentence in three coloured parts, laid out as one line that wraps,
// and three boxes in the same colours; the pupil clicks the box whose colour matches the
// persuasive device. Marked by the record's key (the element number of the right box),
// with the device named afterwards; nothing blinks and the boxes keep their colours.
ChoiceActivity persuasiveActivity();
