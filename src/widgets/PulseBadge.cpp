#include "widgets/PulseBadge.h"

#include "widgets/Animations.h"
#include "widgets/SpriteCache.h"
#include "widgets/SymbolIcon.h"

#include <QEasingCurve>
#include <QPainter>
#include <QTimer>

#include <cmath>

namespace {
constexpr int kBreathMs = 1000;
// Room for the disc at its larger size.
constexpr int kSide = 46;
} // namespace

PulseBadge::PulseBadge(const QString& symbol, const UiColor& accent, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_accent(accent), m_frames(new QTimer(this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_frames->setInterval(1000 / kFramesPerSecond);
    connect(m_frames, &QTimer::timeout, this, &PulseBadge::nextFrame);
}

QSize PulseBadge::sizeHint() const { return {kSide, kSide}; }

bool PulseBadge::isPulsing() const { return m_frames->isActive(); }

void PulseBadge::startBreathing()
{
    m_breathing = true;
    m_breathedMs = 0;
    m_sinceShown.start();
    if (isVisible())
        m_frames->start();
}

void PulseBadge::stopBreathing()
{
    m_breathing = false;
    m_frames->stop();
}

void PulseBadge::nextFrame()
{
    // One loop is there and back: 0..1 eases towards the target, 1..2 back.
    const qint64 ms = (m_breathedMs + m_sinceShown.elapsed()) % (2 * kBreathMs);
    const double t = double(ms) / kBreathMs;
    m_phase = QEasingCurve(QEasingCurve::InOutQuad).valueForProgress(t <= 1.0 ? t : 2.0 - t);
    update();
}

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
    stopBreathing();
    m_phase = 1.0;
    // The first figure only sets the look; later crossings breathe.
    if (!first && Animations::enabled()) {
        m_phase = 0.0;
        startBreathing();
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
    if (m_breathing && !m_frames->isActive()) {
        m_sinceShown.start();
        m_frames->start();
    }
}

void PulseBadge::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Nobody sees it breathe: stop waking the event loop for it.
    if (m_frames->isActive()) {
        m_breathedMs += m_sinceShown.elapsed();
        m_frames->stop();
    }
}

void PulseBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const double scale = m_fromScale + (targetScale() - m_fromScale) * m_phase;
    const double opacity = m_fromOpacity + (targetOpacity() - m_fromOpacity) * m_phase;
    const QColor accent = m_accent.resolve(this);
    QColor disc = accent;
    disc.setAlphaF(float(accent.alphaF() * opacity));
    // A breath passes through a few dozen looks (disc size to a quarter
    // pixel, disc alpha); each is drawn once and then copied.
    const qreal radius = std::round(kDisc / 2.0 * scale * 4) / 4;
    const QString key = QStringLiteral("pulse|%1|%2|%3|%4").arg(m_symbol).arg(radius).arg(disc.rgba()).arg(accent.rgba());
    SpriteCache::draw(painter, rect(), key, [&](QPainter& sprite) {
        sprite.setRenderHint(QPainter::Antialiasing);
        const QPointF centre = QRectF(rect()).center();
        sprite.setPen(Qt::NoPen);
        sprite.setBrush(disc);
        sprite.drawEllipse(centre, radius, radius);
        const qreal glyph = SymbolIcon::pixelSizeFor(16);
        SymbolIcon::paint(sprite, QRectF(centre.x() - glyph / 2, centre.y() - glyph / 2, glyph, glyph), m_symbol,
                          accent, glyph);
    });
}
