#include "dashboard/tour/TourCardFrame.h"

#include "theme/ColorScheme.h"
#include "widgets/CardFrame.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

TourCardFrame::TourCardFrame(QWidget* parent) : QWidget(parent)
{
    applyColorScheme(this, ColorScheme::dark, background());
    // The rounded corners show what lies below.
    setAutoFillBackground(false);
}

void TourCardFrame::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // A guide row or a figure repainting inside the card.
    if (CardFrame::liesClearOfEdge(box, kRadius, 2, event->rect())) {
        p.fillRect(event->rect(), background());
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(box, kRadius, kRadius);
    p.fillPath(shape, background());
    QLinearGradient outline(box.topLeft(), box.bottomRight());
    outline.setColorAt(0, QColor(255, 255, 255, 38));
    outline.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(QPen(QBrush(outline), 1));
    p.drawPath(shape);
}
