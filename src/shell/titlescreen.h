#pragma once

#include "screen.h"

// The title screen: where the program starts and where it is left. Loading it turns sound
// on and resets the item counter, every time. "OK" (or "Cancel", when it was reached on
// the way out) goes on to the home screen, or to the sign-in screen when pupils sign in; "Exit" ends the program.
class Titlefrm : public Screen
{
public:
    static constexpr const char *Name = "Titlefrm";
    static constexpr float ClientWidth = 5730;
    static constexpr float ClientHeight = 6915;

    explicit Titlefrm(AppContext &context);

    void Form_Load() override;
    void Command1_Click();
    void Command2_Click();

private:
    void bringFrameForward();
};
