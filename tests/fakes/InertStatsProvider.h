#pragma once

#include "core/Random.h"
#include "core/SettingsStore.h"
#include "fakes/FakeDesktopNotifier.h"
#include "fakes/FakeLocalAIStateSource.h"
#include "telemetry/SystemStatsProvider.h"
#include "support/SamplerDeps.h"

#include <QTemporaryDir>

#include <memory>

// A sampler that never samples, for views: the test sets its figures.
class InertStatsProvider {
public:
    // `scheduler` null: the actions' waits take real time.
    explicit InertStatsProvider(Scheduler* scheduler = nullptr) : m_settings(m_dir.filePath(QStringLiteral("stats.ini"))), m_random(7)
    {
        SystemStatsProvider::Deps deps = samplerDeps(m_dir.path(), m_settings, m_random, m_localAI, m_notifier);
        deps.scheduler = scheduler;
        m_provider = std::make_unique<SystemStatsProvider>(std::move(deps), false);
    }

    SystemStatsProvider* get() { return m_provider.get(); }
    SystemStatsProvider* operator->() { return m_provider.get(); }

private:
    QTemporaryDir m_dir;
    SettingsStore m_settings;
    Random m_random;
    FakeLocalAIStateSource m_localAI;
    FakeDesktopNotifier m_notifier;
    std::unique_ptr<SystemStatsProvider> m_provider;
};
