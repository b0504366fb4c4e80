#include "core/Scheduler.h"

#include <QCoroTimer>

namespace {

class TimerScheduler final : public Scheduler {
public:
    QCoro::Task<> sleepFor(std::chrono::milliseconds delay) override
    {
        co_await QCoro::sleepFor(delay);
    }
};

} // namespace

Scheduler& Scheduler::system()
{
    static TimerScheduler scheduler;
    return scheduler;
}
