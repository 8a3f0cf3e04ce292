#include "ring.h"

#include <QPainter>

Ring::Ring(Style style, QWidget *parent)
    : QWidget(parent)
    , m_style(style)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void Ring::surround(const QRect &inner, int gap, int thickness, const QRect &clip)
{
    const int out = gap + thickness;
    const QRect outer = inner.adjusted(-out, -out, out, out);
    const QRect place = outer.intersected(clip);
    const QRect band = outer.translated(-place.topLeft());
    if (place != geometry() || band != m_band || thickness != m_thickness) {
        m_band = band;
        m_thickness = thickness;
        setGeometry(place);
        update();
    }
}

void Ring::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const double half = m_thickness / 2.0;
    const QRectF middle = QRectF(m_band).adjusted(half, half, -half, -half);
    const auto pen = [](const QColor &colour, double width, Qt::PenStyle line = Qt::SolidLine) {
        return QPen(colour, width, line, Qt::SquareCap, Qt::MiterJoin);
    };
    switch (m_style) {
    case Style::Focus:
        painter.setPen(pen(Qt::white, m_thickness));
        painter.drawRect(middle);
        painter.setPen(pen(QColor(0, 60, 200), std::max(2.0, m_thickness - 1.0), Qt::DashLine));
        painter.drawRect(middle);
        break;
    case Style::Selected:
        painter.setPen(pen(QColor(255, 128, 0), m_thickness));
        painter.drawRect(middle);
        break;
    case Style::Cursor: {
        painter.setPen(pen(Qt::black, m_thickness));
        painter.drawRect(middle);
        const double edge = std::max(1.0, m_thickness / 5.0);
        painter.setPen(pen(Qt::white, std::max(2.0, m_thickness - 2 * edge)));
        painter.drawRect(middle);
        break;
    }
    }
}
