#include "widgets/RingGauge.h"

#include "widgets/Fonts.h"
#include "widgets/RingChart.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

RingGauge::RingGauge(double fraction, const UiColor& color, int side, qreal lineWidth, QWidget* parent)
    : QWidget(parent), m_fraction(fraction), m_color(color), m_side(side), m_lineWidth(lineWidth),
      m_textFont(Fonts::system(12, QFont::Bold))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

double RingGauge::trimEnd(double fraction)
{
    if (!std::isfinite(fraction) || fraction <= 0)
        return 0;
    return std::min(fraction, 1.0);
}

void RingGauge::setFraction(double fraction)
{
    if (fraction == m_fraction)
        return;
    m_fraction = fraction;
    update();
}

void RingGauge::setColor(const UiColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void RingGauge::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void RingGauge::setTextFont(const QFont& font)
{
    m_textFont = font;
    update();
}

void RingGauge::setTrackOpacity(qreal opacity)
{
    m_trackOpacity = opacity;
    update();
}

void RingGauge::setArcCap(Qt::PenCapStyle cap)
{
    m_arcCap = cap;
    update();
}

void RingGauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const QRectF square((width() - side) / 2, (height() - side) / 2, side, side);
    // The stroke is centred on the circle, so inset by half of it to stay
    // inside the frame.
    const qreal inset = m_lineWidth / 2;
    const QRectF circle = square.adjusted(inset, inset, -inset, -inset);
    const QColor arc = m_color.resolve(this);
    QColor track = arc;
    track.setAlphaF(float(arc.alphaF() * m_trackOpacity));
    RingChart::paintRing(painter, circle, trimEnd(m_fraction), arc, track, m_lineWidth, m_arcCap);

    if (m_text.isEmpty())
        return;
    painter.setFont(m_textFont);
    painter.setPen(UiColor(SystemColor::primary).resolve(this));
    painter.drawText(square, Qt::AlignCenter, m_text);
}
