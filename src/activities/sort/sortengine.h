#pragma once

#include "pickandplace.h"
#include "screen.h"
#include "sortactivity.h"

// A drag-and-sort activity screen. The class deals one set of phrases at a time; the pupils
// drag the phrases into slots (or back to their home boxes), and Check marks the
// arrangement. Everything in which the five activities differ comes from their
// SortActivity row.
//
// A phrase's place is nothing but its Left and Top: it lies in a slot exactly when those
// equal the slot's. A drop snaps the phrase into the first slot or home box whose drop
// window holds its top-left corner, testing slot i and then home box i for i = 0, 1, ...
//
// Phrases can also be placed without dragging: tapped and then a slot or home box tapped,
// or from the keyboard (PickAndPlace); either way the phrase is dropped with its top left
// at the target's, exactly as a release there.
class SortScreen : public Screen
{
public:
    SortScreen(AppContext &context, const SortActivity &activity);

    const SortActivity &activity() const { return m_activity; }
    // Whether the bank loaded and sets are being dealt.
    bool isDealing() const { return m_dealing; }

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

    // How close to the right and bottom edges a dragged phrase's top left may come, so
    // that enough of it stays on screen to pick it up again.
    static constexpr float GrabMargin = 240.0f;

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
    bool snapInto(Control &phrase, const Control &target, SortSnap snap);
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

    const SortActivity &m_activity;
    bool m_dealing = false;
    PickAndPlace m_picker;
};
