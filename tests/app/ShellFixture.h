#pragma once

#include "FakeShell.h"
#include "app/AppDelegate.h"
#include "popover/PopoverView.h"
#include "theme/ThemeManager.h"
#include "core/NotificationCenter.h"
#include "core/Random.h"
#include "core/SettingsStore.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeCommandRunner.h"
#include "fakes/FakeDesktopNotifier.h"
#include "fakes/FakeLocalAIStateSource.h"
#include "fakes/FakeProcessSignaller.h"
#include "fakes/RecordingRandom.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "telemetry/PingService.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "support/SamplerDeps.h"

#include <QDir>
#include <QTemporaryDir>

// The dashboard root the delegate builds, recorded instead of the real view.
class RecordedDashboardRoot final : public QWidget {
public:
    RecordedDashboardRoot(ThemeManager* theme, ProcessMonitor* monitor, QString tab)
        : themeManager(theme), processMonitor(monitor), initialTab(std::move(tab))
    {
    }
    ThemeManager* themeManager;
    ProcessMonitor* processMonitor;
    QString initialTab;
};

// Inert services over an empty /proc and /sys, a fake desktop, and the
// delegate's seams pointed at them.
class ShellFixture {
public:
    ShellFixture()
    {
        QDir().mkpath(temp.path() + QStringLiteral("/proc"));
        QDir().mkpath(temp.path() + QStringLiteral("/sys"));
        SystemStatsProvider::Deps statsDeps = samplerDeps(temp.path(), settings, random, localAI, notifier);
        statsDeps.physicalMemory = [] { return quint64(16) << 30; };
        stats = std::make_unique<SystemStatsProvider>(std::move(statsDeps), false);
        table = std::make_unique<ProcessTable>(temp.path() + QStringLiteral("/proc"));
        guard = std::make_unique<SessionProcessGuard>(temp.path() + QStringLiteral("/proc"));
        monitor = std::make_unique<ProcessMonitor>(
            ProcessMonitor::Deps{table.get(), &signaller, guard.get(), nullptr, &clock, &monitorRandom, {}});
        theme = std::make_unique<ThemeManager>(settings);
    }

    AppDelegate::Deps deps()
    {
        AppDelegate::Deps d;
        d.platform = &platform;
        d.notifications = &notifications;
        d.clock = &clock;
        d.stats = [this] { return stats.get(); };
        d.processMonitor = [this] { return monitor.get(); };
        d.pingService = [this](QObject* owner) {
            return new PingService(PingService::Deps{&runner, QStringLiteral("192.0.2.1")}, false, owner);
        };
        d.themeManager = [this] { return theme.get(); };
        d.popoverRoot = [](SystemStatsProvider* s, ProcessMonitor* m, PingService* p, ThemeManager* t) {
            return new PopoverView(s, m, p, t);
        };
        d.dashboardRoot = [](ThemeManager* t, ProcessMonitor* m, const QString& tab) {
            return new RecordedDashboardRoot(t, m, tab);
        };
        d.quit = [this] { ++quits; };
        return d;
    }

    QTemporaryDir temp;
    SettingsStore settings{temp.path() + QStringLiteral("/settings.ini")};
    RecordingRandom random;
    Random monitorRandom{7};
    FakeLocalAIStateSource localAI;
    FakeDesktopNotifier notifier;
    FakeProcessSignaller signaller;
    FakeCommandRunner runner;
    FakeClock clock;
    std::unique_ptr<SystemStatsProvider> stats;
    std::unique_ptr<ProcessTable> table;
    std::unique_ptr<SessionProcessGuard> guard;
    std::unique_ptr<ProcessMonitor> monitor;
    std::unique_ptr<ThemeManager> theme;
    NotificationCenter notifications;
    FakeShellPlatform platform;
    int quits = 0;
};
