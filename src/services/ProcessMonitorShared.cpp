#include "telemetry/ProcessMonitor.h"

#include "core/Clock.h"
#include "core/Random.h"
#include "platform/HoldRecord.h"
#include "platform/ProcessIconProvider.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "telemetry/SystemStatsProvider.h"

#include <QCoreApplication>

ProcessMonitor& ProcessMonitor::shared()
{
    static ProcessTable table;
    static auto* monitor = new ProcessMonitor(
        Deps{&table, &ProcessSignaller::system(), &SessionProcessGuard::system(), &ProcessIconProvider::system(),
             &Clock::system(), &Random::shared(),
             // Read at each tick, so the sampler is not created from here.
             [] { return SystemStatsProvider::shared().cpuUsage(); }, &HoldRecord::shared()},
        true, QCoreApplication::instance());
    return *monitor;
}
