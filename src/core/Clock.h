#pragma once

#include <QDateTime>

// Wall-clock and monotonic time, injectable so tests run on a fixed clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds on a monotonic clock with an arbitrary origin.
    virtual qint64 monotonicMs() const = 0;
    // The same clock in nanoseconds, for timing sub-millisecond events.
    virtual qint64 monotonicNs() const { return monotonicMs() * 1'000'000; }

    static Clock& system();
};
