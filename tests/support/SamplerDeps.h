#pragma once

#include "telemetry/SystemStatsProvider.h"

#include <QString>

class DesktopNotifier;
class LocalAIStateSource;
class Random;
class SettingsStore;

// The sampler's dependencies over a scratch folder: /proc and /sys below
// `root`, home and temp at `root`, and the doubles every test hands it. A
// test adds or overrides whatever else it needs before building.
inline SystemStatsProvider::Deps samplerDeps(const QString& root, SettingsStore& settings, Random& random,
                                             LocalAIStateSource& localAI, DesktopNotifier& notifier)
{
    SystemStatsProvider::Deps deps;
    deps.paths.procRoot = root + QStringLiteral("/proc");
    deps.paths.sysRoot = root + QStringLiteral("/sys");
    deps.paths.home = root;
    deps.paths.temp = root;
    deps.settings = &settings;
    deps.random = &random;
    deps.localAI = &localAI;
    deps.notifier = &notifier;
    return deps;
}
