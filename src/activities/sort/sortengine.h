#pragma once

#include "pickandplace.h"
#include "screen.h"
#include "sortactivity.h"

#include <QPointF>

#include <vector>

// A drag-and-sort activity screen. The class deals one set of phrases at a time; the pupils
// drag the phrases into slots (or back to their home boxes), and Check marks the
// arrangement. Everything in which the five activities differ comes from their
// SortActivity row.
//
// A phrase's place is nothing but its Left and Top: it lies in a slot exactly when those
// equal the slot's. A drop snaps the phrase into the first slot or home box whose drop
// window holds its top-left corner, testing slot i and then home box i for i = 0, 1, ...
//
// Every phrase stays in view. A slot at least two phrases high (a dustbin, a notepad)
// holds several, laid out in rows inside it below or above its caption; when it is full a
// phrase let go there goes back. Any other slot or home box holds one: a phrase dropped on
// an occupied one sends the one there to its own home box (unless that is where it is, and
// then the dropped phrase goes back). A phrase let go on no target stays only where it is
// wholly on the screen, over no button, no target and no other phrase; otherwise it goes
// back to where it was picked up. A verdict is hidden as soon as a phrase moves after it.
//
// Phrases can also be placed without dragging: tapped and then a slot or home box tapped,
// or from the keyboard (PickAndPlace); either way the phrase is dropped with its top left
// at the target's, exactly as a release there.
class SortScreen : public Screen
{
public:
    SortScreen(AppContext &context, const SortActivity &activity);
    // An activity left without Exit (unloaded, or the program ending) ends its visit here.
    ~SortScreen() override;

    const SortActivity &activity() const { return m_activity; }
    // Whether the bank loaded and sets are being dealt.
    bool isDealing() const { return m_dealing; }
    // Sets in the bank that was loaded (a teacher's may hold more or fewer than ours).
    int setCount() const { return m_setCount; }

    void Form_Load() override;
    void Timer1_Timer();
    void Label2_MouseDown(int index, int button, int shift, float x, float y);
    void Label2_MouseMove(int index, int button, int shift, float x, float y);
    void Label2_MouseUp(int index, int button, int shift, float x, float y);
    void Label3_Click();
    void cmdcheckit_Click();
    void cmdgo_Click();
    void cmdsoln_Click();
    void cmdexit_Click();
    void tmrtick_Timer();
    void tmrcross_Timer();

    // Puts phrase `index` with its top left at (left, top), kept on the screen, and drops
    // it there: the snap, the completion test and any marking run as for a mouse release.
    // Placing by tap or keyboard goes through here with a slot's or home box's place.
    void dropPhraseAt(int index, float left, float top);
    // Drops phrase `index` where it lies.
    void dropPhrase(int index);

    // Tap-to-place and the keyboard: targets 0 .. N-1 are the slots, N .. 2N-1 the home boxes.
    PickAndPlace &picker() { return m_picker; }

    // The drop window test: the phrase's top-left corner lies strictly inside the window
    // from half the target's width left of it to its right edge, and from half its height
    // above it to its bottom edge, every bound rounded to single precision.
    static bool inDropWindow(const Control &phrase, const Control &target);

    // The space between phrases laid out in rows inside a dustbin or notepad.
    static constexpr float RowGap = 30.0f;

    // Targets are numbered as the picker numbers them: slots 0 .. N-1, home boxes N .. 2N-1.
    // The target phrase `index` rests in, or -1 when it lies elsewhere.
    int targetOf(int index) const;
    // Whether target t holds several phrases (a slot at least two phrases high).
    bool holdsSeveral(int t) const;
    // How many phrases target t holds at most.
    int capacity(int t) const;

private:
    Control &phrase(int i) const { return ctl(QStringLiteral("Label2"), i); }
    Control &slot(int i) const { return ctl(QStringLiteral("Label1"), i); }
    Control &home(int i) const { return ctl(QStringLiteral("Label4"), i); }
    Control &label(const char *name) const { return ctl(QString::fromLatin1(name)); }
    int count() const { return m_activity.phraseCount; }

    void buildDesign();
    void ShowNextSet();
    void sendPhrasesHome();
    void stopMarks();
    const Control &target(int t) const { return t < count() ? slot(t) : home(t - count()); }
    int snapTarget(const Control &phrase) const;
    QPointF restingPlace(int t, const Control &phrase) const;
    QRectF rowArea(int t) const;
    std::vector<int> phrasesIn(int t, int except) const;
    int occupant(int t, int except) const;
    void layOutRows(int t, const std::vector<int> &order);
    bool placeInto(int index, int t);
    void sendHome(int index, int dropped, std::vector<bool> &moved);
    bool restsClear(int index) const;
    void goBack(int index);
    void noteUnchanged();
    void hideVerdict();
    void keepOnScreen(Control &phrase) const;
    int placedPairs() const;
    bool arrangementIsRight() const;
    void markRelease(int index);
    void startMark(bool right);
    void growMark(const char *timerName, const char *growing, const char *other);

    // The set's strings as the shared banks hold them.
    QString setPhrase(int set, int i) const;
    QString setHeading(int set, int i) const;
    int setKey(int set, int j) const;

    void attachPicker();
    // The class results hear of the first answer to each set only.
    void firstAnswer(bool right);
    void endVisit();

    const SortActivity &m_activity;
    bool m_dealing = false;
    int m_setCount = 0; // sets in the bank that was loaded
    // The log told of this visit, from the bank's loading until the activity is left.
    VisitLog *m_visit = nullptr;
    // Whether the set on screen has had its first answer.
    bool m_answered = false;
    PickAndPlace m_picker;
    // Where each phrase was picked up (its top left) and the target it rested in then.
    std::vector<QPointF> m_from;
    std::vector<int> m_fromTarget;
};
