#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

class QPainter;

// A placeable Windows metafile, parsed once into plain drawing operations.
//
// load() walks the records, plays the device-context state (objects, selections,
// saved states, window origin and extent) and keeps only what is drawn, with every
// coordinate already mapped into the unit square of the picture's window. paint()
// then only scales those operations to its target; it never sees the file's bytes.
class WmfPicture
{
public:
    // Parses a placeable metafile. Returns false (and leaves the picture empty) for anything
    // truncated, corrupt, not placeable, or absurd; never crashes or loops, whatever the bytes.
    bool load(const QByteArray &data, QString *error = nullptr);
    bool isNull() const;
    // Size from the placeable header's bounding box and units-per-inch, in twips (1/1440 inch).
    QSizeF sizeTwips() const;
    // Draws the picture scaled into target (device coordinates of the painter).
    void paint(QPainter &painter, const QRectF &target) const;
    // Convenience: renders into a transparent ARGB image of the given pixel size.
    QImage toImage(const QSize &pixels) const;

private:
    friend class WmfParser;

    struct Style
    {
        bool penNull = false;
        QColor penColor = Qt::black;
        quint16 penStyle = 0;     // the file's pen style word: dash kind, end cap and join
        qreal penWidth = 0;       // in picture units; 0 is a one-pixel line

        bool brushNull = false;
        QColor brushColor = Qt::white;
        int brushHatch = -1;      // -1 for a solid brush, otherwise the hatch kind

        QString fontFace;
        qreal fontHeight = 0;     // in picture units; 0 leaves the default size
        bool fontHeightIsCell = false; // positive heights in the file give the cell, not the em
        int fontWeight = 400;
        bool fontItalic = false;
        bool fontUnderline = false;
        bool fontStrikeOut = false;
        qreal fontAngle = 0;      // degrees, counter-clockwise

        QColor textColor = Qt::black;
        QColor backColor = Qt::white;
        bool backOpaque = true;
        bool windingFill = false;
        quint16 textAlign = 0;

        bool operator==(const Style &other) const = default;
    };

    enum class OpKind : quint8 { Line, Polyline, Polygon, PolyPolygon, Rectangle, RoundRect,
                                 Ellipse, Text };

    struct Op
    {
        OpKind kind = OpKind::Line;
        int style = 0;
        int firstPoint = 0;   // into m_points
        int pointCount = 0;
        int firstPolygon = 0; // into m_polygonSizes, for PolyPolygon
        int polygonCount = 0;
        QRectF rect;          // shapes, and the clip or opaque box of text
        QSizeF corner;        // RoundRect corner ellipse size
        int textIndex = -1;   // into m_texts
    };

    struct TextRun
    {
        QString text;
        QPointF origin;
        std::vector<qreal> advances; // per character, in picture units; empty for natural spacing
        bool opaqueBox = false;
        bool clipBox = false;
    };

    void clear();

    QSizeF m_sizeTwips;
    std::vector<Style> m_styles;
    std::vector<Op> m_ops;
    std::vector<QPointF> m_points;
    std::vector<int> m_polygonSizes;
    std::vector<TextRun> m_texts;
};
