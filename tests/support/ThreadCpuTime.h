#pragma once

#include <QTimer>

#include <algorithm>
#include <ctime>
#include <limits>

// CPU time this thread has used, in µs. Waiting for a core does not count, but load still slows the work
// itself (shared caches, clock, hyper-threads): judge it against a cost in the same run.
inline qint64 threadCpuMicroseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

// The least CPU time this thread spends on `work` in `runs` runs, in µs: load only ever adds to a run.
template <typename Work>
qint64 leastThreadCpuMicroseconds(Work&& work, int runs = 3)
{
    qint64 least = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i) {
        const qint64 start = threadCpuMicroseconds();
        work();
        least = std::min(least, threadCpuMicroseconds() - start);
    }
    return std::max<qint64>(least, 1);
}

// While it lives, the longest stretch of this thread's CPU time between two turns of its event loop.
struct LongestBusyStretch {
    LongestBusyStretch()
    {
        QObject::connect(&ticker, &QTimer::timeout, [this] { longest = microseconds(); last = threadCpuMicroseconds(); });
        ticker.start(2);
    }
    qint64 microseconds() const { return std::max(longest, threadCpuMicroseconds() - last); }

    QTimer ticker;
    qint64 last = threadCpuMicroseconds(), longest = 0;
};

// The least, over `runs` runs of `work`, of its longest busy stretch: load only ever lengthens one.
template <typename Work>
qint64 leastBusyStretch(Work&& work, int runs = 3)
{
    qint64 least = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i) {
        LongestBusyStretch busy;
        work();
        least = std::min(least, busy.microseconds());
    }
    return least;
}
