#pragma once

#include <QEasingCurve>

class QTimeLine;
class QWidget;

// The arc of a ring gauge on its way to a new fraction. The gauge paints
// displayed(); moveTo() swings it along the curve while the gauge is shown
// and animations are on, and sets it at once otherwise, or when it rests
// and the move is under `smallestSwing` (figures that drift a little every
// second would otherwise keep it running). Each frame repaints the gauge, at
// most once per `frameMs` (a small gauge needs fewer frames than a large one).
class ArcAnimation {
public:
    ArcAnimation(QWidget* gauge, double initial, const QEasingCurve& curve, int durationMs,
                 double smallestSwing = 0, int frameMs = 16);

    double displayed() const { return m_displayed; }
    void moveTo(double target);

private:
    QWidget* m_gauge;
    double m_displayed;
    int m_durationMs;
    double m_smallestSwing;
    double m_from = 0;
    double m_to = 0;
    QTimeLine* m_timeLine;
};
