#include "wmfreader.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <variant>

namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr qsizetype kPlaceableHeaderSize = 22;
constexpr qsizetype kStandardHeaderSize = 18;
constexpr qsizetype kRecordHeaderSize = 6;

// Limits that no sensible picture comes near; they keep a hostile file from costing
// unbounded time or memory.
constexpr qsizetype kMaxInputBytes = 64 * 1024 * 1024;
constexpr int kMaxRecords = 1000000;
constexpr size_t kMaxPoints = 4000000;
constexpr size_t kMaxObjects = 65535; // object indexes are 16-bit
constexpr size_t kMaxSavedStates = 1024;
// Coordinates are kept within this many picture widths of the picture, so that no later
// scaling can overflow the rasteriser's fixed-point arithmetic.
constexpr qreal kCoordinateLimit = 1024;

enum RecordFunction : quint16 {
    Eof = 0x0000,
    SaveDc = 0x001E,
    CreatePalette = 0x00F7,
    SetBkMode = 0x0102,
    SetPolyFillMode = 0x0106,
    SetTextAlign = 0x012E,
    RestoreDc = 0x0127,
    SelectObject = 0x012D,
    DibCreatePatternBrush = 0x0142,
    DeleteObject = 0x01F0,
    CreatePatternBrush = 0x01F9,
    SetBkColor = 0x0201,
    SetTextColor = 0x0209,
    SetWindowOrg = 0x020B,
    SetWindowExt = 0x020C,
    LineTo = 0x0213,
    MoveTo = 0x0214,
    CreatePenIndirect = 0x02FA,
    CreateFontIndirect = 0x02FB,
    CreateBrushIndirect = 0x02FC,
    Polygon = 0x0324,
    Polyline = 0x0325,
    Ellipse = 0x0418,
    Rectangle = 0x041B,
    TextOut = 0x0521,
    PolyPolygon = 0x0538,
    RoundRect = 0x061C,
    Escape = 0x0626,
    CreateRegion = 0x06FF,
    ExtTextOut = 0x0A32,
};

quint16 readU16(const uchar *p)
{
    return quint16(p[0] | (p[1] << 8));
}

quint32 readU32(const uchar *p)
{
    return quint32(readU16(p)) | (quint32(readU16(p + 2)) << 16);
}

// Little-endian reads over one record's parameters. A read past the end returns zero and
// marks the reader failed, so a record handler can read its fields in one go and the
// caller rejects the record afterwards.
class ParamReader
{
public:
    ParamReader(const uchar *data, qsizetype size) : m_data(data), m_size(size) {}

    qsizetype remaining() const { return m_size - m_pos; }
    bool failed() const { return m_failed; }

    quint16 u16()
    {
        if (!take(2))
            return 0;
        return readU16(m_data + m_pos - 2);
    }
    qint16 s16() { return qint16(u16()); }
    quint8 u8()
    {
        if (!take(1))
            return 0;
        return m_data[m_pos - 1];
    }
    QColor color()
    {
        if (!take(4))
            return {};
        const uchar *p = m_data + m_pos - 4;
        return QColor(p[0], p[1], p[2]); // the fourth byte selects palette use; ignored
    }
    // Returns the next n bytes, or nullptr (and fails) when fewer remain.
    const uchar *bytes(qsizetype n)
    {
        if (n < 0 || !take(n))
            return nullptr;
        return m_data + m_pos - n;
    }
    void skip(qsizetype n)
    {
        if (n > 0)
            take(n);
    }

private:
    bool take(qsizetype n)
    {
        if (m_failed || remaining() < n) {
            m_failed = true;
            return false;
        }
        m_pos += n;
        return true;
    }

    const uchar *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    bool m_failed = false;
};

struct PenObject
{
    bool null = false;
    QColor color = Qt::black;
    quint16 style = 0;
    int width = 0;
};

struct BrushObject
{
    bool null = false;
    QColor color = Qt::white;
    int hatch = -1;
};

struct FontObject
{
    QString face;
    int height = 0;
    int escapement = 0;
    int weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// Takes a place in the object table but is never drawn with (palettes, regions, bitmap
// brushes): selecting it leaves the current objects as they are.
struct PlaceholderObject
{
};

using GdiObject = std::variant<std::monostate, PenObject, BrushObject, FontObject, PlaceholderObject>;

// Everything SAVEDC keeps. Objects are held by value, so a restored state still draws with
// a pen or brush whose table entry was deleted after the save.
struct DcState
{
    PenObject pen;
    BrushObject brush;
    FontObject font;
    QColor textColor = Qt::black;
    QColor backColor = Qt::white;
    bool backOpaque = true;
    bool winding = false;
    quint16 textAlign = 0;
    QPointF windowOrg;
    QPointF windowExt;
    QPointF position;
};

enum PenStyle : quint16 { PenNull = 5 };
enum BrushStyle : quint16 { BrushSolid = 0, BrushNull = 1, BrushHatched = 2 };
enum TextOption : quint16 { EtoOpaque = 0x0002, EtoClipped = 0x0004 };
enum TextAlign : quint16 {
    TaUpdateCp = 0x0001,
    TaHorizontalMask = 0x0006,
    TaRight = 0x0002,
    TaCenter = 0x0006,
    TaVerticalMask = 0x0018,
    TaBottom = 0x0008,
    TaBaseline = 0x0018,
};

} // namespace

// Plays the records of one file into a WmfPicture.
class WmfParser
{
public:
    explicit WmfParser(WmfPicture &picture) : m_picture(picture) {}

    bool parse(const QByteArray &data, QString &error);

private:
    bool record(quint16 function, ParamReader &r, QString &error);

    QPointF map(qreal x, qreal y) const
    {
        const qreal u = (x - m_state.windowOrg.x()) / m_state.windowExt.x();
        const qreal v = (y - m_state.windowOrg.y()) / m_state.windowExt.y();
        return {std::clamp(u, -kCoordinateLimit, kCoordinateLimit),
                std::clamp(v, -kCoordinateLimit, kCoordinateLimit)};
    }
    qreal lengthScale() const
    {
        return std::sqrt(std::abs(m_state.windowExt.x() * m_state.windowExt.y()));
    }

    int currentStyle();
    void addShape(WmfPicture::OpKind kind, qint16 left, qint16 top, qint16 right, qint16 bottom,
                  qreal cornerWidth = 0, qreal cornerHeight = 0);
    bool readPoints(ParamReader &r, int count, QString &error);
    void addText(const uchar *chars, int length, QPointF origin, ParamReader *dx, quint16 options,
                 const QRectF &box);

    void addObject(GdiObject object);
    void selectObject(quint16 index);
    void deleteObject(quint16 index);
    void restoreState(int which);

    WmfPicture &m_picture;
    DcState m_state;
    std::vector<DcState> m_saved;
    std::vector<GdiObject> m_objects;
    std::priority_queue<int, std::vector<int>, std::greater<int>> m_freeSlots;
    qreal m_defaultFontHeight = 0;
    QStringDecoder m_decoder{"windows-1252"};
};

bool WmfParser::parse(const QByteArray &data, QString &error)
{
    if (data.size() > kMaxInputBytes) {
        error = QStringLiteral("file too large");
        return false;
    }
    if (data.size() < kPlaceableHeaderSize + kStandardHeaderSize) {
        error = QStringLiteral("file too short for the headers");
        return false;
    }
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    if (readU32(bytes) != kPlaceableKey) {
        error = QStringLiteral("not a placeable metafile");
        return false;
    }
    // The checksum is not checked: it guards nothing a reader depends on, and files with a
    // wrong one are still drawn by other readers.
    const int left = qint16(readU16(bytes + 6));
    const int top = qint16(readU16(bytes + 8));
    const int right = qint16(readU16(bytes + 10));
    const int bottom = qint16(readU16(bytes + 12));
    const int unitsPerInch = readU16(bytes + 14);
    if (right <= left || bottom <= top) {
        error = QStringLiteral("empty bounding box");
        return false;
    }
    if (unitsPerInch == 0) {
        error = QStringLiteral("zero units per inch");
        return false;
    }

    const uchar *header = bytes + kPlaceableHeaderSize;
    const quint16 type = readU16(header);
    const quint16 headerWords = readU16(header + 2);
    const quint16 version = readU16(header + 4);
    if ((type != 1 && type != 2) || headerWords != kStandardHeaderSize / 2
        || (version != 0x0100 && version != 0x0300)) {
        error = QStringLiteral("bad metafile header");
        return false;
    }
    // The header's file size, object count and largest record are not trusted: the records
    // are walked against the bytes actually present.

    m_state.windowOrg = QPointF(left, top);
    m_state.windowExt = QPointF(right - left, bottom - top);
    // A font of height 0 gets 12 points, as a fraction of the picture's height.
    m_defaultFontHeight = 240.0 * unitsPerInch / 1440.0 / (bottom - top);

    qsizetype pos = kPlaceableHeaderSize + kStandardHeaderSize;
    for (int count = 0;; ++count) {
        if (count >= kMaxRecords) {
            error = QStringLiteral("too many records");
            return false;
        }
        if (data.size() - pos < kRecordHeaderSize) {
            error = QStringLiteral("truncated: no end-of-file record");
            return false;
        }
        const quint64 recordBytes = quint64(readU32(bytes + pos)) * 2;
        const quint16 function = readU16(bytes + pos + 4);
        if (recordBytes < quint64(kRecordHeaderSize)) {
            error = QStringLiteral("record size too small at offset %1").arg(pos);
            return false;
        }
        if (recordBytes > quint64(data.size() - pos)) {
            error = QStringLiteral("record at offset %1 runs past the end").arg(pos);
            return false;
        }
        if (function == Eof)
            break;
        ParamReader r(bytes + pos + kRecordHeaderSize, qsizetype(recordBytes) - kRecordHeaderSize);
        if (!record(function, r, error))
            return false;
        if (r.failed()) {
            error = QStringLiteral("record 0x%1 at offset %2 is too short")
                        .arg(function, 4, 16, QLatin1Char('0'))
                        .arg(pos);
            return false;
        }
        pos += qsizetype(recordBytes);
    }

    m_picture.m_sizeTwips = QSizeF((right - left) * 1440.0 / unitsPerInch,
                                   (bottom - top) * 1440.0 / unitsPerInch);
    return true;
}

bool WmfParser::record(quint16 function, ParamReader &r, QString &error)
{
    using Kind = WmfPicture::OpKind;
    switch (function) {
    case SetWindowOrg: {
        const qint16 y = r.s16();
        const qint16 x = r.s16();
        m_state.windowOrg = QPointF(x, y);
        break;
    }
    case SetWindowExt: {
        const qint16 y = r.s16();
        const qint16 x = r.s16();
        if (x != 0 && y != 0) // a zero extent maps nothing anywhere; keep the previous one
            m_state.windowExt = QPointF(x, y);
        break;
    }
    case SetBkColor:
        m_state.backColor = r.color();
        break;
    case SetTextColor:
        m_state.textColor = r.color();
        break;
    case SetBkMode: {
        const quint16 mode = r.u16();
        if (mode == 1 || mode == 2)
            m_state.backOpaque = mode == 2;
        break;
    }
    case SetPolyFillMode: {
        const quint16 mode = r.u16();
        if (mode == 1 || mode == 2)
            m_state.winding = mode == 2;
        break;
    }
    case SetTextAlign:
        m_state.textAlign = r.u16();
        break;
    case SaveDc:
        if (m_saved.size() < kMaxSavedStates)
            m_saved.push_back(m_state);
        break;
    case RestoreDc:
        restoreState(r.s16());
        break;
    case MoveTo: {
        const qint16 y = r.s16();
        const qint16 x = r.s16();
        m_state.position = QPointF(x, y);
        break;
    }
    case LineTo: {
        const qint16 y = r.s16();
        const qint16 x = r.s16();
        if (r.failed())
            break;
        if (m_picture.m_points.size() + 2 > kMaxPoints) {
            error = QStringLiteral("too many points");
            return false;
        }
        if (!m_state.pen.null) {
            WmfPicture::Op op;
            op.kind = Kind::Line;
            op.style = currentStyle();
            op.firstPoint = int(m_picture.m_points.size());
            op.pointCount = 2;
            m_picture.m_points.push_back(map(m_state.position.x(), m_state.position.y()));
            m_picture.m_points.push_back(map(x, y));
            m_picture.m_ops.push_back(op);
        }
        m_state.position = QPointF(x, y);
        break;
    }
    case Rectangle:
    case Ellipse: {
        const qint16 bottom = r.s16();
        const qint16 right = r.s16();
        const qint16 top = r.s16();
        const qint16 left = r.s16();
        if (!r.failed())
            addShape(function == Rectangle ? Kind::Rectangle : Kind::Ellipse, left, top, right, bottom);
        break;
    }
    case RoundRect: {
        const qint16 height = r.s16();
        const qint16 width = r.s16();
        const qint16 bottom = r.s16();
        const qint16 right = r.s16();
        const qint16 top = r.s16();
        const qint16 left = r.s16();
        if (!r.failed())
            addShape(Kind::RoundRect, left, top, right, bottom, width, height);
        break;
    }
    case Polygon:
    case Polyline: {
        const int count = r.u16();
        if (r.failed() || r.remaining() < qsizetype(count) * 4) {
            error = QStringLiteral("point count larger than its record");
            return false;
        }
        const bool draws = function == Polygon ? (!m_state.pen.null || !m_state.brush.null)
                                                : !m_state.pen.null;
        if (!draws || count < 2) {
            r.skip(qsizetype(count) * 4);
            break;
        }
        WmfPicture::Op op;
        op.kind = function == Polygon ? Kind::Polygon : Kind::Polyline;
        op.style = currentStyle();
        op.firstPoint = int(m_picture.m_points.size());
        op.pointCount = count;
        if (!readPoints(r, count, error))
            return false;
        m_picture.m_ops.push_back(op);
        break;
    }
    case PolyPolygon: {
        const int polygons = r.u16();
        if (r.remaining() < qsizetype(polygons) * 2) {
            error = QStringLiteral("polygon count larger than its record");
            return false;
        }
        const auto firstSize = m_picture.m_polygonSizes.size();
        qsizetype total = 0;
        for (int i = 0; i < polygons; ++i) {
            const int size = r.u16();
            total += size;
            m_picture.m_polygonSizes.push_back(size);
        }
        if (r.remaining() < total * 4) {
            m_picture.m_polygonSizes.resize(firstSize);
            error = QStringLiteral("point counts larger than their record");
            return false;
        }
        if ((m_state.pen.null && m_state.brush.null) || total == 0) {
            m_picture.m_polygonSizes.resize(firstSize);
            r.skip(total * 4);
            break;
        }
        WmfPicture::Op op;
        op.kind = Kind::PolyPolygon;
        op.style = currentStyle();
        op.firstPoint = int(m_picture.m_points.size());
        op.pointCount = int(total);
        op.firstPolygon = int(firstSize);
        op.polygonCount = polygons;
        if (!readPoints(r, int(total), error))
            return false;
        m_picture.m_ops.push_back(op);
        break;
    }
    case TextOut: {
        const int length = r.u16();
        const uchar *chars = r.bytes(length);
        r.skip(length & 1); // the string is padded to a whole word
        const qint16 y = r.s16();
        const qint16 x = r.s16();
        if (!r.failed())
            addText(chars, length, QPointF(x, y), nullptr, 0, {});
        break;
    }
    case ExtTextOut: {
        const qint16 y = r.s16();
        const qint16 x = r.s16();
        const int length = r.u16();
        const quint16 options = r.u16();
        QRectF box;
        if (options & (EtoOpaque | EtoClipped)) {
            const qint16 boxLeft = r.s16();
            const qint16 boxTop = r.s16();
            const qint16 boxRight = r.s16();
            const qint16 boxBottom = r.s16();
            box = QRectF(map(boxLeft, boxTop), map(boxRight, boxBottom)).normalized();
        }
        const uchar *chars = r.bytes(length);
        if (r.failed())
            break;
        if ((length & 1) && r.remaining() > 0)
            r.skip(1);
        // The spacing array is optional; use it only when it is complete.
        ParamReader *dx = r.remaining() >= qsizetype(length) * 2 ? &r : nullptr;
        addText(chars, length, QPointF(x, y), dx, options, box);
        break;
    }
    case CreatePenIndirect: {
        PenObject pen;
        pen.style = r.u16();
        pen.width = r.s16();
        r.s16(); // the height of the width point is unused
        pen.color = r.color();
        pen.null = (pen.style & 0x0F) == PenNull;
        if (!r.failed())
            addObject(pen);
        break;
    }
    case CreateBrushIndirect: {
        BrushObject brush;
        const quint16 style = r.u16();
        brush.color = r.color();
        const quint16 hatch = r.u16();
        brush.null = style == BrushNull;
        if (style == BrushHatched && hatch <= 5)
            brush.hatch = hatch;
        if (!r.failed())
            addObject(brush);
        break;
    }
    case CreateFontIndirect: {
        FontObject font;
        font.height = r.s16();
        r.s16(); // average width: Qt picks its own
        font.escapement = r.s16();
        r.s16(); // orientation of each glyph: not supported separately
        font.weight = r.s16();
        font.italic = r.u8() != 0;
        font.underline = r.u8() != 0;
        font.strikeOut = r.u8() != 0;
        r.skip(5); // character set, precision, quality, pitch and family
        if (r.failed())
            break;
        // Some writers stop the record right after the name's terminator.
        const qsizetype nameBytes = std::min<qsizetype>(32, r.remaining());
        const uchar *name = r.bytes(nameBytes);
        const qsizetype nameLength = std::find(name, name + nameBytes, 0) - name;
        font.face = QString::fromLatin1(reinterpret_cast<const char *>(name), nameLength);
        addObject(font);
        break;
    }
    case CreatePalette:
    case CreatePatternBrush:
    case DibCreatePatternBrush:
    case CreateRegion:
        addObject(PlaceholderObject{});
        break;
    case SelectObject:
        selectObject(r.u16());
        break;
    case DeleteObject:
        deleteObject(r.u16());
        break;
    case Escape:
    default:
        // Escapes carry data for other devices, and records this reader does not draw
        // (bitmaps, clipping, raster operations) are skipped by their size.
        break;
    }
    return true;
}

int WmfParser::currentStyle()
{
    WmfPicture::Style s;
    const qreal scale = lengthScale();
    s.penNull = m_state.pen.null;
    s.penColor = m_state.pen.color;
    s.penStyle = m_state.pen.style;
    s.penWidth = std::min<qreal>(std::abs(m_state.pen.width) / scale, kCoordinateLimit);
    s.brushNull = m_state.brush.null;
    s.brushColor = m_state.brush.color;
    s.brushHatch = m_state.brush.hatch;
    s.fontFace = m_state.font.face;
    if (m_state.font.height == 0) {
        s.fontHeight = m_defaultFontHeight;
    } else {
        s.fontHeight = std::min<qreal>(std::abs(m_state.font.height / m_state.windowExt.y()),
                                       kCoordinateLimit);
        s.fontHeightIsCell = m_state.font.height > 0;
    }
    s.fontWeight = m_state.font.weight > 0 ? std::min(m_state.font.weight, 1000) : 400;
    s.fontItalic = m_state.font.italic;
    s.fontUnderline = m_state.font.underline;
    s.fontStrikeOut = m_state.font.strikeOut;
    s.fontAngle = m_state.font.escapement / 10.0;
    s.textColor = m_state.textColor;
    s.backColor = m_state.backColor;
    s.backOpaque = m_state.backOpaque;
    s.windingFill = m_state.winding;
    s.textAlign = m_state.textAlign;

    auto &styles = m_picture.m_styles;
    if (styles.empty() || !(styles.back() == s))
        styles.push_back(s);
    return int(styles.size()) - 1;
}

void WmfParser::addShape(WmfPicture::OpKind kind, qint16 left, qint16 top, qint16 right,
                         qint16 bottom, qreal cornerWidth, qreal cornerHeight)
{
    if (m_state.pen.null && m_state.brush.null)
        return;
    WmfPicture::Op op;
    op.kind = kind;
    op.style = currentStyle();
    op.rect = QRectF(map(left, top), map(right, bottom)).normalized();
    op.corner = QSizeF(std::min(std::abs(cornerWidth / m_state.windowExt.x()), kCoordinateLimit),
                       std::min(std::abs(cornerHeight / m_state.windowExt.y()), kCoordinateLimit));
    m_picture.m_ops.push_back(op);
}

bool WmfParser::readPoints(ParamReader &r, int count, QString &error)
{
    auto &points = m_picture.m_points;
    if (points.size() + size_t(count) > kMaxPoints) {
        error = QStringLiteral("too many points");
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const qint16 x = r.s16();
        const qint16 y = r.s16();
        points.push_back(map(x, y));
    }
    return true;
}

void WmfParser::addText(const uchar *chars, int length, QPointF origin, ParamReader *dx,
                        quint16 options, const QRectF &box)
{
    // Writers often count the terminating zero; nothing after it is text.
    const int visible = int(std::find(chars, chars + length, 0) - chars);
    WmfPicture::TextRun run;
    const QByteArrayView encoded(chars, visible);
    run.text = m_decoder.isValid() ? m_decoder.decode(encoded) : QString::fromLatin1(encoded);
    if (dx) {
        run.advances.reserve(size_t(length));
        for (int i = 0; i < length; ++i) {
            const qreal advance = dx->s16() / std::abs(m_state.windowExt.x());
            if (i < visible)
                run.advances.push_back(std::clamp(advance, -kCoordinateLimit, kCoordinateLimit));
        }
        // A decoded string could differ in length from its bytes; then the spacing no
        // longer lines up, so fall back to natural spacing.
        if (qsizetype(run.advances.size()) != run.text.size())
            run.advances.clear();
    }
    if (run.text.isEmpty() && !(options & EtoOpaque))
        return;
    run.origin = (m_state.textAlign & TaUpdateCp) ? map(m_state.position.x(), m_state.position.y())
                                                  : map(origin.x(), origin.y());
    run.opaqueBox = options & EtoOpaque;
    run.clipBox = options & EtoClipped;

    WmfPicture::Op op;
    op.kind = WmfPicture::OpKind::Text;
    op.style = currentStyle();
    op.rect = box;
    op.textIndex = int(m_picture.m_texts.size());
    m_picture.m_texts.push_back(std::move(run));
    m_picture.m_ops.push_back(op);
}

void WmfParser::addObject(GdiObject object)
{
    // Each new object takes the lowest free index, as the records that select it expect.
    if (!m_freeSlots.empty()) {
        const int slot = m_freeSlots.top();
        m_freeSlots.pop();
        m_objects[size_t(slot)] = std::move(object);
    } else if (m_objects.size() < kMaxObjects) {
        m_objects.push_back(std::move(object));
    }
    // A full table refuses the object; later selections of it find nothing.
}

void WmfParser::selectObject(quint16 index)
{
    if (index >= m_objects.size())
        return;
    const GdiObject &object = m_objects[index];
    if (const auto *pen = std::get_if<PenObject>(&object))
        m_state.pen = *pen;
    else if (const auto *brush = std::get_if<BrushObject>(&object))
        m_state.brush = *brush;
    else if (const auto *font = std::get_if<FontObject>(&object))
        m_state.font = *font;
}

void WmfParser::deleteObject(quint16 index)
{
    if (index >= m_objects.size() || std::holds_alternative<std::monostate>(m_objects[index]))
        return;
    // The selected copy in the current state stays in use until something else is selected.
    m_objects[index] = std::monostate{};
    m_freeSlots.push(index);
}

void WmfParser::restoreState(int which)
{
    // Negative: that many states back from the latest; positive: the n-th saved state.
    // Anything out of range is refused and changes nothing.
    const qsizetype depth = qsizetype(m_saved.size());
    qsizetype keep;
    if (which < 0 && -which <= depth)
        keep = depth + which;
    else if (which > 0 && which <= depth)
        keep = which - 1;
    else
        return;
    m_state = m_saved[size_t(keep)];
    m_saved.resize(size_t(keep));
}

void WmfPicture::clear()
{
    m_sizeTwips = QSizeF();
    m_styles.clear();
    m_ops.clear();
    m_points.clear();
    m_polygonSizes.clear();
    m_texts.clear();
}

bool WmfPicture::load(const QByteArray &data, QString *error)
{
    clear();
    QString message;
    WmfParser parser(*this);
    if (!parser.parse(data, message)) {
        clear();
        if (error)
            *error = message;
        return false;
    }
    if (error)
        error->clear();
    return true;
}

bool WmfPicture::isNull() const
{
    return m_sizeTwips.isEmpty();
}

QSizeF WmfPicture::sizeTwips() const
{
    return m_sizeTwips;
}

namespace {

Qt::PenStyle qtPenStyle(quint16 style)
{
    switch (style & 0x0F) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    default: return Qt::SolidLine;
    }
}

Qt::PenCapStyle qtCapStyle(quint16 style)
{
    switch (style & 0x0F00) {
    case 0x0100: return Qt::SquareCap;
    case 0x0200: return Qt::FlatCap;
    default: return Qt::RoundCap;
    }
}

Qt::PenJoinStyle qtJoinStyle(quint16 style)
{
    switch (style & 0xF000) {
    case 0x1000: return Qt::BevelJoin;
    case 0x2000: return Qt::MiterJoin;
    default: return Qt::RoundJoin;
    }
}

Qt::BrushStyle qtHatch(int hatch)
{
    static constexpr Qt::BrushStyle styles[] = {Qt::HorPattern,   Qt::VerPattern,
                                                Qt::BDiagPattern, Qt::FDiagPattern,
                                                Qt::CrossPattern, Qt::DiagCrossPattern};
    return hatch >= 0 && hatch < 6 ? styles[hatch] : Qt::SolidPattern;
}

// Maps picture units (the unit square of the window) onto the target rectangle.
struct TargetMap
{
    QRectF target;
    qreal length; // picture lengths (pen widths) to target lengths
    qreal limit;  // no pen or font is drawn larger than this

    explicit TargetMap(const QRectF &t)
        : target(t),
          length(std::sqrt(std::abs(t.width() * t.height()))),
          limit(4 * std::max(std::abs(t.width()), std::abs(t.height())))
    {
    }
    QPointF operator()(QPointF p) const
    {
        return {target.x() + p.x() * target.width(), target.y() + p.y() * target.height()};
    }
    QRectF operator()(const QRectF &r) const
    {
        return QRectF((*this)(r.topLeft()), (*this)(r.bottomRight())).normalized();
    }
};

} // namespace

void WmfPicture::paint(QPainter &painter, const QRectF &target) const
{
    if (isNull() || !target.isValid() || !painter.isActive())
        return;
    const TargetMap map(target);

    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    QPolygonF polygon;
    int applied = -1;
    for (const Op &op : m_ops) {
        const Style &style = m_styles[size_t(op.style)];
        if (op.style != applied) {
            if (style.penNull) {
                painter.setPen(Qt::NoPen);
            } else {
                // Every pen covers at least one pixel; width 0 is Qt's one-pixel pen too.
                qreal width = std::min(style.penWidth * map.length, map.limit);
                if (style.penWidth > 0)
                    width = std::max<qreal>(width, 1);
                QPen pen(QBrush(style.penColor), width, qtPenStyle(style.penStyle),
                         qtCapStyle(style.penStyle), qtJoinStyle(style.penStyle));
                painter.setPen(pen);
            }
            if (style.brushNull)
                painter.setBrush(Qt::NoBrush);
            else
                painter.setBrush(QBrush(style.brushColor, qtHatch(style.brushHatch)));
            painter.setBackgroundMode(style.backOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
            painter.setBackground(style.backColor);
            applied = op.style;
        }

        switch (op.kind) {
        case OpKind::Line:
            painter.drawLine(map(m_points[size_t(op.firstPoint)]),
                             map(m_points[size_t(op.firstPoint) + 1]));
            break;
        case OpKind::Polyline:
        case OpKind::Polygon:
            polygon.resize(op.pointCount);
            for (int i = 0; i < op.pointCount; ++i)
                polygon[i] = map(m_points[size_t(op.firstPoint + i)]);
            if (op.kind == OpKind::Polyline)
                painter.drawPolyline(polygon);
            else
                painter.drawPolygon(polygon, style.windingFill ? Qt::WindingFill : Qt::OddEvenFill);
            break;
        case OpKind::PolyPolygon: {
            QPainterPath path;
            path.setFillRule(style.windingFill ? Qt::WindingFill : Qt::OddEvenFill);
            int next = op.firstPoint;
            for (int k = 0; k < op.polygonCount; ++k) {
                const int size = m_polygonSizes[size_t(op.firstPolygon + k)];
                polygon.resize(size);
                for (int i = 0; i < size; ++i)
                    polygon[i] = map(m_points[size_t(next + i)]);
                next += size;
                if (size >= 2) {
                    path.addPolygon(polygon);
                    path.closeSubpath();
                }
            }
            painter.drawPath(path);
            break;
        }
        case OpKind::Rectangle:
            painter.drawRect(map(op.rect));
            break;
        case OpKind::RoundRect:
            painter.drawRoundedRect(map(op.rect), op.corner.width() / 2 * std::abs(target.width()),
                                    op.corner.height() / 2 * std::abs(target.height()),
                                    Qt::AbsoluteSize);
            break;
        case OpKind::Ellipse:
            painter.drawEllipse(map(op.rect));
            break;
        case OpKind::Text: {
            const TextRun &run = m_texts[size_t(op.textIndex)];
            painter.save();
            const QRectF box = map(op.rect);
            if (run.opaqueBox)
                painter.fillRect(box, style.backColor);
            if (run.clipBox)
                painter.setClipRect(box, Qt::IntersectClip);

            QFont font(style.fontFace.isEmpty() ? QStringLiteral("Arial") : style.fontFace);
            qreal pixels = std::clamp(style.fontHeight * std::abs(target.height()), 1.0, map.limit);
            const qreal dpi = painter.device()->logicalDpiY() > 0 ? painter.device()->logicalDpiY() : 96;
            font.setPointSizeF(pixels * 72 / dpi);
            font.setWeight(QFont::Weight(std::clamp(style.fontWeight, 1, 1000)));
            font.setItalic(style.fontItalic);
            font.setUnderline(style.fontUnderline);
            font.setStrikeOut(style.fontStrikeOut);
            if (style.fontHeightIsCell) {
                // A positive height is the whole cell: shrink the em until the cell fits.
                const QFontMetricsF cell(font, painter.device());
                const qreal cellHeight = cell.ascent() + cell.descent();
                if (cellHeight > 0) {
                    pixels = std::clamp(pixels * pixels / cellHeight, 1.0, map.limit);
                    font.setPointSizeF(pixels * 72 / dpi);
                }
            }
            painter.setFont(font);
            const QFontMetricsF metrics(font, painter.device());

            qreal width = 0;
            for (qreal advance : run.advances)
                width += advance;
            width = run.advances.empty() ? metrics.horizontalAdvance(run.text)
                                         : width * std::abs(target.width());

            QPointF origin = map(run.origin);
            painter.translate(origin);
            if (style.fontAngle != 0)
                painter.rotate(-style.fontAngle);
            qreal x = 0;
            if ((style.textAlign & TaHorizontalMask) == TaCenter)
                x = -width / 2;
            else if ((style.textAlign & TaHorizontalMask) == TaRight)
                x = -width;
            qreal baseline = metrics.ascent();
            if ((style.textAlign & TaVerticalMask) == TaBaseline)
                baseline = 0;
            else if ((style.textAlign & TaVerticalMask) == TaBottom)
                baseline = -metrics.descent();

            if (style.backOpaque && !run.opaqueBox)
                painter.fillRect(QRectF(x, baseline - metrics.ascent(), width, metrics.height()),
                                 style.backColor);
            painter.setBackgroundMode(Qt::TransparentMode);
            painter.setPen(style.textColor);
            if (run.advances.empty()) {
                painter.drawText(QPointF(x, baseline), run.text);
            } else {
                for (qsizetype i = 0; i < run.text.size(); ++i) {
                    painter.drawText(QPointF(x, baseline), QString(run.text.at(i)));
                    x += run.advances[size_t(i)] * std::abs(target.width());
                }
            }
            painter.restore();
            break;
        }
        }
    }
    painter.restore();
}

QImage WmfPicture::toImage(const QSize &pixels) const
{
    if (isNull() || pixels.isEmpty())
        return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    painter.end();
    return image;
}
