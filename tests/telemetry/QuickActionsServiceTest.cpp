#include "fakes/FakeProcessSignaller.h"
#include "platform/SessionProcessGuard.h"
#include "telemetry/QuickActionsService.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {
const QString desktopTree = QStringLiteral(KESTROVA_TEST_DATA "/process/desktop");
}

TEST(QuickActionsService, StopsAndContinuesTheProcessThatStartedAtTheGivenTime)
{
    FakeProcessSignaller signaller;
    const SessionProcessGuard guard(desktopTree);
    EXPECT_EQ(QuickActionsService::suspendProcess(2001, 500000u, signaller, guard), SignalOutcome::sent);
    EXPECT_EQ(QuickActionsService::resumeProcess(2001, 500000u, signaller), SignalOutcome::sent);
    EXPECT_EQ(signaller.sent, (QList<FakeProcessSignaller::Sent>{{2001, SIGSTOP}, {2001, SIGCONT}}));
    EXPECT_EQ(signaller.startTimes, (QList<std::optional<quint64>>{500000u, 500000u}));
}

TEST(QuickActionsService, NeverStopsTheSessionsOwnProcesses)
{
    FakeProcessSignaller signaller;
    const SessionProcessGuard guard(desktopTree);
    for (const qint32 pid : {0, 1, 812, 1500, 1720, 1721, 1750})
        EXPECT_EQ(QuickActionsService::suspendProcess(pid, 500000u, signaller, guard), SignalOutcome::refused)
            << pid;
    EXPECT_TRUE(signaller.sent.isEmpty());
    // Resuming one is always allowed: it can only help.
    EXPECT_EQ(QuickActionsService::resumeProcess(1500, 500000u, signaller), SignalOutcome::sent);
    EXPECT_EQ(signaller.startTimes, (QList<std::optional<quint64>>{500000u}));
}
