#pragma once

#include "screen.h"

// The home screen: the two years with their three terms each, which open the term menus,
// the sound choice, the maker's logo and web address, and the way out to the title screen.
// Its hidden Image1 holds the picture every term menu takes as its background.
class Intro0 : public Screen
{
public:
    static constexpr const char *Name = "intro0";

    explicit Intro0(AppContext &context);

    void Form_Load() override;
    void Option1_Click();
    void Option2_Click();
    void Label2_Click(int index);
    void Label6_Click();
    void Command1_Click();
    void Label1_MouseMove();
    void Label2_MouseMove(int index);

    // The background every term menu shows (null when its picture is missing).
    Picture menuBackground() const;
};
