#include "assetgen.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <cmath>

namespace {

QImage canvas(QSize size, const QColor &fill)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

void prepare(QPainter &p)
{
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing
                     | QPainter::SmoothPixmapTransform);
}

QFont font(const QString &family, qreal pixels, bool bold = true)
{
    QFont f(family);
    f.setPixelSize(qRound(pixels));
    f.setBold(bold);
    return f;
}

QColor mix(const QColor &a, const QColor &b, qreal t)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

QPainterPath starPath(QPointF centre, qreal outer, qreal inner, qreal turnDegrees = 0)
{
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal r = i % 2 ? inner : outer;
        const qreal a = qDegreesToRadians(-90 + turnDegrees + 36.0 * i);
        const QPointF p(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

// White text with a dark outline, readable on any colour.
void outlinedText(QPainter &p, const QRectF &box, const QString &text, const QFont &f,
                  const QColor &fill, const QColor &outline, qreal outlineWidth)
{
    QPainterPath path;
    const QFontMetricsF metrics(f);
    const qreal width = metrics.horizontalAdvance(text);
    const QPointF origin(box.center().x() - width / 2,
                         box.center().y() + (metrics.ascent() - metrics.descent()) / 2);
    path.addText(origin, f, text);
    p.setPen(QPen(outline, outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(path);
}

// A pencil lying from its tip along the given angle.
void drawPencil(QPainter &p, QPointF tip, qreal angleDegrees, qreal length, qreal width,
                const QColor &body, int alpha = 255)
{
    p.save();
    p.translate(tip);
    p.rotate(angleDegrees);
    const qreal cone = width * 1.6;
    const qreal half = width / 2;
    const QColor wood(236, 196, 140);
    const QColor lead(60, 60, 70);
    const QColor metal(190, 190, 200);
    const QColor eraser(240, 140, 150);
    const QColor edge = body.darker(150);

    QPainterPath point;
    point.moveTo(0, 0);
    point.lineTo(cone, -half);
    point.lineTo(cone, half);
    point.closeSubpath();
    p.setPen(QPen(withAlpha(edge, alpha), width / 14));
    p.setBrush(withAlpha(wood, alpha));
    p.drawPath(point);
    QPainterPath nib;
    nib.moveTo(0, 0);
    nib.lineTo(cone * 0.35, -half * 0.35);
    nib.lineTo(cone * 0.35, half * 0.35);
    nib.closeSubpath();
    p.setBrush(withAlpha(lead, alpha));
    p.setPen(Qt::NoPen);
    p.drawPath(nib);

    const qreal bodyEnd = length - width * 1.6;
    QLinearGradient shade(0, -half, 0, half);
    shade.setColorAt(0, withAlpha(body.lighter(125), alpha));
    shade.setColorAt(0.5, withAlpha(body, alpha));
    shade.setColorAt(1, withAlpha(body.darker(120), alpha));
    p.setPen(QPen(withAlpha(edge, alpha), width / 14));
    p.setBrush(shade);
    p.drawRect(QRectF(cone, -half, bodyEnd - cone, width));
    p.setPen(QPen(withAlpha(body.darker(125), alpha), width / 16));
    p.drawLine(QPointF(cone, -half / 3), QPointF(bodyEnd, -half / 3));
    p.drawLine(QPointF(cone, half / 3), QPointF(bodyEnd, half / 3));

    p.setPen(QPen(withAlpha(edge, alpha), width / 14));
    p.setBrush(withAlpha(metal, alpha));
    p.drawRect(QRectF(bodyEnd, -half, width * 0.7, width));
    p.setBrush(withAlpha(eraser, alpha));
    p.drawRoundedRect(QRectF(bodyEnd + width * 0.7, -half, width * 0.9, width), width * 0.3,
                      width * 0.3);
    p.restore();
}

// An upright book seen from its spine.
void drawSpine(QPainter &p, const QRectF &r, const QColor &colour, const QColor &band)
{
    QLinearGradient shade(r.topLeft(), r.topRight());
    shade.setColorAt(0, colour.darker(115));
    shade.setColorAt(0.35, colour.lighter(112));
    shade.setColorAt(1, colour.darker(125));
    p.setPen(QPen(colour.darker(150), 2));
    p.setBrush(shade);
    p.drawRoundedRect(r, 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRect(QRectF(r.left() + 2, r.top() + r.height() * 0.16, r.width() - 4, r.height() * 0.06));
    p.drawRect(QRectF(r.left() + 2, r.bottom() - r.height() * 0.2, r.width() - 4, r.height() * 0.06));
}

// A closed book lying flat, seen from the front: cover above, pages below.
void drawLyingBook(QPainter &p, const QRectF &r, const QColor &colour)
{
    p.setPen(QPen(colour.darker(160), 2));
    p.setBrush(colour);
    p.drawRoundedRect(r, 5, 5);
    const QRectF pages = r.adjusted(r.width() * 0.06, r.height() * 0.28, 0, -r.height() * 0.22);
    p.setPen(QPen(QColor(200, 190, 170), 1.5));
    p.setBrush(QColor(252, 248, 236));
    p.drawRect(pages);
    for (int i = 1; i < 4; ++i) {
        const qreal y = pages.top() + pages.height() * i / 4;
        p.drawLine(QPointF(pages.left() + 2, y), QPointF(pages.right() - 2, y));
    }
    p.setPen(QPen(colour.lighter(140), 3));
    p.drawLine(QPointF(r.left() + 8, r.top() + 5), QPointF(r.right() - 8, r.top() + 5));
}

// An open book seen from slightly above, centred on its spine.
void drawOpenBook(QPainter &p, QPointF spineBottom, qreal halfWidth, qreal height,
                  const QColor &cover, const QColor &ink, qreal lineWidth)
{
    const qreal x = spineBottom.x();
    const qreal y = spineBottom.y();
    auto page = [&](int side, qreal drop) {
        QPainterPath path;
        path.moveTo(x, y - height + drop);
        path.quadTo(x + side * halfWidth * 0.5, y - height - height * 0.12 + drop,
                    x + side * halfWidth, y - height + height * 0.02 + drop);
        path.lineTo(x + side * halfWidth, y - height * 0.06 + drop);
        path.quadTo(x + side * halfWidth * 0.5, y - height * 0.16 + drop, x, y + drop);
        path.closeSubpath();
        return path;
    };
    p.setPen(QPen(cover.darker(150), lineWidth));
    p.setBrush(cover);
    for (int side : {-1, 1}) {
        QPainterPath c = page(side, height * 0.08);
        p.drawPath(c.united(page(side, height * 0.04)));
    }
    p.setPen(QPen(ink, lineWidth));
    p.setBrush(QColor(255, 253, 245));
    for (int side : {-1, 1})
        p.drawPath(page(side, 0));
    // Lines of print.
    p.setPen(QPen(withAlpha(ink, 110), lineWidth * 0.7, Qt::SolidLine, Qt::RoundCap));
    for (int side : {-1, 1}) {
        for (int i = 0; i < 5; ++i) {
            const qreal t = 0.22 + i * 0.14;
            const qreal inner = x + side * halfWidth * 0.14;
            const qreal outer = x + side * halfWidth * (i == 4 ? 0.55 : 0.84);
            const qreal sag = height * 0.1 * (1 - t);
            p.drawLine(QPointF(inner, y - height * (1 - t) - sag * 0.2),
                       QPointF(outer, y - height * (1 - t) - sag));
        }
    }
}

void drawQuill(QPainter &p, QPointF nib, QPointF top, qreal width, const QColor &colour)
{
    const QLineF shaft(nib, top);
    const QPointF dir = (top - nib) / shaft.length();
    const QPointF normal(-dir.y(), dir.x());
    const QPointF vaneStart = nib + dir * shaft.length() * 0.22;
    QPainterPath vane;
    vane.moveTo(vaneStart);
    vane.cubicTo(vaneStart + normal * width * 1.1 + dir * shaft.length() * 0.2,
                 top + normal * width * 0.9 - dir * shaft.length() * 0.25, top);
    vane.cubicTo(top - normal * width * 0.6 - dir * shaft.length() * 0.3,
                 vaneStart - normal * width * 0.7 + dir * shaft.length() * 0.2, vaneStart);
    p.setPen(QPen(colour.darker(150), width * 0.08));
    p.setBrush(colour);
    p.drawPath(vane);
    // Barbs: short strokes off the shaft, inside the vane.
    p.save();
    p.setClipPath(vane, Qt::IntersectClip);
    p.setPen(QPen(colour.darker(125), width * 0.05));
    for (int i = 1; i < 8; ++i) {
        const QPointF on = vaneStart + (top - vaneStart) * (i / 8.0);
        p.drawLine(on, on + normal * width + dir * width * 0.6);
        p.drawLine(on, on - normal * width + dir * width * 0.6);
    }
    p.restore();
    p.setPen(QPen(QColor(90, 60, 30), width * 0.1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(nib, top);
    p.setPen(QPen(QColor(40, 40, 50), width * 0.14, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(nib, nib + dir * width * 0.5);
}

void drawIcon(QPainter &p, ButtonIcon icon, const QRectF &disc, const QColor &ink)
{
    const QPointF c = disc.center();
    const qreal r = disc.width() / 2;
    p.setPen(QPen(ink, r * 0.26, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (icon) {
    case ButtonIcon::Back:
    case ButtonIcon::Forward: {
        const qreal s = icon == ButtonIcon::Forward ? 1 : -1;
        p.drawLine(c - QPointF(s * r * 0.45, 0), c + QPointF(s * r * 0.4, 0));
        QPolygonF head;
        head << c + QPointF(s * r * 0.02, -r * 0.42) << c + QPointF(s * r * 0.48, 0)
             << c + QPointF(s * r * 0.02, r * 0.42);
        p.drawPolyline(head);
        break;
    }
    case ButtonIcon::Tick: {
        QPolygonF tick;
        tick << c + QPointF(-r * 0.45, 0) << c + QPointF(-r * 0.12, r * 0.34)
             << c + QPointF(r * 0.48, -r * 0.36);
        p.drawPolyline(tick);
        break;
    }
    case ButtonIcon::Bulb: {
        p.setPen(QPen(ink, r * 0.13));
        p.setBrush(QColor(255, 214, 60));
        p.drawEllipse(QPointF(c.x(), c.y() - r * 0.15), r * 0.42, r * 0.42);
        p.setBrush(ink);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(c.x() - r * 0.2, c.y() + r * 0.26, r * 0.4, r * 0.32), r * 0.08,
                          r * 0.08);
        break;
    }
    }
}

} // namespace

QImage buttonFace(const QString &label, ButtonIcon icon, const QColor &colour)
{
    QImage image = canvas(QSize(238, 67), kScreenBlue);
    QPainter p(&image);
    prepare(p);
    const QRectF body(2, 2, 234, 60);
    const qreal radius = 15;

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 40, 80, 90));
    p.drawRoundedRect(body.translated(0, 3), radius, radius);

    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, colour.lighter(135));
    fill.setColorAt(0.55, colour);
    fill.setColorAt(1, colour.darker(125));
    p.setPen(QPen(colour.darker(170), 2));
    p.setBrush(fill);
    p.drawRoundedRect(body, radius, radius);

    const QRectF gloss = body.adjusted(6, 4, -6, -body.height() * 0.52);
    QLinearGradient shine(gloss.topLeft(), gloss.bottomLeft());
    shine.setColorAt(0, QColor(255, 255, 255, 120));
    shine.setColorAt(1, QColor(255, 255, 255, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawRoundedRect(gloss, radius - 5, radius - 5);

    const QRectF disc(14, body.center().y() - 20, 40, 40);
    p.setPen(QPen(colour.darker(160), 1.5));
    p.setBrush(QColor(255, 255, 255, 240));
    p.drawEllipse(disc);
    drawIcon(p, icon, disc, colour.darker(140));

    const QRectF textBox(disc.right() + 4, body.top(), body.right() - disc.right() - 12, body.height());
    outlinedText(p, textBox, label, font(QStringLiteral("Liberation Sans"), 34), Qt::white,
                 colour.darker(230), 5);
    return image;
}

QImage tickMark()
{
    QImage image = canvas(QSize(100, 98), kBoardSurface);
    QPainter p(&image);
    prepare(p);
    QPainterPath tick;
    tick.moveTo(18, 53);
    tick.lineTo(40, 75);
    tick.lineTo(82, 23);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(18, 105, 40), 21, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.setPen(QPen(QColor(40, 170, 70), 13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    return image;
}

QImage crossMark()
{
    QImage image = canvas(QSize(100, 98), kBoardSurface);
    QPainter p(&image);
    prepare(p);
    QPainterPath cross;
    cross.moveTo(24, 22);
    cross.lineTo(76, 75);
    cross.moveTo(76, 22);
    cross.lineTo(24, 75);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(140, 20, 25), 21, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(cross);
    p.setPen(QPen(QColor(225, 45, 45), 13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(cross);
    return image;
}

namespace {

// The calm blue ground shared by the home and menu screens.
void paintScreenGround(QPainter &p, const QRect &area, qreal glow)
{
    QLinearGradient ground(area.topLeft(), area.bottomLeft());
    ground.setColorAt(0, mix(kScreenBlue, Qt::white, 0.07));
    ground.setColorAt(1, mix(kScreenBlue, Qt::black, 0.09));
    p.fillRect(area, ground);
    QRadialGradient light(area.center(), area.width() * 0.42);
    light.setColorAt(0, QColor(255, 255, 255, int(255 * glow)));
    light.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(area, light);
}

void scatterStars(QPainter &p, QRandomGenerator &random, int count, const QRect &area,
                  const QRectF &keepClear, int maxAlpha)
{
    p.setPen(Qt::NoPen);
    for (int placed = 0, tries = 0; placed < count && tries < count * 20; ++tries) {
        const QPointF at(area.left() + random.bounded(area.width()),
                         area.top() + random.bounded(area.height()));
        const QPointF d = at - keepClear.center();
        const qreal rx = keepClear.width() / 2, ry = keepClear.height() / 2;
        if ((d.x() * d.x()) / (rx * rx) + (d.y() * d.y()) / (ry * ry) < 1)
            continue;
        const qreal size = 7 + random.bounded(16);
        p.setBrush(QColor(255, 255, 255, 25 + random.bounded(maxAlpha - 25)));
        p.drawPath(starPath(at, size, size * 0.45, random.bounded(72)));
        ++placed;
    }
}

} // namespace

QImage homeBackground()
{
    QImage image = canvas(QSize(1600, 1200), kScreenBlue);
    QPainter p(&image);
    prepare(p);
    paintScreenGround(p, image.rect(), 0.10);

    QRandomGenerator random(2718);
    const QRectF centre(330, 250, 940, 720); // kept clear for the labels on top
    scatterStars(p, random, 70, image.rect(), centre, 70);

    // Big soft letters near the edges of the clear area.
    const QColor letterInk(255, 255, 255, 26);
    struct Letter { const char *text; QPointF at; qreal size; qreal turn; };
    const Letter letters[] = {
        {"A", {390, 360}, 150, -12}, {"b", {1150, 350}, 140, 10}, {"c", {330, 930}, 130, 8},
        {"Q", {1230, 960}, 150, -8}, {"e", {760, 330}, 90, 4},   {"?", {1000, 1010}, 110, 12},
    };
    for (const Letter &l : letters) {
        p.save();
        p.translate(l.at);
        p.rotate(l.turn);
        p.setFont(font(QStringLiteral("Liberation Serif"), l.size));
        p.setPen(letterInk);
        p.drawText(QRectF(-l.size, -l.size, 2 * l.size, 2 * l.size), Qt::AlignCenter,
                   QString::fromLatin1(l.text));
        p.restore();
    }

    // Pencils between the title and the year columns.
    drawPencil(p, QPointF(60, 300), -8, 430, 34, mix(QColor(255, 200, 40), kScreenBlue, 0.45), 150);
    drawPencil(p, QPointF(1545, 330), 188, 400, 34, mix(QColor(230, 70, 80), kScreenBlue, 0.45), 150);

    // A shelf of books along the bottom, left of the web address.
    const QColor bookColours[] = {{200, 60, 60},  {240, 170, 40}, {60, 160, 90},  {130, 80, 170},
                                  {230, 110, 50}, {40, 120, 170}, {210, 80, 130}, {90, 170, 170},
                                  {240, 200, 80}, {150, 90, 60}};
    qreal x = 300;
    for (int i = 0; i < 10; ++i) {
        const qreal w = 34 + random.bounded(20);
        const qreal h = 120 + random.bounded(60);
        const QColor c = mix(bookColours[i], kScreenBlue, 0.55);
        const QColor band = mix(c, Qt::white, 0.35);
        if (i == 6) { // one book leans against the next
            const qreal lean = 14;
            p.save();
            p.translate(x, 1182);
            p.rotate(lean);
            drawSpine(p, QRectF(0, -h, w, h), c, band);
            p.restore();
            x += w * std::cos(qDegreesToRadians(lean)) + h * std::sin(qDegreesToRadians(lean)) + 2;
        } else {
            drawSpine(p, QRectF(x, 1182 - h, w, h), c, band);
            x += w + 3;
        }
    }
    p.setPen(Qt::NoPen);
    p.setBrush(mix(QColor(150, 100, 60), kScreenBlue, 0.55));
    p.drawRect(QRectF(280, 1182, x - 280 + 20, 18));
    return image;
}

QImage menuBackground()
{
    QImage image = canvas(QSize(1600, 1200), kScreenBlue);
    QPainter p(&image);
    prepare(p);
    paintScreenGround(p, image.rect(), 0.06);

    // Faint ruled lines, like an exercise book, with a margin.
    p.setPen(QPen(QColor(255, 255, 255, 16), 2));
    for (int y = 180; y < 1200; y += 56)
        p.drawLine(0, y, 1600, y);
    p.setPen(QPen(QColor(255, 150, 170, 34), 3));
    p.drawLine(150, 0, 150, 1200);

    QRandomGenerator random(31415);
    scatterStars(p, random, 16, image.rect(), QRectF(120, 80, 1360, 1040), 55);
    return image;
}

QImage makerLogo()
{
    const QColor navy(28, 48, 112);
    const QColor gold(242, 168, 40);
    QImage image = canvas(QSize(200, 278), navy);
    QPainter p(&image);
    prepare(p);

    const QRectF card(6, 6, 188, 266);
    QLinearGradient paper(card.topLeft(), card.bottomLeft());
    paper.setColorAt(0, QColor(255, 252, 240));
    paper.setColorAt(1, QColor(250, 238, 210));
    p.setPen(Qt::NoPen);
    p.setBrush(paper);
    p.drawRoundedRect(card, 18, 18);
    p.setPen(QPen(withAlpha(navy, 90), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(card.adjusted(6, 6, -6, -6), 13, 13);

    // A sunburst behind the book.
    QRadialGradient sun(QPointF(100, 110), 80);
    sun.setColorAt(0, QColor(255, 215, 110, 200));
    sun.setColorAt(1, QColor(255, 215, 110, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(100, 110), 80, 80);

    drawOpenBook(p, QPointF(100, 168), 76, 78, navy, navy, 3);
    drawQuill(p, QPointF(118, 140), QPointF(176, 34), 26, gold);
    p.setPen(QPen(gold.darker(130), 1.5));
    p.setBrush(gold);
    p.drawPath(starPath(QPointF(40, 52), 13, 5.5));
    p.drawPath(starPath(QPointF(64, 32), 7, 3));

    QFont name = font(QStringLiteral("Liberation Serif"), 30);
    p.setFont(name);
    p.setPen(navy);
    p.drawText(QRectF(0, 188, 200, 44), Qt::AlignCenter, QStringLiteral("Dunmorrow"));
    p.setPen(QPen(gold, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(46, 240), QPointF(154, 240));
    p.setPen(Qt::NoPen);
    p.setBrush(gold);
    p.drawEllipse(QPointF(100, 240), 5, 5);
    return image;
}

QImage titlePicture()
{
    QImage image = canvas(QSize(640, 480), QColor(255, 244, 214));
    QPainter p(&image);
    prepare(p);
    const QColor navy(30, 50, 120);

    QLinearGradient wall(0, 0, 0, 330);
    wall.setColorAt(0, QColor(255, 247, 222));
    wall.setColorAt(1, QColor(250, 232, 196));
    p.fillRect(QRectF(0, 0, 640, 330), wall);

    // A window on a sunny day.
    const QRectF window(34, 52, 196, 166);
    QLinearGradient sky(window.topLeft(), window.bottomLeft());
    sky.setColorAt(0, QColor(110, 185, 245));
    sky.setColorAt(1, QColor(185, 225, 250));
    p.setPen(QPen(QColor(170, 150, 120), 3));
    p.setBrush(sky);
    p.drawRect(window);
    p.save();
    p.setClipRect(window);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 215, 70));
    p.drawEllipse(QPointF(window.right() - 40, window.top() + 38), 24, 24);
    p.setPen(QPen(QColor(255, 215, 70), 4, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 8; ++i) {
        const qreal a = qDegreesToRadians(45.0 * i + 10);
        const QPointF c(window.right() - 40, window.top() + 38);
        p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * 31, c + QPointF(std::cos(a), std::sin(a)) * 41);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (const QRectF &puff : {QRectF(62, 120, 60, 36), QRectF(92, 104, 62, 48), QRectF(128, 118, 56, 36)})
        p.drawEllipse(puff);
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(window.center().x() - 4, window.top(), 8, window.height()));
    p.drawRect(QRectF(window.left(), window.center().y() - 4, window.width(), 8));
    p.setPen(QPen(QColor(205, 190, 165), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(window.adjusted(-7, -7, 7, 7));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 225, 205));
    p.drawRect(QRectF(window.left() - 14, window.bottom() + 7, window.width() + 28, 12));

    // Letter bunting across the wall.
    QPainterPath string;
    string.moveTo(250, 26);
    string.quadTo(440, 86, 636, 22);
    p.setPen(QPen(QColor(140, 110, 80), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(string);
    const QColor flags[] = {{230, 70, 70}, {250, 160, 40}, {250, 210, 60}, {80, 180, 90},
                            {60, 140, 220}, {150, 90, 200}};
    const char *flagLetters = "ABCDEF";
    for (int i = 0; i < 6; ++i) {
        const qreal t = 0.1 + i * 0.16;
        const QPointF a = string.pointAtPercent(t - 0.05);
        const QPointF b = string.pointAtPercent(t + 0.05);
        const QPointF tip = (a + b) / 2 + QPointF(0, 52);
        QPolygonF flag;
        flag << a << b << tip;
        p.setPen(QPen(flags[i].darker(140), 1.5));
        p.setBrush(flags[i]);
        p.drawPolygon(flag);
        p.setFont(font(QStringLiteral("Liberation Sans"), 22));
        p.setPen(flags[i].lightness() > 150 ? QColor(120, 80, 0) : QColor(Qt::white));
        p.drawText(QRectF((a.x() + b.x()) / 2 - 20, (a.y() + b.y()) / 2 + 2, 40, 28), Qt::AlignCenter,
                   QString(QChar::fromLatin1(flagLetters[i])));
    }

    // The desk.
    QLinearGradient desk(0, 330, 0, 480);
    desk.setColorAt(0, QColor(214, 156, 96));
    desk.setColorAt(1, QColor(168, 108, 58));
    p.fillRect(QRectF(0, 330, 640, 150), desk);
    p.fillRect(QRectF(0, 326, 640, 14), QColor(232, 182, 122));
    p.setPen(QPen(QColor(150, 95, 50, 90), 2));
    for (const qreal y : {372.0, 410.0, 451.0})
        p.drawLine(QPointF(0, y), QPointF(640, y + 4));

    // A stack of books with an apple on top.
    drawLyingBook(p, QRectF(36, 290, 206, 42), QColor(60, 120, 200));
    drawLyingBook(p, QRectF(50, 252, 184, 40), QColor(220, 70, 70));
    drawLyingBook(p, QRectF(42, 216, 192, 38), QColor(70, 165, 95));
    p.setPen(QPen(QColor(150, 20, 30), 2));
    p.setBrush(QColor(220, 40, 50));
    QPainterPath apple;
    apple.setFillRule(Qt::WindingFill);
    apple.addEllipse(QRectF(112, 172, 36, 44));
    apple.addEllipse(QRectF(132, 172, 36, 44));
    p.drawPath(apple.simplified());
    p.setPen(QPen(QColor(110, 70, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(140, 176), QPointF(144, 160));
    p.setPen(QPen(QColor(40, 120, 50), 1.5));
    p.setBrush(QColor(80, 170, 70));
    QPainterPath leaf;
    leaf.moveTo(145, 162);
    leaf.quadTo(156, 148, 170, 154);
    leaf.quadTo(160, 166, 145, 162);
    p.drawPath(leaf);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawEllipse(QRectF(121, 182, 10, 16));

    // An open book with a speech bubble coming out of it.
    drawOpenBook(p, QPointF(430, 372), 150, 78, QColor(200, 60, 90), navy, 3);

    const QRectF bubble(262, 94, 352, 106);
    QPainterPath speech;
    speech.addRoundedRect(bubble, 40, 40);
    QPainterPath tail;
    tail.moveTo(392, bubble.bottom() - 6);
    tail.quadTo(404, 250, 412, 276);
    tail.quadTo(426, 240, 448, bubble.bottom() - 6);
    tail.closeSubpath();
    speech = speech.united(tail);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 90, 50, 50));
    p.drawPath(speech.translated(5, 6));
    p.setPen(QPen(navy, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(speech);
    p.setFont(font(QStringLiteral("Liberation Sans"), 33));
    p.setPen(navy);
    p.drawText(bubble, Qt::AlignCenter, QStringLiteral("Once upon a time\u2026"));

    p.setPen(QPen(QColor(230, 150, 20), 1.5));
    p.setBrush(QColor(255, 205, 50));
    p.drawPath(starPath(QPointF(250, 230), 17, 7, 8));
    p.drawPath(starPath(QPointF(600, 232), 13, 5.5, -6));

    // A pencil lying at the front of the desk.
    drawPencil(p, QPointF(290, 442), -7, 300, 24, QColor(250, 200, 40));
    return image;
}
