#include "widgets/ArcAnimation.h"

#include "widgets/Animations.h"

#include <QVariantAnimation>
#include <QWidget>

#include <cmath>

ArcAnimation::ArcAnimation(QWidget* gauge, double initial, const QEasingCurve& curve, int durationMs,
                           double smallestSwing)
    : m_gauge(gauge), m_displayed(initial), m_durationMs(durationMs), m_smallestSwing(smallestSwing),
      m_animation(new QVariantAnimation(gauge))
{
    m_animation->setEasingCurve(curve);
    m_animation->setDuration(durationMs);
    QObject::connect(m_animation, &QVariantAnimation::valueChanged, gauge, [this](const QVariant& value) {
        m_displayed = value.toDouble();
        m_gauge->update();
    });
}

void ArcAnimation::moveTo(double target)
{
    const bool swinging = m_animation->state() == QAbstractAnimation::Running;
    m_animation->stop();
    if ((!swinging && std::abs(target - m_displayed) < m_smallestSwing) || !m_gauge->isVisible()
        || Animations::duration(m_durationMs) == 0 || target == m_displayed) {
        m_displayed = target;
        m_gauge->update();
        return;
    }
    m_animation->setStartValue(m_displayed);
    m_animation->setEndValue(target);
    m_animation->start();
}
