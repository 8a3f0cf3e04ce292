#include "picture.h"

#include "wmfreader.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QPainter>

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
    }
}
