#pragma once

#include "pupilroster.h"
#include "screen.h"

// "Who are you?": when the teacher has turned signing in on, the pupils of this computer's
// class as a grid of large name buttons in alphabetical order, between the title screen
// and the home screen. Choosing a name (a click, Tab and Enter or Space, or typing its
// first letters to reach it) signs that pupil in and opens the home screen. A class with no
// pupils says so and offers to go on without signing in.
class SignInScreen : public Screen
{
public:
    static constexpr const char *Name = "signin";

    // The band the grid fills, in twips: under the title and the class, above the Exit
    // button, with a margin at each side.
    static constexpr float GridLeft = 240;
    static constexpr float GridTop = 1500;
    static constexpr float GridWidth = 11520;
    static constexpr float GridHeight = 6330;

    explicit SignInScreen(AppContext &context);

    void Form_Load() override;
    void pupil_Click(int index);
    void goOn_Click();
    void Command1_Click();
    // Counts the pause after a letter; after a second of it the next letter starts a new
    // name.
    void typing_Timer();
    static constexpr int TypingTick = 250;
    static constexpr int TypingPauseTicks = 4;

    // The class whose names are offered, and its pupils as shown.
    const QString &shownClass() const { return m_class; }
    const QList<PupilRoster::Entry> &pupils() const { return m_pupils; }

    // Signs the pupil out and shows the names again, leaving every other screen as its Exit
    // would (an activity's visit is ended and kept): "Not me", the idle time, going back.
    static void signOut(AppContext &context);

private:
    bool typed(int key, int shift);
    void layOutGrid();

    QString m_class;
    QList<PupilRoster::Entry> m_pupils;
    QString m_typed;
    int m_quietTicks = 0;
};
