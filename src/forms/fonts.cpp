#include "fonts.h"

#include "control.h"

#include <QDir>
#include <QFontDatabase>

#include <cmath>

QFont referenceFont(const FontSpec &fontSpec)
{
    // Wine's Tahoma Bold face has the bold advances but regular-weight outlines, so bold
    // text looked thin and loosely spaced. Liberation Sans Bold is truly bold and within
    // 3 % of its widths (a little narrower, so every caption that fitted still fits).
    const bool boldTahoma = fontSpec.bold && fontSpec.family == QLatin1String("Tahoma");
    QFont font(boldTahoma ? QStringLiteral("Liberation Sans") : fontSpec.family);
    font.setPixelSize(std::max(1, int(std::lround(fontSpec.pointSize * TwipsPerPoint))));
    font.setBold(fontSpec.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferOutline);
    return font;
}

void registerEmbeddedFonts()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // Registering a font makes fontconfig scan every glyph of it (several milliseconds
    // each), so a built-in face is registered only when the system lacks that family:
    // Debian's fonts-liberation is normally installed, Wine's Tahoma normally is not.
    const QStringList installed = QFontDatabase::families();
    const QDir dir(QStringLiteral(":/fonts"));
    for (const QString &file : dir.entryList(QDir::Files)) {
        const QString family = file.startsWith(QLatin1String("LiberationSerif")) ? QStringLiteral("Liberation Serif")
            : file.startsWith(QLatin1String("LiberationSans"))                   ? QStringLiteral("Liberation Sans")
            : file.startsWith(QLatin1String("tahoma"))                           ? QStringLiteral("Tahoma")
                                                                                 : QString();
        if (family.isEmpty() || !installed.contains(family))
            QFontDatabase::addApplicationFont(dir.filePath(file));
    }
    // Metric-compatible faces stand in for the families the screens name.
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    if (!QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"));
}
