#pragma once

#include <QString>

class Control;
class Form;

// Keys that press the buttons of a screen, so it can be used without a mouse.

// Presses a control as a click does when it is shown, enabled and clickable; returns
// whether it did.
bool pressIfShown(Control *control);

// The keys of every activity screen: N presses Next (cmdgo) and Escape presses Exit
// (cmdexit), each while its button is shown.
void addActivityKeys(Form &form);

// Escape presses the named button while it is shown (the Exit of a menu).
void addEscapeKey(Form &form, const QString &button);

// The keys 1 to 9 press the shown elements of the clickable control array `array`
// (elements 0 to count - 1) numbered in reading order: 1 is the top left one.
void addAnswerKeys(Form &form, const QString &array, int count);
