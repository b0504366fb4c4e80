#include "widgets/RepeatingLoop.h"

#include "widgets/Animations.h"

#include <QEasingCurve>
#include <QTimer>

RepeatingLoop::RepeatingLoop(int periodMs, bool reverses, QObject* parent)
    : QObject(parent), m_periodMs(periodMs), m_reverses(reverses), m_timer(new QTimer(this))
{
    m_timer->setInterval(kFrameMs);
    m_timer->setTimerType(Qt::CoarseTimer); // lands on the same wake-ups as the others
    connect(m_timer, &QTimer::timeout, this, &RepeatingLoop::frame);
}

void RepeatingLoop::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    m_offsetMs = 0;
    m_clock.invalidate();
    sync();
    emit frame();
}

void RepeatingLoop::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    sync();
}

bool RepeatingLoop::isTicking() const { return m_timer->isActive(); }

void RepeatingLoop::sync()
{
    const bool tick = m_on && m_shown && Animations::enabled();
    if (tick == m_timer->isActive())
        return;
    if (tick) {
        // Resumes where it was when the view was hidden.
        m_clock.start();
        m_timer->start();
    } else {
        if (m_clock.isValid())
            m_offsetMs += m_clock.elapsed();
        m_clock.invalidate();
        m_timer->stop();
    }
}

double RepeatingLoop::value() const
{
    if (!m_on)
        return 0;
    if (!Animations::enabled())
        return 1;
    // Whole frames only: a late tick draws the frame it was due for.
    const qint64 elapsed = m_offsetMs + (m_clock.isValid() ? m_clock.elapsed() : 0);
    const qint64 ms = (elapsed + kFrameMs / 2) / kFrameMs * kFrameMs;
    qint64 within = ms % m_periodMs;
    if (!m_reverses)
        return double(within) / m_periodMs;
    // On the way back the same frames in reverse, to the same values.
    if ((ms / m_periodMs) % 2 == 1)
        within = m_periodMs - within;
    return QEasingCurve(QEasingCurve::InOutSine).valueForProgress(double(within) / m_periodMs);
}
