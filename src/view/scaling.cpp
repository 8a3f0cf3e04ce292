#include "scaling.h"

#include <algorithm>
#include <cmath>

Scaling::Scaling(const QSize &window, const QSizeF &form, const QSizeF &reference)
{
    if (window.isEmpty() || reference.isEmpty())
        return;
    m_scale = std::min(window.width() / reference.width(), window.height() / reference.height());
    // Whole pixels for the origin keep edges crisp.
    m_origin = QPointF(std::floor((window.width() - form.width() * m_scale) / 2.0),
                       std::floor((window.height() - form.height() * m_scale) / 2.0));
}

QRectF Scaling::toPixels(const QRectF &twips) const
{
    return QRectF(toPixels(twips.topLeft()), twips.size() * m_scale);
}

QPointF Scaling::toTwips(const QPointF &pixels) const
{
    return (pixels - m_origin) / m_scale;
}

QRect Scaling::coveringRect(const QRectF &twips) const
{
    const QRectF px = toPixels(twips.normalized());
    const int left = int(std::floor(px.left()));
    const int top = int(std::floor(px.top()));
    const int right = int(std::ceil(px.right()));
    const int bottom = int(std::ceil(px.bottom()));
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

QTransform Scaling::twipsTransform(const QPoint &widgetTopLeft) const
{
    return QTransform(m_scale, 0, 0, m_scale, m_origin.x() - widgetTopLeft.x(),
                      m_origin.y() - widgetTopLeft.y());
}
