#include "widgets/PulseBadge.h"

#include "widgets/Animations.h"
#include "widgets/SymbolIcon.h"

#include <QEasingCurve>
#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

namespace {
constexpr int kBreathMs = 1000;
// Room for the disc at its larger size.
constexpr int kSide = 46;
} // namespace

PulseBadge::PulseBadge(const QString& symbol, const UiColor& accent, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_accent(accent), m_animation(new QVariantAnimation(this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // One loop is there and back: 0..1 eases towards the target, 1..2 back.
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(2.0);
    m_animation->setDuration(2 * kBreathMs);
    m_animation->setLoopCount(-1);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const double t = value.toDouble();
        m_phase = QEasingCurve(QEasingCurve::InOutQuad).valueForProgress(t <= 1.0 ? t : 2.0 - t);
        update();
    });
}

QSize PulseBadge::sizeHint() const { return {kSide, kSide}; }

bool PulseBadge::isPulsing() const { return m_animation->state() == QAbstractAnimation::Running; }

void PulseBadge::setLoad(double percent)
{
    const bool busy = percent > kBusyAbove;
    const bool first = !m_hasLoad;
    m_hasLoad = true;
    if (busy == m_busy)
        return;
    // The look being left becomes the other end of the breath.
    const double scale = m_busy ? 1.2 : 1.0;
    const double opacity = m_busy ? 0.2 : 0.05;
    m_fromScale = m_fromScale + (scale - m_fromScale) * m_phase;
    m_fromOpacity = m_fromOpacity + (opacity - m_fromOpacity) * m_phase;
    m_busy = busy;
    m_animation->stop();
    m_phase = 1.0;
    // The first figure only sets the look; later crossings breathe.
    if (!first && Animations::enabled()) {
        m_phase = 0.0;
        m_animation->start();
        if (!isVisible())
            m_animation->pause();
    }
    update();
}

void PulseBadge::setAccent(const UiColor& accent)
{
    if (accent == m_accent)
        return;
    m_accent = accent;
    update();
}

void PulseBadge::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_animation->state() == QAbstractAnimation::Paused)
        m_animation->resume();
}

void PulseBadge::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Nobody sees it breathe: stop waking the event loop for it.
    if (m_animation->state() == QAbstractAnimation::Running)
        m_animation->pause();
}

void PulseBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double scale = m_fromScale + (targetScale() - m_fromScale) * m_phase;
    const double opacity = m_fromOpacity + (targetOpacity() - m_fromOpacity) * m_phase;
    const QPointF centre = QRectF(rect()).center();
    const QColor accent = m_accent.resolve(this);
    QColor disc = accent;
    disc.setAlphaF(float(accent.alphaF() * opacity));
    painter.setPen(Qt::NoPen);
    painter.setBrush(disc);
    const qreal radius = kDisc / 2.0 * scale;
    painter.drawEllipse(centre, radius, radius);
    const qreal glyph = SymbolIcon::pixelSizeFor(16);
    SymbolIcon::paint(painter, QRectF(centre.x() - glyph / 2, centre.y() - glyph / 2, glyph, glyph), m_symbol, accent,
                      glyph);
}
