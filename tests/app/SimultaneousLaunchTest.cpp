#include "platform/SingleInstance.h"
#include "support/LaunchState.h"
#include "support/LaunchedApp.h"
#include "support/TaskRunner.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// How long ago the file at `path` was last written, in milliseconds.
qint64 ageOf(const QString& path)
{
    return QFileInfo(path).lastModified().msecsTo(QDateTime::currentDateTime());
}

} // namespace

// Without a session bus, two launches at the same moment, and a launch while the first copy is stopped just after it
// took its lock (as a copy still starting does not answer): the later one waits, is handed over and leaves with 0,
// never "did not answer"; the other runs.
TEST(SimultaneousLaunch, TheLaterLaunchWaitsForACopyStillStarting)
{
    const struct {
        const char* name;
        bool firstStopped;
    } cases[] = {{"same moment", false}, {"same moment", false}, {"same moment", false}, {"first copy stopped", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        const QString socket = root.filePath(QStringLiteral("run/kestrova.socket"));
        LaunchedApp copies[2] = {LaunchedApp(root.path()), LaunchedApp(root.path())};
        ASSERT_TRUE(copies[0].start(QStringLiteral(KESTROVA_EXECUTABLE)));
        if (c.firstStopped) {
            const qint64 pid = copies[0].process.processId();
            // Up, and with its settings store made: little of its start is left.
            const auto started = [&] {
                return LaunchState::isUp(pid, socket) && LaunchState::settingsCopies({QFileInfo(socket).path()}, pid, true) == 1;
            };
            waitUntil([&] { return copies[0].process.state() == QProcess::NotRunning || started(); }, std::chrono::seconds(60));
            ASSERT_TRUE(started()) << copies[0].terminate().output.toStdString();
            ASSERT_EQ(::kill(pid_t(pid), SIGSTOP), 0);
        }
        ASSERT_TRUE(copies[1].start(QStringLiteral(KESTROVA_EXECUTABLE)));
        if (c.firstStopped) {
            // Past the time an answer is waited for, with most of the time a starting copy is given still ahead.
            const qint64 resumeAt = SingleInstance::kStartingMs * 4 / 10;
            static_assert(SingleInstance::kStartingMs * 4 / 10 > SingleInstance::kAnswerTimeoutMs);
            waitUntil([&] { return copies[1].process.state() == QProcess::NotRunning || ageOf(socket + QStringLiteral(".lock")) >= resumeAt; },
                      std::chrono::seconds(60));
            EXPECT_NE(copies[1].process.state(), QProcess::NotRunning) << copies[1].terminate().output.toStdString();
            ::kill(pid_t(copies[0].process.processId()), SIGCONT);
        }
        int left = -1;
        waitUntil(
            [&] {
                for (int i = 0; i < 2; ++i)
                    if (copies[i].process.state() == QProcess::NotRunning)
                        left = i;
                return left >= 0;
            },
            std::chrono::seconds(60));
        ASSERT_GE(left, 0) << "neither copy left";
        const LaunchedApp::Ending leaving = copies[left].terminate();
        EXPECT_TRUE(leaving.status == QProcess::NormalExit && leaving.exitCode == 0) << leaving.output.toStdString();
        LaunchedApp& staying = copies[1 - left];
        const qint64 pid = staying.process.processId();
        EXPECT_TRUE(waitUntil([&] { return staying.process.state() == QProcess::NotRunning || LaunchState::isUp(pid, socket); },
                              std::chrono::seconds(60))
                    && LaunchState::isUp(pid, socket));
        const LaunchedApp::Ending ending = staying.terminate(std::chrono::seconds(30));
        EXPECT_TRUE(ending.finished && ending.status == QProcess::NormalExit && ending.exitCode == 0)
            << ending.output.toStdString();
    }
}
