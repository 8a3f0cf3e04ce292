#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>

#include <functional>
#include <vector>

class Control;
class Form;

// Moves the items of a drag activity without dragging, for an interactive whiteboard and
// for pupils who cannot drag or use a mouse.
//
// Pointer: a tap on an item (a press and release with hardly any movement between) still
// does what its release does, a drop where it lies, and also selects the item; a tap on a
// target then moves the selected item there and drops it, exactly as a release there
// would. A tap on another item selects that one instead; a real drag puts the selection
// down. A hidden or disabled item cannot be selected.
//
// Keyboard: Space or Enter on a focused item selects it and shows a target cursor; the
// arrow keys move the cursor from target to target; Space or Enter places the selected
// item on the target under the cursor.
//
// The screen keeps its own handlers: attach() wraps the items' mouse handlers, gives the
// targets a release handler (a tap; they take no keyboard focus of their own) and the form
// a key handler, and the screen says, through its placer, how an item is put on a target.
// The screen calls clear() wherever the items are dealt again or the screen is left.
class PickAndPlace
{
public:
    // Puts item on target and drops it there, as a release there does.
    using Placer = std::function<void(int item, int target)>;

    // How far the pointer may move between press and release, in twips, for a tap.
    static constexpr float TapSlop = 150;

    PickAndPlace() = default;
    PickAndPlace(const PickAndPlace &) = delete;
    PickAndPlace &operator=(const PickAndPlace &) = delete;

    // items: elements 0 .. itemCount - 1 of the control array itemArray. targets: the
    // controls an item can be placed on, numbered for the placer by their place in the
    // list; those from firstHome on are home boxes, which the cursor does not start on.
    void attach(Form &form, const QString &itemArray, int itemCount, std::vector<Control *> targets,
                int firstHome, Placer place);

    int selected() const { return m_selected; } // -1 when nothing is selected
    // The target under the cursor, or -1 when the cursor is not shown.
    int cursor() const { return m_cursorShown ? m_cursor : -1; }

    // Selects an item, as a tap on it does; an item that cannot be selected is ignored.
    void select(int item);
    // Space or Enter on an item: selects it and shows the cursor, or, when it is already
    // selected with the cursor shown, places it under the cursor.
    void activateItem(int item);
    // A tap on a target: the selected item is placed there.
    void tapTarget(int target);
    // Moves the cursor towards a side (a Qt arrow key); shows it first if it is hidden.
    // Returns false when nothing is selected or the key is not an arrow.
    bool moveCursor(int arrowKey);
    // Places the selected item under the cursor; returns whether it did.
    bool placeAtCursor();
    // Puts the selection down and hides the cursor.
    void clear();

    // Where item's top left was when the pointer last pressed on it, so a piece let go
    // where it may not rest can go back; false when it has not been pressed since dealt.
    bool pickedUpFrom(int item, QPointF &place) const;
    // Forgets every pick-up place (the items were dealt again).
    void forgetPickUps();

    // Whether a piece may come to rest on rect: wholly on the form and over no button. A
    // button is any control that can be clicked, shown or not yet (Check appears on its
    // own once the arrangement is complete, and must never appear under a piece).
    static bool isClearPlace(const Form &form, const QRectF &rect);

    // Where the cursor goes from place `from` with an arrow key: among the available
    // places on that side (centre to centre), the nearest in the same row (the same
    // column for Up and Down), or, with none there, the nearest counting a step sideways
    // double. -1 when nothing lies on that side.
    static int neighbour(const std::vector<QRectF> &places, const std::vector<bool> &available, int from, int arrowKey);

private:
    Control &item(int i) const;
    bool canSelect(int i) const;
    bool isAvailable(int target) const;
    int firstCursorTarget() const;
    void showCursor();
    void place(int target);
    bool handleKey(int key, int shift);

    Form *m_form = nullptr;
    QString m_itemArray;
    int m_itemCount = 0;
    std::vector<Control *> m_targets;
    int m_firstHome = 0;
    Placer m_place;

    int m_selected = -1;
    int m_cursor = -1; // kept while hidden, so the cursor comes back where it was
    bool m_cursorShown = false;

    std::vector<QPointF> m_pickUps;
    std::vector<bool> m_pickedUp;

    // The press that may become a tap.
    int m_pressed = -1;
    float m_pressX = 0, m_pressY = 0;
    float m_travel = 0;
};
