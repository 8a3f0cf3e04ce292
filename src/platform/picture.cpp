#include "picture.h"

#include "wmfreader.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QPainter>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr double TwipsPerInch = 1440.0;
constexpr double MetresPerInch = 0.0254;

double dotsPerInch(int dotsPerMetre)
{
    const double dpi = dotsPerMetre * MetresPerInch;
    // Files without a usable resolution are taken as 96 dpi, the common screen default.
    return (dpi >= 24.0 && dpi <= 2400.0) ? dpi : 96.0;
}

bool looksLikeWmf(const QByteArray &data)
{
    return data.size() >= 4 && static_cast<unsigned char>(data[0]) == 0xD7
        && static_cast<unsigned char>(data[1]) == 0xCD
        && static_cast<unsigned char>(data[2]) == 0xC6
        && static_cast<unsigned char>(data[3]) == 0x9A;
}

// The same few pictures are loaded by every screen; decoding a full-screen JPEG costs
// several milliseconds, so decoded pictures are kept by path. A file replaced on disk
// (same path, new size or time) is read again.
struct CacheEntry
{
    qint64 size = -1;
    qint64 modified = 0;
    Picture picture;
};

QHash<QString, CacheEntry> &cache()
{
    static QHash<QString, CacheEntry> entries;
    return entries;
}

} // namespace

Picture Picture::fromFile(const QString &path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    const QFileInfo info(path);
    const qint64 size = info.size();
    const qint64 modified = path.startsWith(QLatin1Char(':'))
        ? 0
        : info.lastModified().toMSecsSinceEpoch();
    auto it = cache().constFind(path);
    if (it != cache().constEnd() && it->size == size && it->modified == modified)
        return it->picture;
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Board pictures and button faces are small; anything huge is not a picture of ours.
    constexpr qint64 MaxBytes = 64 * 1024 * 1024;
    if (size > MaxBytes)
        return {};
    const Picture picture = fromData(file.readAll());
    cache().insert(path, CacheEntry{size, modified, picture});
    return picture;
}

Picture Picture::fromData(const QByteArray &data)
{
    if (looksLikeWmf(data)) {
        auto wmf = std::make_shared<WmfPicture>();
        if (!wmf->load(data))
            return {};
        Picture picture;
        picture.m_sizeTwips = wmf->sizeTwips();
        picture.m_vector = std::move(wmf);
        return picture;
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // Refuse absurd dimensions before decoding, so a corrupt header cannot ask for gigabytes.
    const QSize declared = reader.size();
    if (declared.isValid() && qint64(declared.width()) * declared.height() > 64LL * 1024 * 1024)
        return {};
    if (declared.isValid() && qint64(declared.width()) * declared.height() > LargePixels) {
        // A large picture is checked by decoding it at an eighth of its size, which reads
        // the whole file for a fraction of the memory, and is then kept as it came.
        QBuffer check;
        check.setData(data);
        check.open(QIODevice::ReadOnly);
        QImageReader small(&check);
        small.setScaledSize(declared / 8);
        const QImage sample = small.read();
        if (sample.isNull())
            return {};
        Picture picture;
        picture.m_encoded = std::make_shared<const QByteArray>(data);
        picture.m_sizeTwips = QSizeF(declared.width() * TwipsPerInch / dotsPerInch(sample.dotsPerMeterX()),
                                     declared.height() * TwipsPerInch / dotsPerInch(sample.dotsPerMeterY()));
        return picture;
    }
    QImage image = reader.read();
    if (image.isNull())
        return {};
    return fromImage(image);
}

Picture Picture::fromImage(const QImage &image)
{
    Picture picture;
    if (image.isNull())
        return picture;
    picture.m_image = image;
    picture.m_sizeTwips = QSizeF(image.width() * TwipsPerInch / dotsPerInch(image.dotsPerMeterX()),
                                 image.height() * TwipsPerInch / dotsPerInch(image.dotsPerMeterY()));
    return picture;
}

Picture Picture::onBackground(const QColor &designed, const QColor &shown) const
{
    if (m_image.isNull() || designed.rgb() == shown.rgb())
        return *this;
    struct Key
    {
        qint64 image;
        QRgb designed, shown;
        bool operator==(const Key &) const = default;
    };
    static QList<std::pair<Key, Picture>> recent; // a few button faces at a time
    const Key key{m_image.cacheKey(), designed.rgb(), shown.rgb()};
    for (const auto &[k, picture] : recent)
        if (k == key)
            return picture;

    QImage image = m_image.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    const float designedHue = designed.hsvHueF();
    const float designedValue = std::max(designed.valueF(), 1e-3f);
    // Of the background's hue (a JPEG shifts it a little), saturated like it, and no
    // lighter than it: the background, or the background under a shadow.
    const auto isBackground = [&](QRgb rgb) {
        const QColor c = QColor::fromRgb(rgb);
        const float hue = c.hsvHueF();
        if (hue < 0)
            return false;
        const float hueGap = std::min(std::abs(hue - designedHue), 1 - std::abs(hue - designedHue));
        return hueGap <= 8.0f / 360 && std::abs(c.hsvSaturationF() - designed.hsvSaturationF()) <= 0.2f
            && c.valueF() <= designedValue + 0.08f && c.valueF() >= designedValue * 0.45f;
    };
    QList<QPoint> pending;
    QList<bool> seen(qsizetype(width) * height, false);
    const auto reach = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= width || y >= height || seen[qsizetype(y) * width + x])
            return;
        seen[qsizetype(y) * width + x] = true;
        if (isBackground(image.pixel(x, y)))
            pending.append(QPoint(x, y));
    };
    for (int x = 0; x < width; ++x) {
        reach(x, 0);
        reach(x, height - 1);
    }
    for (int y = 0; y < height; ++y) {
        reach(0, y);
        reach(width - 1, y);
    }
    while (!pending.isEmpty()) {
        const QPoint p = pending.takeLast();
        const QColor c = QColor::fromRgb(image.pixel(p));
        const float shade = std::min(1.0f, c.valueF() / designedValue);
        image.setPixel(p, qRgb(qRound(shown.red() * shade), qRound(shown.green() * shade),
                               qRound(shown.blue() * shade)));
        reach(p.x() + 1, p.y());
        reach(p.x() - 1, p.y());
        reach(p.x(), p.y() + 1);
        reach(p.x(), p.y() - 1);
    }
    Picture recoloured = *this;
    recoloured.m_image = image;
    recent.prepend({key, recoloured});
    if (recent.size() > 16)
        recent.removeLast();
    return recoloured;
}

void Picture::paint(QPainter &painter, const QRectF &target) const
{
    if (m_vector) {
        m_vector->paint(painter, target);
    } else if (!m_image.isNull()) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_image);
        painter.restore();
    } else if (m_encoded) {
        // Decoded at a half, a quarter or an eighth of its size when it covers no more
        // pixels than that, which JPEG does without decoding the rest, and a band of rows
        // at a time, so only a band's pixels are ever held; the painter scales the rest.
        QSize natural;
        {
            QBuffer buffer;
            buffer.setData(*m_encoded);
            buffer.open(QIODevice::ReadOnly);
            natural = QImageReader(&buffer).size();
        }
        const QSize covered = painter.combinedTransform().mapRect(target).size().toSize();
        int reduction = 1;
        while (reduction < 8 && natural.width() / (reduction * 2) >= covered.width()
               && natural.height() / (reduction * 2) >= covered.height()
               && natural.width() % (reduction * 2) == 0 && natural.height() % (reduction * 2) == 0)
            reduction *= 2;
        const QSize size = natural / reduction;
        // Each band is decoded from the file's start, so bands cost time: a picture of no
        // more than 320 K pixels at this size (the title's) is decoded in one pass and
        // dropped; a larger one in eight bands, holding an eighth of it at a time.
        constexpr qint64 OnePassPixels = 320 * 1024;
        const int bands = qint64(size.width()) * size.height() > OnePassPixels ? 8 : 1;
        const int bandHeight = (size.height() + bands - 1) / bands;
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        for (int top = 0; top < size.height(); top += bandHeight) {
            const QRect band(0, top, size.width(), std::min(bandHeight, size.height() - top));
            QBuffer buffer;
            buffer.setData(*m_encoded);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer);
            reader.setScaledSize(size);
            reader.setScaledClipRect(band);
            const QImage part = reader.read();
            const double sx = target.width() / size.width();
            const double sy = target.height() / size.height();
            painter.drawImage(QRectF(target.x() + band.x() * sx, target.y() + band.y() * sy,
                                     band.width() * sx, band.height() * sy),
                              part);
        }
        painter.restore();
#ifdef __GLIBC__
        // The decoded copy was megabytes; hand them back rather than keep them in the heap.
        malloc_trim(0);
#endif
    }
}
