#pragma once

#include "core/Scheduler.h"

#include <QList>
#include <QObject>

#include <memory>

// Records each requested delay. In immediate mode (the default) every wait
// ends at once; otherwise waits end when advance() passes their due time.
class ManualScheduler final : public Scheduler {
public:
    explicit ManualScheduler(bool immediate = true) : m_immediate(immediate) {}

    QCoro::Task<> sleepFor(std::chrono::milliseconds delay) override;

    // Moves fake time on and resumes every wait that is due, in order.
    void advance(std::chrono::milliseconds by);

    const QList<std::chrono::milliseconds>& delays() const { return m_delays; }
    int pendingCount() const { return int(m_pending.size()); }

private:
    struct Waiter;
    bool m_immediate;
    std::chrono::milliseconds m_now{0};
    QList<std::chrono::milliseconds> m_delays;
    QList<std::shared_ptr<Waiter>> m_pending;
};
