#include "telemetry/SystemStatsProvider.h"

#include "localai/LocalAIService.h"
#include "localai/LocalAIServiceState.h"

#include <QCoreApplication>

SystemStatsProvider& SystemStatsProvider::shared()
{
    static auto* provider = [] {
        // The local-AI watcher is looked up on each read, so it is created by
        // the first tick that needs it rather than by the sampler's creation.
        static LocalAIServiceState localAI([]() -> LocalAIService& { return LocalAIService::shared(); });
        Deps deps = Deps::live();
        deps.localAI = &localAI;
        return new SystemStatsProvider(std::move(deps), true, QCoreApplication::instance());
    }();
    return *provider;
}
