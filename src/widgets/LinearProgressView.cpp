#include "widgets/LinearProgressView.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

LinearProgressView::LinearProgressView(double value, double total, const UiColor& tint, QWidget* parent)
    : QWidget(parent), m_value(value), m_total(total), m_tint(tint)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

double LinearProgressView::fraction(double value, double total)
{
    const double f = value / total;
    if (!std::isfinite(f) || f <= 0)
        return 0;
    return std::min(f, 1.0);
}

void LinearProgressView::setValue(double value, double total)
{
    if (value == m_value && total == m_total)
        return;
    m_value = value;
    m_total = total;
    update();
}

void LinearProgressView::setTint(const UiColor& tint)
{
    if (tint == m_tint)
        return;
    m_tint = tint;
    update();
}

void LinearProgressView::setBarHeight(int height)
{
    m_barHeight = std::max(1, height);
    updateGeometry();
    update();
}

void LinearProgressView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF bar(0, (height() - m_barHeight) / 2.0, width(), m_barHeight);
    const qreal radius = m_barHeight / 2.0;
    painter.setBrush(UiColor(SystemColor::quaternary).resolve(this));
    painter.drawRoundedRect(bar, radius, radius);

    const double f = currentFraction();
    if (f <= 0)
        return;
    // Clip to the track so a short fill keeps the track's rounded start.
    QPainterPath track;
    track.addRoundedRect(bar, radius, radius);
    painter.setClipPath(track);
    painter.setBrush(m_tint.resolve(this));
    painter.drawRoundedRect(QRectF(bar.left(), bar.top(), bar.width() * f, bar.height()), radius, radius);
}
