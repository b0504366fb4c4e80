#include "widgets/CircularProgressView.h"

#include "core/Format.h"
#include "widgets/Fonts.h"
#include "widgets/RingChart.h"
#include "widgets/SpriteCache.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kEaseMs = 500;
// Ten frames a second, a multiple of the pulse's frame time on the same
// page, so that both repaint in the same pass: at this size a frame moves
// the arc's end about a pixel.
constexpr int kFrameMs = 100;
constexpr qreal kLineWidth = 4;
}

CircularProgressView::CircularProgressView(double progress, const UiColor& color, QWidget* parent)
    : QWidget(parent), m_progress(progress), m_color(color), m_textFont(Fonts::monospaced(10, QFont::Bold)),
      m_arc(this, trimEnd(progress), QEasingCurve::InOutQuad, kEaseMs, 0, kFrameMs)
{
}

QString CircularProgressView::percentText(double progress)
{
    return QString::number(kestrova::safeTrunc(progress * 100)) + QLatin1Char('%');
}

double CircularProgressView::trimEnd(double progress)
{
    if (!std::isfinite(progress) || progress <= 0)
        return 0;
    return std::min(progress, 1.0);
}

void CircularProgressView::setProgress(double progress)
{
    // NaN never equals itself; compare the drawn figures instead.
    if (progress == m_progress || (std::isnan(progress) && std::isnan(m_progress)))
        return;
    m_progress = progress;
    m_arc.moveTo(trimEnd(progress));
}

void CircularProgressView::setColor(const UiColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void CircularProgressView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const QRectF square((width() - side) / 2, (height() - side) / 2, side, side);
    const QRectF circle = square.adjusted(kLineWidth / 2, kLineWidth / 2, -kLineWidth / 2, -kLineWidth / 2);
    const QColor color = m_color.resolve(this);
    QColor track = color;
    track.setAlphaF(color.alphaF() * 0.15f);
    RingChart::paintRing(painter, circle, m_arc.displayed(), color, track, kLineWidth);

    // The figure changes once a second, the arc up to twenty times: the
    // text is laid out once per figure.
    const QColor ink = UiColor(SystemColor::primary).resolve(this);
    const QRect box = square.toAlignedRect();
    const QString figure = text();
    const QString key = QStringLiteral("ring-text|%1|%2|%3|%4,%5")
                            .arg(figure, m_textFont.key())
                            .arg(ink.rgba())
                            .arg(square.x() - box.x())
                            .arg(square.y() - box.y());
    SpriteCache::draw(painter, box, key, [&](QPainter& sprite) {
        sprite.setFont(m_textFont);
        sprite.setPen(ink);
        sprite.drawText(square.translated(-box.topLeft()), Qt::AlignCenter, figure);
    });
}
