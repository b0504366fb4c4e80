#pragma once

#include "fakes/FakeClock.h"
#include "fakes/FakeCommandRunner.h"
#include "fakes/FakePortProber.h"
#include "fakes/FakeProcessSignaller.h"
#include "fakes/ManualScheduler.h"
#include "localai/BuildCacheService.h"
#include "localai/LocalAIExamples.h"
#include "localai/LocalAIService.h"
#include "localai/LocalAPILatencyService.h"
#include "platform/FileWorker.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>

#include <memory>

// The local-AI services a page reads, all inert: no timers, no commands
// that reach the machine, no model server (a closed loopback port unless
// one is given), an empty temp home and /proc. Demo mode is on as at
// launch; loadDemoRows() puts in the example rows that the services' first
// demo tick would.
struct InertLocalAIServices {
    explicit InertLocalAIServices(QUrl modelServer = QUrl(QStringLiteral("http://127.0.0.1:9")))
    {
        QDir().mkpath(root.filePath(QStringLiteral("proc")));
        QDir().mkpath(root.filePath(QStringLiteral("home")));
        LocalAIService::Deps deps;
        deps.clock = &clock;
        deps.scheduler = &scheduler;
        deps.commands = &commands;
        deps.signaller = &signaller;
        deps.fileWorker = &FileWorker::shared();
        deps.paths.procRoot = root.filePath(QStringLiteral("proc"));
        deps.paths.home = root.filePath(QStringLiteral("home"));
        deps.modelServerUrl = std::move(modelServer);
        deps.isUnplugged = [this] { return unplugged; };
        localAI = std::make_unique<LocalAIService>(std::move(deps), false);
        LocalAIService* service = localAI.get();
        buildCache = std::make_unique<BuildCacheService>(
            BuildCacheService::Deps{root.filePath(QStringLiteral("home")), [service] { return service->demoMode(); },
                                    nullptr, &clock},
            false);
        LocalAPILatencyService::Deps latencyDeps;
        latencyDeps.localAI = service;
        latencyDeps.clock = &clock;
        latencyDeps.prober = &prober;
        latency = std::make_unique<LocalAPILatencyService>(latencyDeps, false);
    }

    void loadDemoRows()
    {
        localAI->setActiveModels(LocalAIExamples::models(QDateTime::currentDateTimeUtc()));
        localAI->setStatus(OllamaStatus::active);
        localAI->setActiveLocalPorts(LocalAIExamples::localPorts());
        localAI->setActiveVectorDBs(LocalAIExamples::vectorDatabases());
        localAI->setOrphanedAICompanions(LocalAIExamples::orphanedCompanions());
        localAI->setCachedModelFiles(LocalAIExamples::modelCacheFiles());
    }

    QTemporaryDir root;
    bool unplugged = false; // on battery, for the battery shield
    FakeClock clock;
    ManualScheduler scheduler{false};
    FakeCommandRunner commands;
    FakeProcessSignaller signaller;
    FakePortProber prober;
    std::unique_ptr<LocalAIService> localAI;
    std::unique_ptr<BuildCacheService> buildCache;
    std::unique_ptr<LocalAPILatencyService> latency;
};
