#include "dashboard/tour/CacheTagBadge.h"

#include "dashboard/tour/TourPaint.h"
#include "widgets/Fonts.h"
#include "widgets/RepeatingLoop.h"
#include "widgets/SpriteCache.h"
#include "widgets/SymbolIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kIconPoints = 8;
constexpr qreal kGap = 3;
constexpr qreal kPadH = 6;
constexpr qreal kPadV = 3;
constexpr qreal kRadius = 4;
constexpr double kCleaningScale = 1.1;
constexpr int kTurnMs = 1000;
} // namespace

CacheTagBadge::Look CacheTagBadge::look(bool isCleaning, bool isCleaned)
{
    const double scale = isCleaning ? kCleaningScale : 1.0;
    if (isCleaned)
        return {QStringLiteral("checkmark.circle.fill"), SystemColor::green, UiColor(SystemColor::green).opacity(0.15),
                UiColor(SystemColor::green).opacity(0.4), scale};
    if (isCleaning)
        return {QStringLiteral("sparkles"), SystemColor::red, UiColor(SystemColor::red).opacity(0.2),
                UiColor(SystemColor::red).opacity(0.4), scale};
    return {QString(), UiColor(SystemColor::primary).opacity(0.8), UiColor(SystemColor::white).opacity(0.08),
            SystemColor::clear, scale};
}

CacheTagBadge::CacheTagBadge(const QString& name, const QString& size, bool isCleaning, bool isCleaned,
                             QWidget* parent)
    : QWidget(parent), m_name(name), m_size(size), m_isCleaning(isCleaning), m_isCleaned(isCleaned),
      m_spin(new RepeatingLoop(kTurnMs, false, this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFont(Fonts::system(9, QFont::Bold));
    connect(m_spin, &RepeatingLoop::frame, this, [this] { TourPaint::repaintFrame(this); });
    m_spin->setOn(isCleaning && !isCleaned);
}

void CacheTagBadge::setState(bool isCleaning, bool isCleaned)
{
    if (isCleaning == m_isCleaning && isCleaned == m_isCleaned)
        return;
    const bool hadIcon = !look(m_isCleaning, m_isCleaned).icon.isEmpty();
    m_isCleaning = isCleaning;
    m_isCleaned = isCleaned;
    m_spin->setOn(isCleaning && !isCleaned);
    if (hadIcon != !look(isCleaning, isCleaned).icon.isEmpty())
        updateGeometry();
    update();
}

bool CacheTagBadge::isSpinning() const { return m_spin->isTicking(); }

QSizeF CacheTagBadge::natural() const
{
    const QFontMetricsF metrics(font());
    const bool icon = !look(m_isCleaning, m_isCleaned).icon.isEmpty();
    const qreal iconSide = SymbolIcon::pixelSizeFor(kIconPoints);
    const qreal w = kPadH * 2 + metrics.horizontalAdvance(m_name) + (icon ? iconSide + kGap : 0);
    return {w, kPadV * 2 + qMax(metrics.height(), iconSide)};
}

QSize CacheTagBadge::sizeHint() const
{
    // Room for the cleaning scale, so growing never moves the neighbours.
    return (natural() * kCleaningScale).toSize() + QSize(2, 2);
}

void CacheTagBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The spinner turns through ten angles a second: each look is drawn once
    // and then copied.
    const double turn = m_spin->value();
    const QString key = QStringLiteral("cache-badge|%1|%2|%3|%4|%5")
                            .arg(m_name)
                            .arg(m_isCleaning)
                            .arg(m_isCleaned)
                            .arg(look(m_isCleaning, m_isCleaned).foreground.resolve(this).rgba())
                            .arg(qRound(turn * 1000));
    SpriteCache::draw(painter, rect(), key, [&](QPainter& sprite) { paintBadge(sprite, turn); });
}

void CacheTagBadge::paintBadge(QPainter& p, double turn) const
{
    const Look l = look(m_isCleaning, m_isCleaned);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF box(QPointF(), natural());
    box.moveCenter(QRectF(rect()).center());
    TourPaint::scaleAbout(p, box, l.scale);

    QPainterPath shape;
    shape.addRoundedRect(box, kRadius, kRadius);
    p.fillPath(shape, l.background.resolve(this));
    const QColor outline = l.outline.resolve(this);
    if (outline.alpha() > 0) {
        p.setPen(QPen(outline, 1));
        p.drawPath(shape);
    }
    const QColor fg = l.foreground.resolve(this);
    qreal x = box.left() + kPadH;
    if (!l.icon.isEmpty()) {
        const qreal side = SymbolIcon::pixelSizeFor(kIconPoints);
        const QRectF iconBox(x, box.center().y() - side / 2, side, side);
        p.save();
        if (l.icon == QLatin1String("sparkles")) {
            p.translate(iconBox.center());
            p.rotate(360.0 * turn);
            p.translate(-iconBox.center());
        }
        SymbolIcon::paint(p, iconBox, l.icon, fg, side);
        p.restore();
        x += side + kGap;
    }
    p.setPen(fg);
    p.setFont(font());
    p.drawText(QRectF(x, box.top(), box.right() - x, box.height()), Qt::AlignVCenter | Qt::AlignLeft, m_name);
}

void CacheTagBadge::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_spin->setShown(true);
}

void CacheTagBadge::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_spin->setShown(false);
}
