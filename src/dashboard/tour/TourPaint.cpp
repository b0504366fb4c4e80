#include "dashboard/tour/TourPaint.h"

#include <QPainter>
#include <QWidget>

void TourPaint::glow(QPainter& painter, const QRectF& box, qreal radius, const QColor& color, qreal blur)
{
    if (color.alpha() == 0 || blur <= 0)
        return;
    // Rings that widen and fade; together they add up to about `color`.
    constexpr int kRings = 6;
    painter.save();
    painter.setPen(Qt::NoPen);
    for (int i = kRings; i >= 1; --i) {
        const qreal spread = blur * i / kRings;
        QColor ring = color;
        ring.setAlphaF(color.alphaF() * 2.0 / kRings * (1.0 - (i - 1) / qreal(kRings)));
        painter.setBrush(ring);
        painter.drawRoundedRect(box.adjusted(-spread, -spread, spread, spread), radius + spread, radius + spread);
    }
    painter.restore();
}

void TourPaint::scaleAbout(QPainter& painter, const QRectF& box, qreal scale)
{
    const QPointF centre = box.center();
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
}

void TourPaint::repaintFrame(QWidget* view, const QRect& rect)
{
    const QRect area = rect.isEmpty() ? view->rect() : rect;
    for (QWidget* w = view; w && !w->isWindow(); w = w->parentWidget()) {
        if (w->autoFillBackground() && w->palette().brush(w->backgroundRole()).isOpaque()) {
            w->update(QRect(view->mapTo(w, area.topLeft()), area.size()));
            return;
        }
    }
    view->update(area);
}
