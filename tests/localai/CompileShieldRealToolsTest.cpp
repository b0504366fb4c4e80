// Compile auto-suspend end to end: real pgrep, real /proc, real signals,
// on copies of sleep named like a build tool and a model server.
#include "localai/LocalAIService.h"
#include "platform/LeftoverHolds.h"
#include "platform/ToolPaths.h"
#include "support/OwnPidNamespace.h"
#include "support/ScratchHoldRecord.h"
#include "support/SleepChild.h"
#include "support/TaskRunner.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace {

// Runs the automation's check once per tick, up to two ticks, until the
// process is stopped (or running again); a signal may need a moment to land.
int ticksUntil(LocalAIService& ai, const SleepChild& process, bool stopped)
{
    for (int tick = 1; tick <= 2; ++tick) {
        if (!runTask(ai.checkAndApplyAutoSuspend()))
            return 0;
        if (waitUntil([&] { return (process.state() == 'T') == stopped; }, 1500ms))
            return tick;
    }
    return 0;
}

// The watcher with compile auto-suspend on, noting down what it freezes in
// `holds` when given one.
struct CompileShield {
    explicit CompileShield(HoldRecord* holds = nullptr) : ai(deps(holds), false) { ai.setCompileAutoSuspendEnabled(true); }
    LocalAIService::Deps deps(HoldRecord* holds) const
    {
        LocalAIService::Deps made;
        made.paths.home = home.path();
        made.holds = holds;
        return made;
    }
    QTemporaryDir home;
    LocalAIService ai;
};

} // namespace

TEST(CompileShieldWithRealTools, FreezesTheModelServerWhileMakeRunsAndThawsItAfter)
{
    // Outside a namespace of its own, pgrep would also see every other
    // make on the machine, the one running these tests included.
    if (!OwnPidNamespace::inside()) {
        OwnPidNamespace::runCurrentTestAndReport();
        return;
    }
    if (!ToolPaths::pgrep().contains(QLatin1Char('/')))
        GTEST_SKIP() << "pgrep is not installed";

    SleepChild ollama(QStringLiteral("ollama"));
    SleepChild make(QStringLiteral("make"));
    ASSERT_TRUE(waitUntil([&] { return ollama.state() == 'S' && make.state() == 'S'; }));

    CompileShield shield;
    LocalAIService& ai = shield.ai;

    const int frozenAfter = ticksUntil(ai, ollama, true);
    EXPECT_GE(frozenAfter, 1) << "not frozen within two ticks while make runs";
    EXPECT_EQ(ai.suspendedPIDs(), QList<qint32>{ollama.pid()});
    EXPECT_NE(make.state(), 'T') << "the build itself is never touched";

    // Further ticks while make runs change nothing.
    ASSERT_TRUE(runTask(ai.checkAndApplyAutoSuspend()));
    EXPECT_EQ(ollama.state(), 'T');

    make.end();
    const int thawedAfter = ticksUntil(ai, ollama, false);
    EXPECT_GE(thawedAfter, 1) << "not thawed within two ticks of make ending";
    EXPECT_TRUE(ollama.alive());
    EXPECT_TRUE(ai.suspendedPIDs().isEmpty());
}

// A model server its user stopped (Ctrl-Z) before the build is not the
// shield's: it is neither frozen nor noted down, so neither a launch after a
// killed run nor the build's end resumes it. One running beside it is.
TEST(CompileShieldWithRealTools, LeavesAServerItsUserStoppedToItsUser)
{
    if (!OwnPidNamespace::inside()) {
        OwnPidNamespace::runCurrentTestAndReport();
        return;
    }
    if (!ToolPaths::pgrep().contains(QLatin1Char('/')))
        GTEST_SKIP() << "pgrep is not installed";

    SleepChild stopped(QStringLiteral("ollama"));
    SleepChild running(QStringLiteral("ollama"));
    SleepChild make(QStringLiteral("make"));
    ASSERT_EQ(::kill(stopped.pid(), SIGSTOP), 0);
    ASSERT_TRUE(waitUntil([&] { return stopped.state() == 'T' && running.state() == 'S' && make.state() == 'S'; }));

    ScratchHoldRecord held;
    CompileShield shield(&held.record);
    LocalAIService& ai = shield.ai;

    EXPECT_GE(ticksUntil(ai, running, true), 1) << "not frozen within two ticks while make runs";
    EXPECT_EQ(ai.suspendedPIDs(), QList<qint32>{running.pid()});
    const ProcessRun frozen = ScratchHoldRecord::identityOf(running.pid());

    // Killed now, the run leaves this record; the next launch gives back what it names.
    const QList<LeftoverHolds::Record> left = LeftoverHolds::findIn(held.folder.path());
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0].contents.processes, QList<ProcessRun>{frozen});

    make.end();
    EXPECT_GE(ticksUntil(ai, running, false), 1) << "not thawed within two ticks of make ending";
    EXPECT_EQ(stopped.state(), 'T');
    EXPECT_TRUE(held.text().isEmpty());
    ::kill(stopped.pid(), SIGCONT);
}
