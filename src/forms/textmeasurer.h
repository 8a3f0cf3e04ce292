#pragma once

#include <QSizeF>
#include <QString>

struct FontSpec;

// Measures text for auto-sizing labels, in twips at a fixed reference scale, so a label
// that sizes itself to its caption gets the same width at every window size.
class TextMeasurer
{
public:
    virtual ~TextMeasurer() = default;
    // The size of text on one line (wrapWidth <= 0) or wrapped to wrapWidth twips.
    virtual QSizeF measure(const FontSpec &font, const QString &text, float wrapWidth) const = 0;
};

// Measures with the real fonts through QFontMetricsF (needs a QGuiApplication).
class FontTextMeasurer : public TextMeasurer
{
public:
    QSizeF measure(const FontSpec &font, const QString &text, float wrapWidth) const override;
};
