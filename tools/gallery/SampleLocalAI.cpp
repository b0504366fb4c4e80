#include "SampleLocalAI.h"

#include "localai/LocalAIExamples.h"

#include <QDateTime>

SampleLocalAI::SampleLocalAI()
{
    LocalAIService::Deps deps;
    deps.paths.home = home.path();
    deps.paths.procRoot = home.filePath(QStringLiteral("proc"));
    deps.modelServerUrl = QUrl(QStringLiteral("http://127.0.0.1:9"));
    localAI = std::make_unique<LocalAIService>(std::move(deps), false);
    LocalAIService* service = localAI.get();
    buildCache = std::make_unique<BuildCacheService>(
        BuildCacheService::Deps{home.path(), [service] { return service->demoMode(); }, nullptr, nullptr}, false);
    LocalAPILatencyService::Deps latencyDeps;
    latencyDeps.localAI = service;
    latency = std::make_unique<LocalAPILatencyService>(latencyDeps, false);

    localAI->setActiveModels(LocalAIExamples::models(QDateTime::currentDateTimeUtc()));
    localAI->setStatus(OllamaStatus::active);
    localAI->setActiveLocalPorts(LocalAIExamples::localPorts());
    localAI->setActiveVectorDBs(LocalAIExamples::vectorDatabases());
    localAI->setOrphanedAICompanions(LocalAIExamples::orphanedCompanions());
    localAI->setCachedModelFiles(LocalAIExamples::modelCacheFiles());
    localAI->setSuspendedPIDs({5120});
    localAI->setCompileAutoSuspendEnabled(true);
    localAI->setBatteryShieldEnabled(true);
    // In demo mode both fill their figures at once.
    buildCache->scanCaches();
    buildCache->scanSDKVersions();
    latency->measureLatencies();
    proxy.setIsRunning(true);
    proxy.setRequestCount(42);
    proxy.setLastRoutedModel(QStringLiteral("llama3:8b"));
}
