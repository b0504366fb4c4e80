#include "widgets/LoadBar.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {
constexpr qreal kRadius = 3;
}

LoadBar::LoadBar(const UiColor& accent, QWidget* parent) : QWidget(parent), m_accent(accent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

double LoadBar::fillWidth(double percent, double width)
{
    const double w = width * (percent / 100.0);
    if (std::isnan(w))
        return 0;
    return std::max(std::min(w, width), 0.0);
}

void LoadBar::setPercent(double percent)
{
    if (percent == m_percent)
        return;
    m_percent = percent;
    update();
}

void LoadBar::setAccent(const UiColor& accent)
{
    if (accent == m_accent)
        return;
    m_accent = accent;
    update();
}

void LoadBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = m_accent.resolve(this);
    const QRectF track(0, kGlow, width(), kBarHeight);
    QPainterPath trackPath;
    trackPath.addRoundedRect(track, kRadius, kRadius);
    QColor faint = accent;
    faint.setAlphaF(accent.alphaF() * 0.15f);
    painter.fillPath(trackPath, faint);

    const double fill = currentFillWidth();
    if (fill <= 0)
        return;
    const QRectF bar(0, kGlow, fill, kBarHeight);
    // The glow: the accent at half strength, fading over three pixels.
    painter.setPen(Qt::NoPen);
    for (int ring = kGlow; ring >= 1; --ring) {
        QColor glow = accent;
        glow.setAlphaF(accent.alphaF() * 0.5f * (0.55f / float(ring * ring)));
        painter.setBrush(glow);
        const qreal grow = ring;
        painter.drawRoundedRect(bar.adjusted(-grow, -grow, grow, grow), kRadius + grow, kRadius + grow);
    }
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    gradient.setColorAt(0, accent);
    gradient.setColorAt(1, UiColor(SystemColor::pink).resolve(this));
    QPainterPath fillPath;
    fillPath.addRoundedRect(bar, std::min(kRadius, fill / 2), kRadius);
    painter.fillPath(fillPath, gradient);
}
