#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// Drawing shared by the tour's small views.
class TourPaint {
public:
    // A soft glow of `color` around a rounded rectangle, `blur` wide.
    static void glow(QPainter& painter, const QRectF& box, qreal radius, const QColor& color, qreal blur);
    // Scales the painter by `scale` about the centre of `box`.
    static void scaleAbout(QPainter& painter, const QRectF& box, qreal scale);
    static qreal mix(qreal from, qreal to, qreal t) { return from + (to - from) * t; }
};
