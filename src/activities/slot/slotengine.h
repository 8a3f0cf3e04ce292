#pragma once

#include "contentfile.h"
#include "pickandplace.h"
#include "screen.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <array>
#include <initializer_list>
#include <vector>

struct SlotBank;

namespace Slot {
constexpr int MaxWords = 11;    // a sentence has at most this many words (Label7(0) to (10))
constexpr int BoxCount = 3;     // at most this many drop boxes, Label5(0) to (2)
constexpr float LineLeft = 240;
constexpr float LineTop = 3660; // top of the sentence's (last) line
constexpr float WordGap = 120;
constexpr float ScreenWidth = 12000;
constexpr float ScreenHeight = 9000;
// While dragging, a word's top-left corner stays on the screen with at least this much of
// the word showing, so it can always be picked up again.
constexpr float DragMargin = 240;
// The copies in a box keep this far inside its edges (border included).
constexpr float BoxInset = 75;
}

struct SlotRect
{
    float left, top, width, height;
};

struct SlotHeading
{
    const char *caption;
    SlotRect place;
};

// What one drag-to-slot activity is: everything that differs between the screens.
struct SlotActivity
{
    const char *id;               // form name and content file
    const char *caption;          // window caption
    const char *termMenu;         // the menu its Exit shows again
    int recordCount;              // records in the built-in bank (the screen plays any loaded count)
    const char *keyDigits;        // the digits its keys may use
    int minPlaced, maxPlaced;     // how many words of each sentence belong in a box
    const char *instruction;
    float instructionPointSize;
    std::vector<SlotRect> boxes;  // Label5(0), (1), ...: every box shown and taking drops
    std::vector<SlotHeading> headings; // Label10(0), (1), ...
    SlotRect feedback;            // Label1, "Correct" or "Wrong"
    BankParser<SlotBank> parse;   // reads this activity's bank file
};

// Where the words of a sentence sit, from their widths: one line from the left margin, 120
// twips apart; a word that would come closer to the right edge of the screen than the left
// margin starts a new line. The last line's top is LineTop and earlier lines stack above
// it, so no word resting in the sentence lies in a box's drop window.
std::vector<QPointF> wordPlaces(const std::vector<float> &widths, float lineHeight);

// Where copies of the given sizes sit in a box: rows from the top of its inside (the box
// less BoxInset), each row centred, the copies side by side `gap` apart while they fit.
// The places are top-left corners; `fits` tells whether the rows all lie inside the box.
struct BoxFlow
{
    std::vector<QPointF> places;
    bool fits = true;
};
BoxFlow flowInBox(const SlotRect &box, const std::vector<QSizeF> &sizes, float gap);

// The drop test: a word whose top-left corner is (left, top) is on the box when the corner
// lies strictly inside the box widened by half its width to the left and half its height
// upwards.
bool isOnBox(float left, float top, const SlotRect &box);

// The score as the score label writes it: " 1", " 0", "-1".
QString scoreText(int score);

// The drag-to-slot engine: a sentence laid out as a line of word labels (Label7), dragged
// one by one onto drop boxes (Label5) and marked at once against the sentence's key.
// Words can also be placed without dragging: tapped and then a box tapped, or from the
// keyboard (PickAndPlace). However a word reaches a box, and wherever in it, the outcome
// is the same: the word is marked, goes back to the sentence, and its copy (Label2) joins
// the copies already in that box, laid out in rows inside it (flowInBox) in the order they
// came, in a smaller size of the same face when they would not fit otherwise.
//
// A word let go on no box stays there only on bare background, wholly on the screen and
// clear of every button, box, label and other word; anywhere else it goes back to where it
// was picked up (or to its place in the sentence). The verdict (Label1) is shown at its
// designed place, or, when something there would lie under its text, at the nearest free
// place.
class SlotScreen : public Screen
{
public:
    SlotScreen(AppContext &context, const SlotActivity &activity);
    // An activity left without Exit (unloaded, or the program ending) ends its visit here.
    ~SlotScreen() override;

    const SlotActivity &activity() const { return m_activity; }

    void Form_Load() override;
    void Timer1_Timer();
    void cmdgo_Click();
    void Label7_MouseMove(int index, int button, int shift, float x, float y);
    void Label7_MouseUp(int index, int button, int shift, float x, float y);
    void tmrtick_Timer();
    void tmrcross_Timer();
    void cmdexit_Click();

    // Drops word index with its top-left corner at (left, top), as a release there does:
    // the first box whose drop window holds the corner marks the word, which then goes back
    // to the sentence, placed. Returns that box, or -1 when the word lies on no box (it
    // stays there if it may rest there, else goes back) or cannot be placed (no such word,
    // or placed already).
    int dropWord(int index, float left, float top);

    // Places word index on box `box` without dragging (a tap on the box, or the keyboard):
    // marked exactly as a drop on that box. Returns the box, or -1 when nothing was placed.
    int placeWord(int index, int box);

    // The number of boxes this activity shows.
    int boxCount() const { return int(m_activity.boxes.size()); }

    // Tap-to-place and the keyboard: the targets are the boxes.
    PickAndPlace &picker() { return m_picker; }

    // The number of words of the sentence on screen.
    int wordCount() const { return m_wordCount; }
    // False until a bank has been loaded; the activity then deals nothing.
    bool hasBank() const { return m_recordCount > 0; }

private:
    void ShowNextItem();
    int cutSentence(const QString &array, const QString &sentence);
    std::vector<QPointF> placesOf(const QString &array) const;
    void markDrop(int index, int box);
    void layOutBox(int box);
    void layOutSentence();
    bool mayRest(int index, const QRectF &place) const;
    void sendBack(int index);
    void placeVerdict();
    std::vector<QRectF> shownAreas(std::initializer_list<const Control *> except) const;
    void growMark(Control &shown, Control &hidden, Timer &timer);

    void showScore();
    void endVisit();

    const SlotActivity &m_activity;
    // The log told of this visit, from the bank's loading until the activity is left.
    VisitLog *m_visit = nullptr;
    int m_recordCount = 0;
    int m_wordCount = 0;
    int m_score = 0;
    std::array<int, Slot::MaxWords> m_boxOf{}; // the box each word was placed on, or -1
    std::array<std::vector<int>, Slot::BoxCount> m_copiesIn; // each box's copies, in the order placed
    std::array<bool, Slot::MaxWords> m_loose{};  // let go in free space, away from the sentence
    PickAndPlace m_picker;
};
