#include "widgets/SparklineView.h"

#include "widgets/SparklineGeometry.h"

#include <QPainter>

SparklineView::SparklineView(const QList<double>& data, const UiColor& color, QWidget* parent)
    : QWidget(parent), m_data(data), m_color(color)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SparklineView::setData(const QList<double>& data)
{
    if (data == m_data)
        return;
    m_data = data;
    update();
}

void SparklineView::setColor(const UiColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

QPainterPath SparklineView::linePath() const { return SparklineGeometry::path(m_data, QSizeF(size())); }

void SparklineView::paintEvent(QPaintEvent*)
{
    const QPainterPath line = linePath();
    if (line.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(m_color.resolve(this), 1.5);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(line);
}
