#pragma once

#include "core/Clock.h"

#include <QTimeZone>

// A clock that moves only when told to.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime::fromSecsSinceEpoch(1'700'000'000, QTimeZone::utc()))
        : m_now(std::move(start))
    {
    }
    QDateTime now() const override { return m_now; }
    qint64 monotonicMs() const override { return m_monotonic; }

    void advance(qint64 ms)
    {
        m_now = m_now.addMSecs(ms);
        m_monotonic += ms;
    }
    void set(QDateTime now) { m_now = std::move(now); }

private:
    QDateTime m_now;
    qint64 m_monotonic = 1'000'000;
};
