#include "widgets/MemoryShareBar.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {
constexpr qreal kBarRadius = 5;
constexpr qreal kSegmentRadius = 3;

double drawn(double width)
{
    return std::isnan(width) ? MemoryShareBar::kMinSegment : std::max(width, MemoryShareBar::kMinSegment);
}
} // namespace

MemoryShareBar::MemoryShareBar(const UiColor& accent, QWidget* parent) : QWidget(parent), m_accent(accent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

std::array<double, 3> MemoryShareBar::segmentWidths(double memoryUsed, double memoryTotal, double aiVramUsed,
                                                    double width)
{
    const double divisor = memoryTotal > 1.0 ? memoryTotal : 1.0;
    // The system share may come out negative (more AI than used); the
    // minimum width catches it.
    const double system = width * (memoryUsed - aiVramUsed) / divisor;
    const double ai = width * aiVramUsed / divisor;
    const double free = width * std::max(0.0, memoryTotal - memoryUsed) / divisor;
    return {drawn(system), drawn(ai), drawn(free)};
}

void MemoryShareBar::setFigures(double memoryUsed, double memoryTotal, double aiVramUsed)
{
    if (memoryUsed == m_used && memoryTotal == m_total && aiVramUsed == m_ai)
        return;
    m_used = memoryUsed;
    m_total = memoryTotal;
    m_ai = aiVramUsed;
    update();
}

void MemoryShareBar::setAccent(const UiColor& accent)
{
    if (accent == m_accent)
        return;
    m_accent = accent;
    update();
}

std::array<double, 3> MemoryShareBar::currentWidths() const { return segmentWidths(m_used, m_total, m_ai, width()); }

void MemoryShareBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), kBarRadius, kBarRadius);
    painter.setClipPath(clip);
    const std::array<double, 3> widths = currentWidths();
    const UiColor fills[3] = {SystemColor::blue, m_accent, UiColor(SystemColor::contrast).opacity(0.15)};
    double x = 0;
    for (int i = 0; i < 3 && x < width(); ++i) {
        // Huge shares are cut by the clip anyway; keep the painter's
        // numbers small.
        const double w = std::min(widths[i], double(width()) + kGap);
        QPainterPath segment;
        segment.addRoundedRect(QRectF(x, 0, w, height()), std::min(kSegmentRadius, w / 2), kSegmentRadius);
        painter.fillPath(segment, fills[i].resolve(this));
        x += w + kGap;
    }
}
