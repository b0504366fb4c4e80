#include "widgets/ArcAnimation.h"

#include "widgets/Animations.h"

#include <QTimeLine>
#include <QWidget>

#include <cmath>

ArcAnimation::ArcAnimation(QWidget* gauge, double initial, const QEasingCurve& curve, int durationMs,
                           double smallestSwing, int frameMs)
    : m_gauge(gauge), m_displayed(initial), m_durationMs(durationMs), m_smallestSwing(smallestSwing),
      m_timeLine(new QTimeLine(durationMs, gauge))
{
    m_timeLine->setEasingCurve(curve);
    m_timeLine->setUpdateInterval(frameMs);
    QObject::connect(m_timeLine, &QTimeLine::valueChanged, gauge, [this](qreal eased) {
        m_displayed = m_from + (m_to - m_from) * eased;
        m_gauge->update();
    });
}

void ArcAnimation::moveTo(double target)
{
    const bool swinging = m_timeLine->state() == QTimeLine::Running;
    m_timeLine->stop();
    if ((!swinging && std::abs(target - m_displayed) < m_smallestSwing) || !m_gauge->isVisible()
        || Animations::duration(m_durationMs) == 0 || target == m_displayed) {
        m_displayed = target;
        m_gauge->update();
        return;
    }
    m_from = m_displayed;
    m_to = target;
    m_timeLine->setCurrentTime(0);
    m_timeLine->start();
}
