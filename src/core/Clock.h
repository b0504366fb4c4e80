#pragma once

#include <QDateTime>

// Wall-clock and monotonic time, injectable so tests run on a fixed clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds on a monotonic clock with an arbitrary origin.
    virtual qint64 monotonicMs() const = 0;

    static Clock& system();
};
