#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>

class QPainter;
class WmfPicture;

// A picture as the screens use it: a raster image (JPEG and whatever else Qt reads) or a
// vector board picture (placeable WMF). Cheap to copy. Its natural size is in twips, taken
// from the file's resolution, so a picture drawn at twice the pixel size of an 800 x 600
// screen with 192 dpi shows at the same place and size as one drawn at 96 dpi.
class Picture
{
public:
    Picture() = default;

    // Reads a picture from a file or ":/" resource path; a null picture when the file is
    // missing or cannot be decoded.
    static Picture fromFile(const QString &path);
    static Picture fromData(const QByteArray &data);
    static Picture fromImage(const QImage &image);

    bool isNull() const { return m_image.isNull() && !m_vector && !m_encoded; }
    QSizeF sizeTwips() const { return m_sizeTwips; }

    // Draws the picture into target (painter coordinates), scaled to fill it.
    void paint(QPainter &painter, const QRectF &target) const;

    // The picture with the background it was drawn on replaced: every pixel reached from
    // the picture's edge through pixels of the designed background's hue (the background
    // itself, a shadow cast on it, its soft edges) is recoloured to `shown`, keeping how
    // much darker than the background it was. A button face drawn on the screens' blue so
    // sits on the blue of high contrast instead of in a blue box. Kept for the next call
    // with the same colours; a picture kept as a file or drawn as vectors is returned as
    // it is.
    Picture onBackground(const QColor &designed, const QColor &shown) const;

    // Identity, so a screen can tell whether a control's picture changed.
    bool operator==(const Picture &other) const
    {
        return m_image.cacheKey() == other.m_image.cacheKey() && m_vector == other.m_vector
            && m_encoded == other.m_encoded;
    }

    // Pictures with more pixels than this (a screen's background, the title's picture)
    // are kept as their file's bytes and decoded each time they are painted, at the size
    // they are painted: decoded whole they would cost megabytes each for the whole run.
    static constexpr qint64 LargePixels = 256 * 1024;
    // Whether the picture is kept that way.
    bool isDecodedWhenPainted() const { return bool(m_encoded); }

private:
    QImage m_image;
    std::shared_ptr<const WmfPicture> m_vector;
    std::shared_ptr<const QByteArray> m_encoded;
    QSizeF m_sizeTwips;
};
