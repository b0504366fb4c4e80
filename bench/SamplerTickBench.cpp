#include "core/Random.h"
#include "core/SettingsStore.h"
#include "localai/LocalAIService.h"
#include "platform/FreedesktopNotifier.h"
#include "localai/LocalAIServiceState.h"
#include "telemetry/SystemStatsProvider.h"

#include <QDBusConnection>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct LiveSampler {
    QTemporaryDir dir;
    SettingsStore settings{dir.path() + QStringLiteral("/settings.ini")};
    Random random{1};
    LocalAIService localAIService;
    LocalAIServiceState localAI{[this]() -> LocalAIService& { return localAIService; }};
    // Not connected: the alert, should the machine be busy, goes nowhere.
    FreedesktopNotifier notifier{QDBusConnection(QStringLiteral("kestrova-bench-none"))};
    std::unique_ptr<SystemStatsProvider> sampler;

    LiveSampler()
    {
        SystemStatsProvider::Deps deps;
        deps.paths = SystemPaths::live();
        deps.settings = &settings;
        deps.random = &random;
        deps.localAI = &localAI;
        deps.notifier = &notifier;
        sampler = std::make_unique<SystemStatsProvider>(std::move(deps));
    }
};

} // namespace

// One whole tick of the sampler on this machine: the readers, the stored
// baselines, the modelled figures and the notifications to observers.
static void BM_SamplerTick(benchmark::State& state)
{
    LiveSampler live;
    live.sampler->updateStats();
    for (auto _ : state)
        live.sampler->updateStats();
}
BENCHMARK(BM_SamplerTick);
