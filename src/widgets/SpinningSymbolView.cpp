#include "widgets/SpinningSymbolView.h"

#include "widgets/Animations.h"
#include "widgets/SymbolIcon.h"

#include <QPainter>
#include <QTimer>

#include <cmath>

namespace {

// Thirty frames a second turn a fan smoothly enough.
constexpr int kFrameMs = 33;

} // namespace

SpinningSymbolView::SpinningSymbolView(const QString& symbol, const UiColor& tint, qreal pointSize, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_tint(tint), m_pointSize(pointSize), m_timer(new QTimer(this))
{
    m_timer->setInterval(kFrameMs);
    connect(m_timer, &QTimer::timeout, this, &SpinningSymbolView::step);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SpinningSymbolView::setTint(const UiColor& tint)
{
    if (tint == m_tint)
        return;
    m_tint = tint;
    update();
}

void SpinningSymbolView::setSpinning(bool spinning, int periodMs)
{
    if (spinning == m_spinning && periodMs == m_periodMs)
        return;
    m_spinning = spinning;
    m_periodMs = std::max(1, periodMs);
    if (!spinning)
        m_angle = 0;
    updateTimer();
    update();
}

bool SpinningSymbolView::isAnimating() const { return m_timer->isActive(); }

QSize SpinningSymbolView::sizeHint() const
{
    const int side = int(std::ceil(SymbolIcon::pixelSizeFor(m_pointSize) * 1.5));
    return {side, side};
}

void SpinningSymbolView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateTimer();
}

void SpinningSymbolView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    updateTimer();
}

void SpinningSymbolView::updateTimer()
{
    const bool run = m_spinning && isVisible() && Animations::enabled();
    if (run == m_timer->isActive())
        return;
    if (run) {
        m_clock.start();
        m_timer->start();
    } else {
        m_timer->stop();
    }
}

void SpinningSymbolView::step()
{
    // The angle follows elapsed time, so a late frame does not slow the turn.
    m_angle = std::fmod(m_angle + 360.0 * double(m_clock.restart()) / m_periodMs, 360.0);
    update();
}

void SpinningSymbolView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPointF centre = QRectF(rect()).center();
    p.translate(centre);
    p.rotate(m_angle);
    p.translate(-centre);
    SymbolIcon::paint(p, QRectF(rect()), m_symbol, m_tint.resolve(this), SymbolIcon::pixelSizeFor(m_pointSize));
}
