#pragma once

#include "control.h"

class Form;
class Screen;

// A control's place on its form as designed, in twips.
struct Box
{
    float left, top, width, height;
};

// Helpers for building the shell's screens as designed: a control at its place, and the
// centred labels every shell screen is made of.
Control &addAt(Form &form, ControlKind kind, const QString &name, Box box, int index = -1);

// A label that centres its caption over a transparent background.
Control &addCentredLabel(Form &form, const QString &name, Box box, const QString &caption,
                         const FontSpec &font, const QColor &foreColor, int index = -1);

// Gives a label an opaque background of the colour and a single-line border.
void setBoxed(Control &label, const QColor &backColor);

// The home screen's and the menus' exit button, Command1: a picture button that reads
// "Exit" should its picture be missing; Escape presses it. loadExitButton gives it its
// picture and place, as the screen's Form_Load does.
Control &addExitButton(Form &form, Control::ClickHandler onClick);
void loadExitButton(Screen &form);

// Makes one option button of a group the selected one, as a click or code does.
void selectOption(Control &chosen, Control &other);
