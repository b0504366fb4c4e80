#include "dashboard/pages/PurgeChain.h"

void PurgeChain::start(QList<Step> steps)
{
    // The coroutine frame lives on by itself once the task object is gone.
    run(std::move(steps));
}

QCoro::Task<> PurgeChain::run(QList<Step> steps)
{
    for (const Step& step : steps) {
        QCoro::Task<> purge = step();
        co_await std::move(purge);
    }
}
