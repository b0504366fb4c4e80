#pragma once

#include "core/PendingWaits.h"
#include "core/Scheduler.h"

#include <QList>

// Records each requested delay. In immediate mode (the default) every wait
// ends at once; otherwise waits end when advance() passes their due time.
// Waits still pending when the scheduler goes are abandoned.
class ManualScheduler final : public Scheduler {
public:
    explicit ManualScheduler(bool immediate = true) : m_immediate(immediate) {}

    QCoro::Task<> sleepFor(std::chrono::milliseconds delay) override;

    // Moves fake time on and resumes every wait that is due, in order.
    void advance(std::chrono::milliseconds by);

    const QList<std::chrono::milliseconds>& delays() const { return m_delays; }
    int pendingCount() const { return int(m_pending.size()); }

private:
    struct Pending {
        std::chrono::milliseconds due;
        PendingWaits::Wait wait;
    };
    bool m_immediate;
    std::chrono::milliseconds m_now{0};
    QList<std::chrono::milliseconds> m_delays;
    QList<Pending> m_pending;
    // Last, so its abandoning runs while the rest is still there.
    PendingWaits m_waits;
};
