#include "widgets/CardFrame.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPaintEvent>
#include <QPainterPath>

#include <optional>

CardFrame::CardFrame(QWidget* parent) : QWidget(parent) {}

CardFrame::CardFrame(const UiColor& fill, qreal cornerRadius, QWidget* parent)
    : QWidget(parent), m_fill(fill), m_radius(cornerRadius)
{
}

// Pages set their cards' looks at every refresh: only a change repaints
// (a card's repaint takes everything on it along).
void CardFrame::setFill(const UiColor& fill)
{
    if (fill == m_fill)
        return;
    m_fill = fill;
    update();
}

void CardFrame::setCornerRadius(qreal radius)
{
    if (radius == m_radius)
        return;
    m_radius = radius;
    update();
}

void CardFrame::setStroke(const UiColor& color, qreal width)
{
    if (m_stroke == color && width == m_strokeWidth)
        return;
    m_stroke = color;
    m_strokeWidth = width;
    update();
}

void CardFrame::clearStroke()
{
    if (!m_stroke)
        return;
    m_stroke.reset();
    update();
}

void CardFrame::setGradient(const UiColor& from, const UiColor& to)
{
    if (m_gradient == std::make_pair(from, to))
        return;
    m_gradient = std::make_pair(from, to);
    update();
}

void CardFrame::clearGradient()
{
    if (!m_gradient)
        return;
    m_gradient.reset();
    update();
}

bool CardFrame::liesClearOfEdge(const QRectF& box, qreal radius, qreal edge, const QRect& dirtyRect)
{
    const QRectF inside = box.adjusted(edge, edge, -edge, -edge);
    const QRectF dirty(dirtyRect);
    const qreal corner = radius + edge;
    const auto touchesCorner = [&](QPointF at) {
        return dirty.intersects(QRectF(at.x() - corner, at.y() - corner, 2 * corner, 2 * corner));
    };
    return inside.contains(dirty) && !touchesCorner(box.topLeft()) && !touchesCorner(box.topRight()) &&
           !touchesCorner(box.bottomLeft()) && !touchesCorner(box.bottomRight());
}

void CardFrame::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Inset by half the stroke so the hairline lands on whole pixels.
    const qreal inset = m_stroke ? m_strokeWidth / 2 : 0;
    const QRectF box = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    const QColor fill = m_fill.resolve(this);
    std::optional<QLinearGradient> gradient;
    if (m_gradient) {
        gradient.emplace(box.topLeft(), box.bottomRight());
        gradient->setColorAt(0, m_gradient->first.resolve(this));
        gradient->setColorAt(1, m_gradient->second.resolve(this));
    }
    // A child animating inside the card repaints a small rectangle.
    if (liesClearOfEdge(box, m_radius, (m_stroke ? m_strokeWidth : 0) + 1, event->rect())) {
        painter.fillRect(event->rect(), fill);
        if (gradient)
            painter.fillRect(event->rect(), *gradient);
        return;
    }
    QPainterPath plate;
    plate.addRoundedRect(box, m_radius, m_radius);
    painter.fillPath(plate, fill);
    if (gradient)
        painter.fillPath(plate, *gradient);
    if (m_stroke) {
        painter.setPen(QPen(m_stroke->resolve(this), m_strokeWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(plate);
    }
}
