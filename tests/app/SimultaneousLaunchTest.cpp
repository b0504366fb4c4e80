#include "platform/SingleInstance.h"
#include "support/LaunchState.h"
#include "support/PrivateBus.h"
#include "support/TaskRunner.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/time.h>

// Without a session bus, two launches at the same moment, and a launch while the first copy is stopped just after it
// took its lock (as a copy still starting does not answer): the later one waits, is handed over and leaves with 0,
// never "did not answer"; the other runs.
TEST(SimultaneousLaunch, TheLaterLaunchWaitsForACopyStillStarting)
{
    for (const bool firstStopped : {false, false, false, true}) {
        SCOPED_TRACE(firstStopped ? "first copy stopped" : "same moment");
        QTemporaryDir root;
        const QString socket = root.filePath(QStringLiteral("run/kestrova.socket"));
        LaunchedApp copies[2] = {LaunchedApp(root.path()), LaunchedApp(root.path())};
        ASSERT_TRUE(copies[0].start(QStringLiteral(KESTROVA_EXECUTABLE)));
        const pid_t first = pid_t(copies[0].process.processId());
        const auto ended = [&](int i) { return copies[i].process.state() == QProcess::NotRunning; };
        if (firstStopped) {
            ASSERT_TRUE(copies[0].saysItIsUp()) << copies[0].terminate().output.toStdString();
            ASSERT_EQ(::kill(first, SIGSTOP), 0);
        }
        ASSERT_TRUE(copies[1].start(QStringLiteral(KESTROVA_EXECUTABLE)));
        if (firstStopped) {
            // Past the time an answer is waited for, with most of the time a starting copy is given still ahead.
            static_assert(SingleInstance::kStartingMs * 4 / 10 > SingleInstance::kAnswerTimeoutMs);
            const QDateTime locked = QFileInfo(socket + QStringLiteral(".lock")).lastModified();
            waitUntil([&] { return ended(1) || locked.msecsTo(QDateTime::currentDateTime()) >= SingleInstance::kStartingMs * 4 / 10; },
                      std::chrono::seconds(60));
            EXPECT_FALSE(ended(1)) << copies[1].terminate().output.toStdString();
            ::kill(first, SIGCONT);
        }
        ASSERT_TRUE(waitUntil([&] { return ended(0) || ended(1); }, std::chrono::seconds(60))) << "neither copy left";
        const int left = ended(0) ? 0 : 1;
        EXPECT_TRUE(LaunchState::leavesWithZero(copies[left]));
        EXPECT_TRUE(copies[1 - left].saysItIsUp() && LaunchState::isUp(copies[1 - left].process.processId(), socket));
        EXPECT_TRUE(LaunchState::leavesWithZero(copies[1 - left]));
    }
}

// A launch while the running copy quits, its quit held up where it stands (the copy holds its lock, and its bus name
// if there is a bus, and no longer answers), waits for that copy to go, then runs as the first: never "did not
// answer", and one copy runs.
TEST(SimultaneousLaunch, ALaunchDuringAQuitWaitsForTheCopyToGoAndRuns)
{
    for (const bool withBus : {false, true}) {
        SCOPED_TRACE(withBus ? "session bus" : "no bus");
        PrivateBus bus;
        if (withBus && !bus.running())
            GTEST_SKIP() << "no dbus-daemon";
        QTemporaryDir root;
        const QString socket = root.filePath(QStringLiteral("run/kestrova.socket"));
        LaunchedApp quitting(root.path());
        LaunchedApp next(root.path());
        for (LaunchedApp* app : {&quitting, &next})
            if (withBus)
                app->environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        ASSERT_TRUE(quitting.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        ASSERT_TRUE(quitting.saysItIsUp()) << quitting.terminate().output.toStdString();
        // Its lock taken long ago, as by a copy that has run a while: a copy still starting is waited for anyway.
        const timeval longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_EQ(::utimes(QFile::encodeName(socket + QStringLiteral(".lock")).constData(), longAgo), 0);
        const pid_t pid = pid_t(quitting.process.processId());
        ASSERT_EQ(::kill(pid, SIGSTOP), 0);
        ASSERT_EQ(::kill(pid, SIGTERM), 0);
        ASSERT_TRUE(next.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        // Held up past the time an answer is waited for, well within the time a quit is given.
        constexpr int kHeldUpMs = SingleInstance::kAnswerTimeoutMs + 1000;
        static_assert(SingleInstance::kAnswerTimeoutMs + SingleInstance::kQuittingMs >= 4 * kHeldUpMs);
        EXPECT_TRUE(next.keepsRunning(std::chrono::milliseconds(kHeldUpMs))) << next.terminate().output.toStdString();
        ASSERT_EQ(::kill(pid, SIGCONT), 0);
        EXPECT_TRUE(LaunchState::leavesWithZero(quitting));
        EXPECT_TRUE(next.saysItIsUp() && LaunchState::isUp(next.process.processId(), socket)) << next.terminate().output.toStdString();
        QString output;
        EXPECT_TRUE(LaunchState::leavesWithZero(next, &output));
        EXPECT_FALSE(output.contains(QStringLiteral("did not answer"))) << output.toStdString();
    }
}
