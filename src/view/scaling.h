#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QTransform>

// Maps the twips of a screen onto the pixels of a window: one uniform scale that fits the
// reference screen (12000 x 9000 twips) into the window, centred, with the rest of the
// window letter-boxed. A smaller screen (the title) is centred at the same scale, so
// every screen keeps the proportions it was designed with.
class Scaling
{
public:
    Scaling() = default;
    Scaling(const QSize &window, const QSizeF &form, const QSizeF &reference = QSizeF(12000, 9000));

    double scale() const { return m_scale; } // pixels per twip
    QPointF origin() const { return m_origin; } // pixel position of the form's top left

    QPointF toPixels(const QPointF &twips) const { return m_origin + twips * m_scale; }
    QRectF toPixels(const QRectF &twips) const;
    QPointF toTwips(const QPointF &pixels) const;
    // The widget rectangle that covers a twips rectangle: pixel edges rounded outwards.
    QRect coveringRect(const QRectF &twips) const;
    // Painter transform that draws in form twips onto a widget whose top left is at
    // widgetTopLeft (pixels, in the same coordinates as origin()).
    QTransform twipsTransform(const QPoint &widgetTopLeft) const;

private:
    double m_scale = 1.0 / 15.0;
    QPointF m_origin;
};
