#include "widgets/Spinner.h"

#include "widgets/Animations.h"

#include <QPainter>
#include <QTimer>

#include <cmath>

namespace {
constexpr int kSpokes = 12;
}

Spinner::Spinner(int diameter, QWidget* parent) : QWidget(parent), m_diameter(diameter), m_timer(new QTimer(this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_timer->setInterval(1000 / kSpokes);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % kSpokes;
        update();
    });
}

void Spinner::setColor(const UiColor& color)
{
    m_color = color;
    update();
}

bool Spinner::isSpinning() const { return m_timer->isActive(); }

QSize Spinner::sizeHint() const { return {m_diameter, m_diameter}; }

void Spinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const qreal outer = side / 2;
    const qreal inner = outer * 0.45;
    const qreal thickness = std::max<qreal>(1.2, side / 11);
    painter.translate(QRectF(rect()).center());
    QColor base = m_color.resolve(this);
    base.setAlphaF(1.0f);
    for (int i = 0; i < kSpokes; ++i) {
        // The leading spoke is darkest; the ones behind it fade out.
        const int age = (m_step - i + kSpokes) % kSpokes;
        QColor spoke = base;
        spoke.setAlphaF(float(0.9 - 0.7 * age / (kSpokes - 1)));
        painter.setPen(QPen(spoke, thickness, Qt::SolidLine, Qt::RoundCap));
        const qreal angle = 2 * M_PI * i / kSpokes - M_PI / 2;
        const QPointF direction(std::cos(angle), std::sin(angle));
        painter.drawLine(direction * (inner + thickness / 2), direction * (outer - thickness / 2));
    }
}

void Spinner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (Animations::enabled())
        m_timer->start();
}

void Spinner::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
}
