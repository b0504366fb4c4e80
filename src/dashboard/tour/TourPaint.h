#pragma once

#include <QColor>
#include <QRectF>

class QPainter;
class QWidget;

// Drawing shared by the tour's small views.
class TourPaint {
public:
    // A soft glow of `color` around a rounded rectangle, `blur` wide.
    static void glow(QPainter& painter, const QRectF& box, qreal radius, const QColor& color, qreal blur);
    // Scales the painter by `scale` about the centre of `box`.
    static void scaleAbout(QPainter& painter, const QRectF& box, qreal scale);
    static qreal mix(qreal from, qreal to, qreal t) { return from + (to - from) * t; }
    // Repaints `rect` of `view` (all of it when empty) for an animation
    // frame, through its nearest opaque ancestor (the card's page slot):
    // the window then paints that ancestor and what lies in it there, and
    // not the dashboard below the overlay as well.
    static void repaintFrame(QWidget* view, const QRect& rect = QRect());
};
