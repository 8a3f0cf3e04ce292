#include "assetgen.h"
#include "wmfwriter.h"

#include <QtMath>

#include <cmath>

// The board: a whiteboard on a small easel, 1710 x 1500 twips, drawn in twips.
//
// On screen the tick and cross pictures (750 x 735) are shown over it 540 twips from its
// left edge and 90 from its top, so the writing surface spans that whole area in
// kBoardSurface and the doodles keep out of it.
namespace {

const QRect kSurface(105, 58, 1500, 1014);

QList<QPoint> starPoints(QPoint centre, int outer, int inner)
{
    QList<QPoint> points;
    for (int i = 0; i < 10; ++i) {
        const qreal r = i % 2 ? inner : outer;
        const qreal a = qDegreesToRadians(-90 + 36.0 * i);
        points << QPoint(centre.x() + qRound(r * std::cos(a)), centre.y() + qRound(r * std::sin(a)));
    }
    return points;
}

// Draws with a freshly made pen and brush, and deletes them again.
template<typename Draw>
void withPenAndBrush(WmfWriter &w, const QColor &penColour, int penWidth, const QColor &brushColour,
                     Draw draw)
{
    const int pen = penWidth < 0 ? w.createNullPen() : w.createPen(penColour, penWidth);
    const int brush = brushColour.isValid() ? w.createBrush(brushColour) : w.createNullBrush();
    w.selectObject(pen);
    w.selectObject(brush);
    draw();
    w.deleteObject(pen);
    w.deleteObject(brush);
}

void marker(WmfWriter &w, const QRect &body, const QColor &colour)
{
    withPenAndBrush(w, colour.darker(160), 8, colour,
                    [&] { w.roundRect(body, QSize(body.height() * 2 / 3, body.height() * 2 / 3)); });
    withPenAndBrush(w, colour.darker(160), 8, colour.darker(135), [&] {
        w.roundRect(QRect(body.left(), body.top(), body.width() * 3 / 10, body.height()),
                    QSize(20, 20));
    });
}

} // namespace

QByteArray boardMetafile()
{
    WmfWriter w(QRect(0, 0, 1710, 1500), 1440);
    w.setWindowOrg(QPoint(0, 0));
    w.setWindowExt(QSize(1710, 1500));
    w.setBkMode(false);
    w.setPolyFillMode(false);

    const QColor woodEdge(118, 78, 44);
    const QColor wood(188, 130, 76);

    // The easel, behind the board.
    withPenAndBrush(w, woodEdge, 12, wood.darker(120), [&] {
        w.polygon({{828, 1000}, {884, 1000}, {902, 1490}, {842, 1490}});
    });
    withPenAndBrush(w, woodEdge, 12, wood, [&] {
        w.rectangle(QRect(230, 1290, 1250, 55));
        w.polygon({{330, 380}, {402, 380}, {214, 1490}, {140, 1490}});
        w.polygon({{1308, 380}, {1380, 380}, {1570, 1490}, {1496, 1490}});
    });

    // Frame and writing surface.
    withPenAndBrush(w, QColor(108, 116, 130), 14, QColor(206, 211, 220),
                    [&] { w.roundRect(QRect(60, 15, 1590, 1100), QSize(80, 80)); });
    withPenAndBrush(w, {}, -1, kBoardSurface, [&] { w.rectangle(kSurface); });
    withPenAndBrush(w, QColor(90, 96, 108), 8, QColor(120, 128, 142),
                    [&] { w.roundRect(QRect(785, 0, 140, 44), QSize(24, 24)); });

    // Doodles on the left and along the bottom, clear of the marks.
    w.saveDc();
    withPenAndBrush(w, QColor(226, 142, 20), 14, QColor(255, 198, 44),
                    [&] { w.polygon(starPoints(QPoint(322, 250), 140, 60)); });
    withPenAndBrush(w, QColor(40, 160, 80), 22, {}, [&] {
        w.ellipse(QRect(205, 485, 230, 230));
        QList<QPoint> smile;
        for (int i = 0; i <= 12; ++i) {
            const qreal a = qDegreesToRadians(25 + 130.0 * i / 12);
            smile << QPoint(320 + qRound(70 * std::cos(a)), 600 + qRound(70 * std::sin(a)));
        }
        w.polyline(smile);
    });
    withPenAndBrush(w, {}, -1, QColor(40, 160, 80), [&] {
        w.ellipse(QRect(262, 552, 34, 40));
        w.ellipse(QRect(344, 552, 34, 40));
    });
    w.restoreDc(-1);

    const int font = w.createFont(-210, 700, "Arial");
    w.selectObject(font);
    w.setTextColor(QColor(35, 90, 200));
    w.setTextAlign(0); // top left
    w.textOut(QPoint(150, 800), "abc");
    w.deleteObject(font);
    withPenAndBrush(w, QColor(220, 60, 60), 16, {}, [&] {
        QList<QPoint> wave;
        for (int x = 150; x <= 540; x += 30)
            wave << QPoint(x, 1048 + ((x / 30) % 2 ? 9 : -9));
        w.polyline(wave);
    });

    // The tray with two markers and a board rubber.
    withPenAndBrush(w, QColor(100, 106, 118), 10, QColor(150, 157, 170),
                    [&] { w.rectangle(QRect(170, 1110, 1370, 58)); });
    marker(w, QRect(330, 1062, 230, 50), QColor(225, 60, 60));
    marker(w, QRect(640, 1062, 230, 50), QColor(50, 100, 210));
    withPenAndBrush(w, QColor(70, 50, 130), 8, QColor(125, 92, 205),
                    [&] { w.roundRect(QRect(1080, 1034, 250, 52), QSize(30, 30)); });
    withPenAndBrush(w, QColor(150, 150, 158), 8, QColor(206, 206, 212),
                    [&] { w.rectangle(QRect(1086, 1082, 238, 28)); });

    return w.finish();
}
