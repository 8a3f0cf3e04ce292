#pragma once

#include "screen.h"

// The home screen: the two years with their three terms each, which open the term menus,
// the sound choice, the maker's logo and web address, a small button that opens the teacher
// window, and the way out to the title screen. While a pupil is signed in it says who, with
// a "Not me" button that signs them out and shows the names again.
// Its hidden Image1 holds the picture every term menu takes as its background. A line
// under the title tells a teacher when one of their own content files was not used.
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
    void notMe_Click();
    void teacherButton_Click();
    void Label1_MouseMove();
    void Label2_MouseMove(int index);

    // Shows the line about a teacher's content file that was set aside, or hides it.
    void showContentNotice();

    // The background every term menu shows (null when its picture is missing).
    Picture menuBackground() const;
};
