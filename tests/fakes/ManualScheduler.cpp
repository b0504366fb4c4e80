#include "fakes/ManualScheduler.h"

#include <algorithm>

QCoro::Task<> ManualScheduler::sleepFor(std::chrono::milliseconds delay)
{
    m_delays.append(delay);
    if (m_immediate)
        co_return;
    const PendingWaits::Wait wait = m_waits.open();
    m_pending.append({m_now + delay, wait});
    co_await wait;
}

void ManualScheduler::advance(std::chrono::milliseconds by)
{
    m_now += by;
    QList<Pending> due;
    for (const Pending& p : std::as_const(m_pending))
        if (p.due <= m_now)
            due.append(p);
    std::stable_sort(due.begin(), due.end(), [](const Pending& a, const Pending& b) { return a.due < b.due; });
    m_pending.removeIf([this](const Pending& p) { return p.due <= m_now; });
    for (const Pending& p : std::as_const(due))
        p.wait.finish();
}
