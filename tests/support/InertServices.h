#pragma once

#include "theme/ThemeManager.h"
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

#include <QTemporaryDir>

#include <memory>

// The services a view is built from, all inert: no timers, nothing read or
// run until a test says so. The sampler and the process monitor look at an
// empty temp tree; the settings live in a temp file. Set figures and lists
// through the services' setters.
struct InertServices {
    InertServices();
    ~InertServices();

    QTemporaryDir dir;
    SettingsStore settings;
    ThemeManager themes;
    FakeClock clock;
    RecordingRandom random;
    FakeLocalAIStateSource localAI;
    FakeDesktopNotifier notifier;
    FakeProcessSignaller signaller;
    FakeCommandRunner runner;
    std::unique_ptr<ProcessTable> table;
    std::unique_ptr<SessionProcessGuard> guard;
    std::unique_ptr<SystemStatsProvider> stats;
    std::unique_ptr<ProcessMonitor> processMonitor;
    std::unique_ptr<PingService> ping;
};
