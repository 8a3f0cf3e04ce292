#pragma once

#include "catalogue.h"
#include "screen.h"

// One term's menu: its title, the three term labels of its year, its five activities and
// the way back home. The six menus share this one design; a TermMenuDesign row and the
// catalogue's entries are all that tell them apart.
class TermMenu : public Screen
{
public:
    TermMenu(AppContext &context, const TermMenuDesign &design);

    const TermMenuDesign &design() const { return m_design; }

    void Form_Load() override;
    void Label2_Click(int index);
    void Label3_Click(int index);
    void Command1_Click();
    void Form_MouseMove();
    void Label1_MouseMove();
    void Label2_MouseMove(int index);
    void Label3_MouseMove(int index);

private:
    const TermMenuDesign &m_design;
};

// Registers menu1 to menu6.
void registerTermMenus(AppContext &context);
