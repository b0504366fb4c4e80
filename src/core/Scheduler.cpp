#include "core/Scheduler.h"

#include "core/PendingWaits.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

class TimerScheduler final : public Scheduler {
public:
    QCoro::Task<> sleepFor(std::chrono::milliseconds delay) override
    {
        const PendingWaits::Wait wait = m_waits.open();
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [wait] { wait.finish(); });
        timer.start(delay);
        co_await wait;
    }

    PendingWaits m_waits;
};

TimerScheduler& timerScheduler()
{
    static TimerScheduler scheduler;
    return scheduler;
}

// Once the application object goes, no timer fires again: the coroutines
// still sleeping unwind instead of staying suspended for good.
void abandonSleeps() { timerScheduler().m_waits.abandonAll(); }

} // namespace

Scheduler& Scheduler::system()
{
    static const bool registered = [] {
        qAddPostRoutine(abandonSleeps);
        return true;
    }();
    Q_UNUSED(registered);
    return timerScheduler();
}
