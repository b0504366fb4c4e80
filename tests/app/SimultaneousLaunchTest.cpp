#include "platform/SingleInstance.h"
#include "support/LaunchState.h"
#include "support/TaskRunner.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

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
