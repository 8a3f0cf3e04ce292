#include "pickandplace.h"

#include "form.h"
#include "readingorder.h"

#include <QLineF>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// How far a target lies towards the side of an arrow key (along) and off to the side
// (across), centre to centre; and whether the two overlap across that direction (they
// share a row for Left and Right, a column for Up and Down).
struct Offset
{
    double along, across;
    bool aligned;
};

Offset offsetTowards(int key, const QRectF &from, const QRectF &to)
{
    const QPointF d = to.center() - from.center();
    const bool horizontal = key == Qt::Key_Left || key == Qt::Key_Right;
    const double sign = (key == Qt::Key_Left || key == Qt::Key_Up) ? -1.0 : 1.0;
    if (horizontal)
        return {sign * d.x(), std::abs(d.y()), to.top() < from.bottom() && from.top() < to.bottom()};
    return {sign * d.y(), std::abs(d.x()), to.left() < from.right() && from.left() < to.right()};
}

} // namespace

void PickAndPlace::attach(Form &form, const QString &itemArray, int itemCount, std::vector<Control *> targets,
                          int firstHome, Placer place)
{
    m_form = &form;
    m_itemArray = itemArray;
    m_itemCount = itemCount;
    m_targets = std::move(targets);
    m_firstHome = firstHome;
    m_place = std::move(place);
    m_pickUps.assign(std::size_t(m_itemCount), QPointF());
    m_pickedUp.assign(std::size_t(m_itemCount), false);

    for (int i = 0; i < m_itemCount; ++i) {
        Control &it = item(i);
        it.onActivate = [this](int index) { activateItem(index); };

        Control::MouseHandler down = it.onMouseDown;
        it.onMouseDown = [this, down, &it](int index, int button, int shift, float x, float y) {
            if (button == MouseButton::Left && index >= 0 && index < m_itemCount) {
                m_pickUps[std::size_t(index)] = QPointF(it.left, it.top);
                m_pickedUp[std::size_t(index)] = true;
            }
            if (button == MouseButton::Left) {
                m_pressed = index;
                m_pressX = it.left + x;
                m_pressY = it.top + y;
                m_travel = 0;
            }
            if (down)
                down(index, button, shift, x, y);
        };
        Control::MouseHandler move = it.onMouseMove;
        it.onMouseMove = [this, move, &it](int index, int button, int shift, float x, float y) {
            // Measured on the form before the screen moves the item under the pointer.
            if (index == m_pressed && (button & MouseButton::Left))
                m_travel = std::max(m_travel, float(QLineF(m_pressX, m_pressY, it.left + x, it.top + y).length()));
            if (move)
                move(index, button, shift, x, y);
        };
        Control::MouseHandler up = it.onMouseUp;
        it.onMouseUp = [this, up, &it](int index, int button, int shift, float x, float y) {
            bool tap = false;
            bool dragged = false;
            if (button == MouseButton::Left && index == m_pressed) {
                const float travel = std::max(m_travel, float(QLineF(m_pressX, m_pressY, it.left + x, it.top + y).length()));
                tap = travel <= TapSlop;
                dragged = !tap;
                m_pressed = -1;
            }
            // The release does what it always does; the tap then selects what it dropped.
            if (up)
                up(index, button, shift, x, y);
            if (tap)
                select(index);
            else if (dragged)
                clear();
        };
    }
    for (int t = 0; t < int(m_targets.size()); ++t) {
        // A tap, not a click: the keyboard reaches the targets through the cursor, so they
        // take no keyboard focus of their own.
        Control *target = m_targets[std::size_t(t)];
        target->onMouseUp = [this, t, target](int, int button, int, float x, float y) {
            if (button == MouseButton::Left && x >= 0 && y >= 0 && x < target->width && y < target->height)
                tapTarget(t);
        };
    }
    form.addKeyHandler([this](int key, int shift) { return handleKey(key, shift); });
}

Control &PickAndPlace::item(int i) const
{
    return *m_form->control(m_itemArray, i);
}

bool PickAndPlace::canSelect(int i) const
{
    if (i < 0 || i >= m_itemCount)
        return false;
    const Control &it = item(i);
    return it.visible && it.enabled;
}

void PickAndPlace::select(int i)
{
    if (!canSelect(i))
        return;
    if (m_selected >= 0 && m_selected != i)
        item(m_selected).selected = false;
    m_selected = i;
    Control &it = item(i);
    it.selected = true;
    // The item in hand is drawn over the others, as one being dragged is.
    m_form->bringToFront(it);
}

void PickAndPlace::activateItem(int i)
{
    if (i == m_selected && m_cursorShown && canSelect(i)) {
        placeAtCursor();
        return;
    }
    select(i);
    if (m_selected == i)
        showCursor();
}

void PickAndPlace::tapTarget(int target)
{
    if (canSelect(m_selected))
        place(target);
}

bool PickAndPlace::isAvailable(int target) const
{
    if (target < 0 || target >= int(m_targets.size()))
        return false;
    const Control &t = *m_targets[std::size_t(target)];
    return t.visible && t.rect().intersects(QRectF(0, 0, m_form->width, m_form->height));
}

int PickAndPlace::firstCursorTarget() const
{
    // The first target in reading order that is not a home box, or else the first of all.
    for (const bool homesToo : {false, true}) {
        std::vector<int> candidates;
        std::vector<QRectF> places;
        for (int t = 0; t < int(m_targets.size()); ++t) {
            if (isAvailable(t) && (homesToo || t < m_firstHome)) {
                candidates.push_back(t);
                places.push_back(m_targets[std::size_t(t)]->rect());
            }
        }
        if (!candidates.empty())
            return candidates[std::size_t(readingOrder(places).front())];
    }
    return -1;
}

void PickAndPlace::showCursor()
{
    if (!isAvailable(m_cursor))
        m_cursor = firstCursorTarget();
    m_cursorShown = m_cursor >= 0;
    m_form->cursor = m_cursorShown ? m_targets[std::size_t(m_cursor)] : nullptr;
}

bool PickAndPlace::moveCursor(int key)
{
    if (key != Qt::Key_Left && key != Qt::Key_Right && key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
    if (!canSelect(m_selected))
        return false;
    if (!m_cursorShown || !isAvailable(m_cursor)) {
        showCursor();
        return true;
    }
    std::vector<QRectF> places;
    std::vector<bool> available;
    for (int t = 0; t < int(m_targets.size()); ++t) {
        places.push_back(m_targets[std::size_t(t)]->rect());
        available.push_back(isAvailable(t));
    }
    const int best = neighbour(places, available, m_cursor, key);
    if (best >= 0) {
        m_cursor = best;
        m_form->cursor = m_targets[std::size_t(best)];
    }
    return true;
}

int PickAndPlace::neighbour(const std::vector<QRectF> &places, const std::vector<bool> &available, int from, int key)
{
    if (key != Qt::Key_Left && key != Qt::Key_Right && key != Qt::Key_Up && key != Qt::Key_Down)
        return -1;
    int best = -1;
    bool bestAligned = false;
    double bestScore = std::numeric_limits<double>::max();
    for (int t = 0; t < int(places.size()); ++t) {
        if (t == from || !available[std::size_t(t)])
            continue;
        const Offset o = offsetTowards(key, places[std::size_t(from)], places[std::size_t(t)]);
        if (o.along <= 0)
            continue;
        const double score = o.aligned ? o.along + o.across / 1000 : o.along + 2 * o.across;
        if ((o.aligned && !bestAligned) || (o.aligned == bestAligned && score < bestScore)) {
            best = t;
            bestAligned = o.aligned;
            bestScore = score;
        }
    }
    return best;
}

bool PickAndPlace::placeAtCursor()
{
    if (!m_cursorShown || !canSelect(m_selected) || !isAvailable(m_cursor))
        return false;
    place(m_cursor);
    return true;
}

void PickAndPlace::place(int target)
{
    const int it = m_selected;
    clear();
    m_place(it, target);
}

void PickAndPlace::clear()
{
    if (m_selected >= 0 && m_selected < m_itemCount)
        item(m_selected).selected = false;
    m_selected = -1;
    m_cursorShown = false;
    if (m_form)
        m_form->cursor = nullptr;
}

bool PickAndPlace::pickedUpFrom(int i, QPointF &where) const
{
    if (i < 0 || i >= int(m_pickedUp.size()) || !m_pickedUp[std::size_t(i)])
        return false;
    where = m_pickUps[std::size_t(i)];
    return true;
}

void PickAndPlace::forgetPickUps()
{
    std::fill(m_pickedUp.begin(), m_pickedUp.end(), false);
}

bool PickAndPlace::isClearPlace(const Form &form, const QRectF &rect)
{
    if (!QRectF(0, 0, form.width, form.height).contains(rect))
        return false;
    for (const auto &control : form.controls()) {
        if (control->isClickable() && control->width > 0 && control->height > 0 && control->rect().intersects(rect))
            return false;
    }
    return true;
}

bool PickAndPlace::handleKey(int key, int shift)
{
    if (shift & (ShiftKey::Ctrl | ShiftKey::Alt))
        return false;
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)
        return placeAtCursor();
    return moveCursor(key);
}
