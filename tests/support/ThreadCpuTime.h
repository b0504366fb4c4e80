#pragma once

#include "support/SanitizerAllowance.h"

#include <QTimer>

#include <algorithm>
#include <ctime>

// CPU time this thread has used, in microseconds: a busy main thread shows
// here, a thread left waiting for a core on a loaded machine does not.
inline qint64 threadCpuMicroseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

// While it lives, the longest stretch of this thread's CPU time between two
// turns of its event loop.
class LongestBusyStretch {
public:
    LongestBusyStretch()
    {
        m_ticker.setInterval(2);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] {
            const qint64 now = threadCpuMicroseconds();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_ticker.start();
    }
    qint64 microseconds() const { return std::max(m_longest, threadCpuMicroseconds() - m_last); }

private:
    QTimer m_ticker;
    qint64 m_last = threadCpuMicroseconds();
    qint64 m_longest = 0;
};
