#include "textfit.h"

#include "textmeasurer.h"

#include <QGuiApplication>

const TextMeasurer *screenTextMeasurer()
{
    static const FontTextMeasurer measurer;
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) ? &measurer : nullptr;
}

float readableSize(const FontSpec &font)
{
    return std::min(font.pointSize, ReadablePointSize);
}

int wordsTooMany(const TextMeasurer &measurer, const TextBox &box, const QString &text)
{
    FontSpec font = box.font;
    if (box.shrinkToFit)
        font.pointSize = readableSize(font);
    const float width = std::max(1.0f, box.width - 2 * box.inset);
    const float height = box.height - 2 * box.inset;
    const auto fits = [&](const QString &shown) {
        const QSizeF size = measurer.measure(font, shown, width);
        return size.width() <= width && size.height() <= height;
    };
    if (fits(text))
        return 0;
    // The most leading words that fit: fitting only gets easier with fewer words.
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int fitting = 0, tooMany = int(words.size());
    while (tooMany - fitting > 1) {
        const int mid = (fitting + tooMany) / 2;
        if (fits(QStringList(words.mid(0, mid)).join(QLatin1Char(' '))))
            fitting = mid;
        else
            tooMany = mid;
    }
    return std::max(1, int(words.size()) - fitting);
}

QString tooLongReason(const QString &what, int words)
{
    return QStringLiteral("This %1 is too long for the screen by %2 %3")
        .arg(what).arg(words).arg(words == 1 ? QStringLiteral("word") : QStringLiteral("words"));
}
