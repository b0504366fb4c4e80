#include "dashboard/tour/PersonaCard.h"

#include "dashboard/tour/TourPaint.h"
#include "widgets/Fonts.h"
#include "widgets/RepeatingLoop.h"
#include "widgets/SpriteCache.h"
#include "widgets/SymbolIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kRadius = 10;
constexpr qreal kGlow = 4;
constexpr qreal kIconPoints = 18;
constexpr qreal kGap = 6;
constexpr int kBreathMs = 800;
} // namespace

PersonaCard::PersonaCard(const QString& title, const QString& icon, const UiColor& color, bool isSelected,
                         std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), m_title(title), m_icon(icon), m_color(color), m_isSelected(isSelected),
      m_pulse(new RepeatingLoop(kBreathMs, true, this))
{
    setText(title);
    setFont(Fonts::system(10, QFont::Bold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_pulse, &RepeatingLoop::frame, this, [this] { TourPaint::repaintFrame(this); });
    if (action)
        connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] { action(); });
    // Every card breathes; only the selected one shows it.
    m_pulse->setOn(isSelected);
}

void PersonaCard::setSelected(bool selected)
{
    if (selected == m_isSelected)
        return;
    m_isSelected = selected;
    m_pulse->setOn(selected);
    update();
}

void PersonaCard::setColor(const UiColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

bool PersonaCard::isPulsing() const { return m_pulse->isTicking(); }

double PersonaCard::scale() const
{
    return m_isSelected ? TourPaint::mix(kPulseLow, kPulseHigh, m_pulse->value()) : 1.0;
}

QSize PersonaCard::sizeHint() const
{
    // Room for the breath and the glow around the tile.
    const int margin = int(kGlow) + 2;
    return kTile + QSize(2 * margin, 2 * margin);
}

void PersonaCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The selected card breathes through a few scales: each look is drawn
    // once and then copied.
    const double scale = this->scale();
    const QString key = QStringLiteral("persona-card|%1|%2|%3|%4|%5")
                            .arg(m_title, m_icon)
                            .arg(m_color.resolve(this).rgba())
                            .arg(m_isSelected)
                            .arg(qRound(scale * 1000));
    SpriteCache::draw(painter, rect(), key, [&](QPainter& sprite) { paintCard(sprite, scale); });
}

void PersonaCard::paintCard(QPainter& p, double scale) const
{
    p.setRenderHint(QPainter::Antialiasing);
    QRectF box{QPointF(), QSizeF(kTile)};
    box.moveCenter(QRectF(rect()).center());
    TourPaint::scaleAbout(p, box, scale);
    const QColor color = m_color.resolve(this);
    if (m_isSelected) {
        QColor glow = color;
        glow.setAlphaF(0.5 * glow.alphaF());
        TourPaint::glow(p, box, kRadius, glow, kGlow);
    }
    QPainterPath shape;
    shape.addRoundedRect(box, kRadius, kRadius);
    p.fillPath(shape, m_isSelected ? color : QColor(255, 255, 255, 10));
    p.setPen(QPen(m_isSelected ? color : QColor(255, 255, 255, 26), 1));
    p.drawPath(shape);

    const QFontMetricsF metrics(font());
    const qreal side = SymbolIcon::pixelSizeFor(kIconPoints);
    const qreal top = box.center().y() - (side + kGap + metrics.height()) / 2;
    SymbolIcon::paint(p, QRectF(box.left(), top, box.width(), side), m_icon,
                      m_isSelected ? QColor(Qt::white) : color, side);
    p.setPen(m_isSelected ? QColor(Qt::white) : systemColor(SystemColor::primary, ColorScheme::dark));
    p.setFont(font());
    p.drawText(QRectF(box.left(), top + side + kGap, box.width(), metrics.height()), Qt::AlignCenter, m_title);
}

void PersonaCard::showEvent(QShowEvent* event)
{
    QAbstractButton::showEvent(event);
    m_pulse->setShown(true);
}

void PersonaCard::hideEvent(QHideEvent* event)
{
    QAbstractButton::hideEvent(event);
    m_pulse->setShown(false);
}
