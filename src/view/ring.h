#pragma once

#include <QWidget>

// A ring drawn over a screen around a control, outside its edge so it hides none of it:
// the keyboard focus, a chosen item, or the keyboard's target cursor. It lets the pointer
// through to whatever lies beneath.
class Ring : public QWidget
{
public:
    enum class Style {
        Focus,    // white, with blue dashes
        Selected, // solid orange
        Cursor,   // white edged in black
    };

    Ring(Style style, QWidget *parent);

    // Goes round `inner` (in the parent's pixels) in a band `thickness` wide that starts
    // `gap` pixels outside it, cut to `clip`.
    void surround(const QRect &inner, int gap, int thickness, const QRect &clip);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Style m_style;
    QRect m_band; // the band's outer edge, in the ring's own pixels
    int m_thickness = 3;
};
