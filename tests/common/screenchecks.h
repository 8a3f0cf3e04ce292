#pragma once

// What a pupil must always be able to see on a drag screen, checked on the model after
// every step: every piece wholly on the screen, no piece hiding another, no piece over a
// button, and no verdict written over other text. Each finding is one line saying what
// and where, so a failing seeded run can be read and replayed.

#include "form.h"

#include <QStringList>

namespace ScreenChecks {

// Overlaps smaller than this many twips each way are the shared edge of two boxes side by
// side (borders drawn on the same pixel), not one piece hiding another.
constexpr float Touching = 16.0f;

inline bool overlaps(const QRectF &a, const QRectF &b)
{
    const QRectF both = a.intersected(b);
    return both.width() > Touching && both.height() > Touching;
}

inline QString where(const Control &control)
{
    return QStringLiteral("%1(%2) \"%3\" at %4,%5 %6x%7")
        .arg(control.name())
        .arg(control.index())
        .arg(control.caption())
        .arg(control.left)
        .arg(control.top)
        .arg(control.width)
        .arg(control.height);
}

// The pieces: the visible elements of the given control arrays.
inline std::vector<const Control *> pieces(const Form &form, const QStringList &arrays)
{
    std::vector<const Control *> found;
    for (const auto &control : form.controls()) {
        if (control->visible && control->index() >= 0 && arrays.contains(control->name()))
            found.push_back(control.get());
    }
    return found;
}

inline QStringList pieceFindings(const Form &form, const QStringList &arrays)
{
    QStringList findings;
    const QRectF screen(0, 0, form.width, form.height);
    const std::vector<const Control *> shown = pieces(form, arrays);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const Control &piece = *shown[i];
        if (!screen.contains(piece.rect()))
            findings << QStringLiteral("off the screen: %1").arg(where(piece));
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            if (overlaps(piece.rect(), shown[j]->rect()))
                findings << QStringLiteral("overlap: %1 and %2").arg(where(piece), where(*shown[j]));
        }
        for (const auto &control : form.controls()) {
            // A button is anything clickable, shown or waiting to be shown (Check).
            if (control->isClickable() && control->width > 0 && overlaps(piece.rect(), control->rect()))
                findings << QStringLiteral("over a button: %1 on %2").arg(where(piece), where(*control));
        }
    }
    return findings;
}

// The verdict's ink against the ink of every other visible label and every piece.
inline QStringList verdictFindings(const Form &form, const QString &verdictName)
{
    QStringList findings;
    const Control *verdict = form.control(verdictName);
    if (!verdict || !verdict->visible)
        return findings;
    const QRectF ink = verdict->shownTextRect();
    for (const auto &control : form.controls()) {
        if (control.get() == verdict || !control->visible || control->kind != ControlKind::Label)
            continue;
        const QRectF other = control->caption().isEmpty() ? QRectF() : control->shownTextRect();
        if (!other.isEmpty() && overlaps(ink, other))
            findings << QStringLiteral("verdict \"%1\" over text: %2").arg(verdict->caption(), where(*control));
    }
    return findings;
}

} // namespace ScreenChecks
