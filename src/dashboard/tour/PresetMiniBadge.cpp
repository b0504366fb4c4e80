#include "dashboard/tour/PresetMiniBadge.h"

#include "dashboard/tour/TourPaint.h"
#include "widgets/Fonts.h"
#include "widgets/RepeatingLoop.h"
#include "widgets/SpriteCache.h"
#include "widgets/SymbolIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kIconPoints = 10;
constexpr qreal kGap = 4;
constexpr qreal kPadH = 8;
constexpr qreal kPadV = 4;
constexpr qreal kRadius = 6;
constexpr qreal kGlow = 4;
constexpr int kBreathMs = 600;
} // namespace

PresetMiniBadge::PresetMiniBadge(const QString& title, const QString& icon, const UiColor& color, bool isSelected,
                                 QWidget* parent)
    : QWidget(parent), m_title(title), m_icon(icon), m_color(color), m_isSelected(isSelected),
      m_pulse(new RepeatingLoop(kBreathMs, true, this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFont(Fonts::system(9, QFont::Bold));
    connect(m_pulse, &RepeatingLoop::frame, this, [this] { TourPaint::repaintFrame(this); });
    m_pulse->setOn(isSelected);
}

void PresetMiniBadge::setSelected(bool selected)
{
    if (selected == m_isSelected)
        return;
    m_isSelected = selected;
    // Selected: a new breath; deselected: it ends at once.
    m_pulse->setOn(selected);
    update();
}

bool PresetMiniBadge::pulsate() const { return m_pulse->isOn(); }

bool PresetMiniBadge::isPulsing() const { return m_pulse->isTicking(); }

double PresetMiniBadge::scale() const
{
    return m_isSelected ? TourPaint::mix(kPulseLow, kPulseHigh, m_pulse->value()) : 1.0;
}

QSizeF PresetMiniBadge::natural() const
{
    const QFontMetricsF metrics(font());
    const qreal side = SymbolIcon::pixelSizeFor(kIconPoints);
    return {kPadH * 2 + side + kGap + metrics.horizontalAdvance(m_title), kPadV * 2 + qMax(side, metrics.height())};
}

QSize PresetMiniBadge::sizeHint() const
{
    return (natural() * kPulseHigh).toSize() + QSize(2 * int(kGlow) + 2, 2 * int(kGlow) + 2);
}

void PresetMiniBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The selected badge breathes through a few scales: each look is drawn
    // once and then copied.
    const double scale = this->scale();
    const QString key = QStringLiteral("preset-badge|%1|%2|%3|%4|%5")
                            .arg(m_title, m_icon)
                            .arg(m_color.resolve(this).rgba())
                            .arg(m_isSelected)
                            .arg(qRound(scale * 1000));
    SpriteCache::draw(painter, rect(), key, [&](QPainter& sprite) { paintBadge(sprite, scale); });
}

void PresetMiniBadge::paintBadge(QPainter& p, double scale) const
{
    p.setRenderHint(QPainter::Antialiasing);
    QRectF box(QPointF(), natural());
    box.moveCenter(QRectF(rect()).center());
    TourPaint::scaleAbout(p, box, scale);
    const QColor color = m_color.resolve(this);
    if (m_isSelected) {
        QColor glow = color;
        glow.setAlphaF(0.6 * glow.alphaF());
        TourPaint::glow(p, box, kRadius, glow, kGlow);
    }
    QPainterPath shape;
    shape.addRoundedRect(box, kRadius, kRadius);
    p.fillPath(shape, m_isSelected ? color : m_color.opacity(0.15).resolve(this));
    const QColor fg = m_isSelected ? QColor(Qt::black) : color;
    const qreal side = SymbolIcon::pixelSizeFor(kIconPoints);
    SymbolIcon::paint(p, QRectF(box.left() + kPadH, box.center().y() - side / 2, side, side), m_icon, fg, side);
    p.setPen(fg);
    p.setFont(font());
    const qreal x = box.left() + kPadH + side + kGap;
    p.drawText(QRectF(x, box.top(), box.right() - x, box.height()), Qt::AlignVCenter | Qt::AlignLeft, m_title);
}

void PresetMiniBadge::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_pulse->setShown(true);
}

void PresetMiniBadge::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_pulse->setShown(false);
}
