#include "widgets/ColorDot.h"

#include <QPainter>

ColorDot::ColorDot(const UiColor& color, int diameter, QWidget* parent)
    : QWidget(parent), m_color(color), m_diameter(diameter)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ColorDot::setColor(const UiColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void ColorDot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color.resolve(this));
    const qreal d = std::min(width(), height());
    painter.drawEllipse(QRectF((width() - d) / 2, (height() - d) / 2, d, d));
}
