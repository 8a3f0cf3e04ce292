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
