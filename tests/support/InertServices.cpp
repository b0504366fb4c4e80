#include "support/InertServices.h"
#include "support/SamplerDeps.h"

#include <QDir>

InertServices::InertServices()
    : settings(dir.filePath(QStringLiteral("settings.ini"))), themes(settings)
{
    const QString root = dir.path();
    QDir(root).mkpath(QStringLiteral("proc"));
    QDir(root).mkpath(QStringLiteral("sys"));
    table = std::make_unique<ProcessTable>(root + QStringLiteral("/proc"));
    guard = std::make_unique<SessionProcessGuard>(root + QStringLiteral("/proc"));

    SystemStatsProvider::Deps deps = samplerDeps(root, settings, random, localAI, notifier);
    deps.clock = &clock;
    deps.signaller = &signaller;
    deps.physicalMemory = [] { return quint64(16) << 30; };
    stats = std::make_unique<SystemStatsProvider>(std::move(deps));

    processMonitor = std::make_unique<ProcessMonitor>(
        ProcessMonitor::Deps{table.get(), &signaller, guard.get(), nullptr, &clock, &random, {}});
    ping = std::make_unique<PingService>(PingService::Deps{&runner}, false);
}

InertServices::~InertServices() = default;
