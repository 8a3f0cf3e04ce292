#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <vector>

// Writes a placeable Windows metafile, record by record, in memory.
//
// The drawing calls take logical coordinates; finish() prepends the placeable header
// (with its checksum) and the standard header, appends the end-of-file record and
// returns the bytes. Object-creating calls return the index the reader will give the
// object: the lowest free place in the object table.
class WmfWriter
{
public:
    WmfWriter(const QRect &bounds, quint16 unitsPerInch)
        : m_bounds(bounds), m_unitsPerInch(unitsPerInch)
    {
    }

    // Appends one record with the given 16-bit parameters.
    void record(quint16 function, std::initializer_list<int> params)
    {
        record(function, std::vector<int>(params));
    }
    void record(quint16 function, const std::vector<int> &params)
    {
        const quint32 words = quint32(3 + params.size());
        put32(m_records, words);
        put16(m_records, function);
        for (int p : params)
            put16(m_records, quint16(p));
        m_maxRecordWords = std::max(m_maxRecordWords, words);
    }

    void setWindowOrg(QPoint p) { record(0x020B, {p.y(), p.x()}); }
    void setWindowExt(QSize s) { record(0x020C, {s.height(), s.width()}); }
    void setBkMode(bool opaque) { record(0x0102, {opaque ? 2 : 1}); }
    void setPolyFillMode(bool winding) { record(0x0106, {winding ? 2 : 1}); }
    void setTextAlign(quint16 align) { record(0x012E, {align}); }
    void setTextColor(const QColor &c) { record(0x0209, colorParams(c)); }
    void setBkColor(const QColor &c) { record(0x0201, colorParams(c)); }
    void saveDc() { record(0x001E, {}); }
    void restoreDc(int which) { record(0x0127, {which}); }
    void moveTo(QPoint p) { record(0x0214, {p.y(), p.x()}); }
    void lineTo(QPoint p) { record(0x0213, {p.y(), p.x()}); }
    void rectangle(const QRect &r) { record(0x041B, boxParams(r)); }
    void ellipse(const QRect &r) { record(0x0418, boxParams(r)); }
    void roundRect(const QRect &r, QSize corner)
    {
        const auto e = edges(r);
        record(0x061C, {corner.height(), corner.width(), e[3], e[2], e[1], e[0]});
    }
    void polygon(const QList<QPoint> &points) { record(0x0324, pointParams(points)); }
    void polyline(const QList<QPoint> &points) { record(0x0325, pointParams(points)); }
    void polyPolygon(const QList<QList<QPoint>> &polygons)
    {
        std::vector<int> params{int(polygons.size())};
        for (const auto &polygon : polygons)
            params.push_back(int(polygon.size()));
        for (const auto &polygon : polygons) {
            for (QPoint p : polygon) {
                params.push_back(p.x());
                params.push_back(p.y());
            }
        }
        record(0x0538, params);
    }
    // Text in Latin-1; the reference point is set by setTextAlign.
    void textOut(QPoint at, const QByteArray &text)
    {
        std::vector<int> params{int(text.size())};
        appendBytes(params, text);
        params.push_back(at.y());
        params.push_back(at.x());
        record(0x0521, params);
    }

    // Pen styles: 0 solid, 5 none; width in logical units (0 = one pixel).
    int createPen(const QColor &c, int width, quint16 style = 0)
    {
        std::vector<int> params{style, width, 0};
        const auto color = colorParams(c);
        params.insert(params.end(), color.begin(), color.end());
        record(0x02FA, params);
        return takeSlot();
    }
    int createNullPen() { return createPen(Qt::black, 0, 5); }
    int createBrush(const QColor &c)
    {
        std::vector<int> params{0};
        const auto color = colorParams(c);
        params.insert(params.end(), color.begin(), color.end());
        params.push_back(0);
        record(0x02FC, params);
        return takeSlot();
    }
    int createNullBrush()
    {
        record(0x02FC, {1, 0, 0, 0});
        return takeSlot();
    }
    // height < 0 gives the em height in logical units; weight 400 normal, 700 bold.
    int createFont(int height, int weight, const QByteArray &face)
    {
        std::vector<int> params{height, 0, 0, 0, weight, 0, 0, 0, 0};
        QByteArray name = face.left(31);
        name.append('\0');
        appendBytes(params, name);
        record(0x02FB, params);
        return takeSlot();
    }
    void selectObject(int index) { record(0x012D, {index}); }
    void deleteObject(int index)
    {
        record(0x01F0, {index});
        if (index >= 0 && index < int(m_used.size()))
            m_used[size_t(index)] = false;
    }

    QByteArray finish() const
    {
        QByteArray body = m_records;
        put32(body, 3); // end of file
        put16(body, 0);

        QByteArray out;
        put32(out, 0x9AC6CDD7);
        put16(out, 0);
        put16(out, quint16(m_bounds.left()));
        put16(out, quint16(m_bounds.top()));
        put16(out, quint16(m_bounds.left() + m_bounds.width()));
        put16(out, quint16(m_bounds.top() + m_bounds.height()));
        put16(out, m_unitsPerInch);
        put32(out, 0);
        quint16 checksum = 0;
        for (int i = 0; i < 20; i += 2)
            checksum ^= quint16(uchar(out[i]) | (uchar(out[i + 1]) << 8));
        put16(out, checksum);

        put16(out, 1);      // in memory
        put16(out, 9);      // header words
        put16(out, 0x0300); // version
        put32(out, quint32((18 + body.size()) / 2));
        put16(out, quint16(m_used.size()));
        put32(out, m_maxRecordWords);
        put16(out, 0);
        return out + body;
    }

private:
    static void put16(QByteArray &out, quint16 v)
    {
        out.append(char(v & 0xFF));
        out.append(char(v >> 8));
    }
    static void put32(QByteArray &out, quint32 v)
    {
        put16(out, quint16(v & 0xFFFF));
        put16(out, quint16(v >> 16));
    }
    static std::vector<int> colorParams(const QColor &c)
    {
        return {c.red() | (c.green() << 8), c.blue()};
    }
    // left, top, right, bottom
    static std::array<int, 4> edges(const QRect &r)
    {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    // Shapes list their edges bottom first.
    static std::vector<int> boxParams(const QRect &r)
    {
        const auto e = edges(r);
        return {e[3], e[2], e[1], e[0]};
    }
    static std::vector<int> pointParams(const QList<QPoint> &points)
    {
        std::vector<int> params{int(points.size())};
        for (QPoint p : points) {
            params.push_back(p.x());
            params.push_back(p.y());
        }
        return params;
    }
    static void appendBytes(std::vector<int> &params, const QByteArray &bytes)
    {
        for (qsizetype i = 0; i < bytes.size(); i += 2) {
            const int low = uchar(bytes[i]);
            const int high = i + 1 < bytes.size() ? uchar(bytes[i + 1]) : 0;
            params.push_back(low | (high << 8));
        }
    }
    int takeSlot()
    {
        const auto free = std::find(m_used.begin(), m_used.end(), false);
        if (free != m_used.end()) {
            *free = true;
            return int(free - m_used.begin());
        }
        m_used.push_back(true);
        return int(m_used.size()) - 1;
    }

    QRect m_bounds;
    quint16 m_unitsPerInch;
    QByteArray m_records;
    quint32 m_maxRecordWords = 3;
    std::vector<bool> m_used;
};
