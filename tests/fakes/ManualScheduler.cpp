#include "fakes/ManualScheduler.h"

#include <QCoroSignal>

#include <algorithm>

struct ManualScheduler::Waiter : QObject {
    Q_OBJECT
public:
    std::chrono::milliseconds due{0};
signals:
    void fired();
};

QCoro::Task<> ManualScheduler::sleepFor(std::chrono::milliseconds delay)
{
    m_delays.append(delay);
    if (m_immediate)
        co_return;
    auto waiter = std::make_shared<Waiter>();
    waiter->due = m_now + delay;
    m_pending.append(waiter);
    co_await qCoro(waiter.get(), &Waiter::fired);
}

void ManualScheduler::advance(std::chrono::milliseconds by)
{
    m_now += by;
    QList<std::shared_ptr<Waiter>> due;
    for (const auto& w : m_pending)
        if (w->due <= m_now)
            due.append(w);
    std::stable_sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a->due < b->due; });
    m_pending.removeIf([this](const auto& w) { return w->due <= m_now; });
    for (const auto& w : due)
        emit w->fired();
}

#include "ManualScheduler.moc"
