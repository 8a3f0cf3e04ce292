#include "textmeasurer.h"

#include "control.h"
#include "fonts.h"

#include <QFontMetricsF>

QSizeF FontTextMeasurer::measure(const FontSpec &fontSpec, const QString &text, float wrapWidth) const
{
    const QFontMetricsF metrics(referenceFont(fontSpec));
    if (wrapWidth <= 0.0f) {
        // Auto-size labels are as wide as their text and one line high, even when empty.
        return QSizeF(metrics.horizontalAdvance(text), metrics.height());
    }
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, wrapWidth, 1e6),
                                               Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
    // A word longer than the line runs past it: the width says so.
    return QSizeF(bounds.width(), std::max(bounds.height(), metrics.height()));
}
