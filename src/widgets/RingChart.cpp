#include "widgets/RingChart.h"

#include "widgets/Fonts.h"
#include "widgets/SpriteCache.h"

#include <QEasingCurve>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSpringMs = 1000;
// Figures that drift a little every second would keep the spring running
// all the time; a change under half a percent of the circle (about a point
// and a half of arc) jumps instead.
constexpr double kSmallestSwing = 0.005;

// A spring of 0.8 s response and 0.7 damping fraction, released from rest:
// the arc overshoots by about 5 % and settles within the second.
qreal spring(qreal progress)
{
    if (progress >= 1.0)
        return 1.0;
    const double t = progress * kSpringMs / 1000.0;
    const double omega = 2 * M_PI / 0.8;
    const double zeta = 0.7;
    const double damped = omega * std::sqrt(1 - zeta * zeta);
    return 1 - std::exp(-zeta * omega * t) * (std::cos(damped * t) + zeta * omega / damped * std::sin(damped * t));
}

QEasingCurve springCurve()
{
    QEasingCurve curve;
    curve.setCustomType(spring);
    return curve;
}

} // namespace

RingChart::RingChart(double percentage, const QString& label, const UiColor& color, const QString& title,
                     QWidget* parent)
    : QWidget(parent), m_percentage(percentage), m_label(label), m_color(color), m_title(title),
      m_titleFont(Fonts::system(24, QFont::DemiBold, FontDesign::rounded)), m_labelFont(Fonts::system(10, QFont::Bold)),
      m_arc(this, trimEnd(percentage), springCurve(), kSpringMs, kSmallestSwing)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

double RingChart::trimEnd(double percentage)
{
    if (!std::isfinite(percentage) || percentage <= 0)
        return 0;
    return std::min(percentage / 100.0, 1.0);
}

void RingChart::setPercentage(double percentage)
{
    if (percentage == m_percentage)
        return;
    m_percentage = percentage;
    m_arc.moveTo(trimEnd(percentage));
}

void RingChart::setLabel(const QString& label)
{
    m_label = label;
    update();
}

void RingChart::setColor(const UiColor& color)
{
    m_color = color;
    update();
}

void RingChart::setTitle(const QString& title)
{
    m_title = title;
    update();
}

void RingChart::paintRing(QPainter& painter, const QRectF& circle, double trim, const QColor& arc,
                          const QColor& track, qreal lineWidth, Qt::PenCapStyle arcCap)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    // The track never moves while the arc springs: it is drawn once.
    const QRect outer = circle.adjusted(-lineWidth, -lineWidth, lineWidth, lineWidth).toAlignedRect();
    const QRectF inSprite = circle.translated(-outer.topLeft());
    const QString key = QStringLiteral("ring-track|%1,%2,%3,%4|%5|%6")
                            .arg(inSprite.x())
                            .arg(inSprite.y())
                            .arg(inSprite.width())
                            .arg(inSprite.height())
                            .arg(lineWidth)
                            .arg(track.rgba());
    SpriteCache::draw(painter, outer, key, [&](QPainter& sprite) {
        sprite.setRenderHint(QPainter::Antialiasing);
        sprite.setPen(QPen(track, lineWidth, Qt::SolidLine, Qt::FlatCap));
        sprite.drawEllipse(inSprite);
    });
    // The spring may overshoot a full circle or dip below nothing; draw
    // within the circle either way.
    const double fraction = std::clamp(trim, 0.0, 1.0);
    if (fraction > 0) {
        painter.setPen(QPen(arc, lineWidth, Qt::SolidLine, arcCap));
        // Qt counts sixteenths of a degree, anticlockwise from three o'clock.
        painter.drawArc(circle, 90 * 16, -int(std::lround(fraction * 360 * 16)));
    }
    painter.restore();
}

void RingChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    constexpr qreal lineWidth = 8;
    const qreal side = std::min(width(), height());
    const QRectF square((width() - side) / 2, (height() - side) / 2, side, side);
    const QRectF circle = square.adjusted(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2);
    const QColor color = m_color.resolve(this);
    QColor track = color;
    track.setAlphaF(color.alphaF() * 0.2f);
    paintRing(painter, circle, m_arc.displayed(), color, track, lineWidth);

    const QFont& titleFont = m_titleFont;
    const QFont& labelFont = m_labelFont;
    const QFontMetricsF titleMetrics(titleFont);
    const QFontMetricsF labelMetrics(labelFont);
    const qreal inner = circle.width() - lineWidth - 6;
    const qreal titleH = titleMetrics.ascent() + titleMetrics.descent();
    const qreal labelH = labelMetrics.ascent() + labelMetrics.descent();
    const qreal stack = titleH + 2 + labelH;
    const qreal top = square.center().y() - stack / 2;

    painter.setFont(titleFont);
    painter.setPen(UiColor(SystemColor::primary).resolve(this));
    painter.drawText(QRectF(square.center().x() - inner / 2, top, inner, titleH), Qt::AlignCenter,
                     titleMetrics.elidedText(m_title, Qt::ElideRight, inner));
    painter.setFont(labelFont);
    painter.setPen(UiColor(SystemColor::secondary).resolve(this));
    painter.drawText(QRectF(square.center().x() - inner / 2, top + titleH + 2, inner, labelH), Qt::AlignCenter,
                     labelMetrics.elidedText(m_label, Qt::ElideRight, inner));
}
