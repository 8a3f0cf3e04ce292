#pragma once

#include "choiceactivity.h"
#include "screen.h"

// The multiple-choice round engine: one screen that runs any ChoiceActivity row. It shows
// one item at a time, judges every click on an answer label at once (verdict, cue, a tick
// or cross that grows into view, the right answer blinking) and draws another item on
// Next. There is no score and no end; Exit returns to the activity's term menu.
class ChoiceScreen : public Screen
{
public:
    ChoiceScreen(AppContext &context, ChoiceActivity activity);
    // An activity left without Exit (unloaded, or the program ending) ends its visit here.
    ~ChoiceScreen() override;

    const ChoiceActivity &activity() const { return m_activity; }
    // False until the first Timer1 tick has filled the bank (and for good, when no copy
    // of the bank could be loaded).
    bool hasBank() const { return m_hasBank; }
    // Records in the bank that was loaded (a teacher's may hold more or fewer than ours).
    int recordCount() const { return m_records; }

    static const QString LoadFailedMessage;
    static constexpr float MarkStep = 15.0f;
    static constexpr float MarkLimit = 735.0f;

    void Form_Load() override;
    void Timer1_Timer();
    void Label5_Click(int index);
    void Timer2_Timer();
    void tmrtick_Timer();
    void tmrcross_Timer();
    void cmdgo_Click();
    void cmdsoln_Click();
    void cmdexit_Click();

    // Whether answer label index holds the right answer to the record on show.
    bool isCorrect(int index) const;

private:
    void ShowNextItem();
    // Moves each label that keeps clear of the text above it (LabelSpec::after).
    void keepLabelsClear();
    // Sets the answer options alike: one size for all, and either every one on a single
    // line or every one wrapped (see choicescreen.cpp).
    void setOptionsAlike();
    QString slotText(const SlotRef &ref, int record) const;
    void growMark(const QString &grow, const QString &other, const QString &timer);
    void setVisible(const QStringList &labels, bool visible);

    void endVisit();

    ChoiceActivity m_activity;
    bool m_hasBank = false;
    int m_records = 0;
    // The log told of this visit, from the bank's loading until the activity is left.
    VisitLog *m_visit = nullptr;
    // Whether the item on screen has had its first answer.
    bool m_answered = false;
};
