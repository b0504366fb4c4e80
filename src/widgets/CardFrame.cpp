#include "widgets/CardFrame.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

CardFrame::CardFrame(QWidget* parent) : QWidget(parent) {}

CardFrame::CardFrame(const UiColor& fill, qreal cornerRadius, QWidget* parent)
    : QWidget(parent), m_fill(fill), m_radius(cornerRadius)
{
}

void CardFrame::setFill(const UiColor& fill)
{
    m_fill = fill;
    update();
}

void CardFrame::setCornerRadius(qreal radius)
{
    m_radius = radius;
    update();
}

void CardFrame::setStroke(const UiColor& color, qreal width)
{
    m_stroke = color;
    m_strokeWidth = width;
    update();
}

void CardFrame::clearStroke()
{
    m_stroke.reset();
    update();
}

void CardFrame::setGradient(const UiColor& from, const UiColor& to)
{
    m_gradient = std::make_pair(from, to);
    update();
}

void CardFrame::clearGradient()
{
    m_gradient.reset();
    update();
}

void CardFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Inset by half the stroke so the hairline lands on whole pixels.
    const qreal inset = m_stroke ? m_strokeWidth / 2 : 0;
    const QRectF box = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    QPainterPath plate;
    plate.addRoundedRect(box, m_radius, m_radius);
    painter.fillPath(plate, m_fill.resolve(this));
    if (m_gradient) {
        QLinearGradient gradient(box.topLeft(), box.bottomRight());
        gradient.setColorAt(0, m_gradient->first.resolve(this));
        gradient.setColorAt(1, m_gradient->second.resolve(this));
        painter.fillPath(plate, gradient);
    }
    if (m_stroke) {
        painter.setPen(QPen(m_stroke->resolve(this), m_strokeWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(plate);
    }
}
