#include "core/Clock.h"
#include "core/Random.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "telemetry/ProcessMonitor.h"

#include <benchmark/benchmark.h>

// One whole 2-second tick of the process list on the live /proc: the table
// refresh, the busiest-first order, 8 rows with their tallies, the prune and
// the snapshot. No icons (a benchmark has no GUI application).
static void BM_ProcessMonitorTick(benchmark::State& state)
{
    ProcessTable table;
    Random random(1);
    ProcessMonitor monitor({&table, &ProcessSignaller::system(), &SessionProcessGuard::system(), nullptr,
                            &Clock::system(), &random, [] { return 0.0; }});
    monitor.tick();
    for (auto _ : state)
        monitor.tick();
    state.counters["processes"] = double(table.processes().size());
}
BENCHMARK(BM_ProcessMonitorTick)->Unit(benchmark::kMicrosecond);
