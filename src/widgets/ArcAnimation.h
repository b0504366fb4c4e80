#pragma once

#include <QEasingCurve>

class QVariantAnimation;
class QWidget;

// The arc of a ring gauge on its way to a new fraction. The gauge paints
// displayed(); moveTo() swings it along the curve while the gauge is shown
// and animations are on, and sets it at once otherwise, or when it rests
// and the move is under `smallestSwing` (figures that drift a little every
// second would otherwise keep it running). Each frame repaints the gauge.
class ArcAnimation {
public:
    ArcAnimation(QWidget* gauge, double initial, const QEasingCurve& curve, int durationMs,
                 double smallestSwing = 0);

    double displayed() const { return m_displayed; }
    void moveTo(double target);

private:
    QWidget* m_gauge;
    double m_displayed;
    int m_durationMs;
    double m_smallestSwing;
    QVariantAnimation* m_animation;
};
