#include "platform/SingleInstance.h"
#include "support/LaunchState.h"
#include "support/LaunchedApp.h"
#include "support/TaskRunner.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Started with standard input, output and error closed (as some session
// starters and `cmd <&- >&- 2>&-` do), the app finds them on /dev/null, not
// taken by a pipe of its own, and runs until it is asked to quit.
TEST(BareStartLaunch, ClosedStandardDescriptorsAreOpenedOnDevNull)
{
    QTemporaryDir root;
    LaunchedApp app(root.path());
    ASSERT_TRUE(app.start(QStringLiteral("/bin/sh"),
                          {QStringLiteral("-c"), QStringLiteral("exec \"$0\" <&- >&- 2>&-"), QStringLiteral(KESTROVA_EXECUTABLE)}));
    const qint64 pid = app.process.processId();
    const QString socket = root.filePath(QStringLiteral("run/") + QLatin1String(SingleInstance::kSocketName));
    ASSERT_TRUE(waitUntil([&] { return LaunchState::isUp(pid, socket) || app.process.state() == QProcess::NotRunning; },
                          std::chrono::seconds(120)));
    for (int fd = 0; fd <= 2; ++fd)
        EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/fd/%2").arg(pid).arg(fd)).symLinkTarget(), QStringLiteral("/dev/null"))
            << fd;
    // Once up it prints its up line: into /dev/null, not into its quit pipe.
    EXPECT_TRUE(app.keepsRunning(std::chrono::seconds(3)));
    EXPECT_TRUE(LaunchState::leavesWithZero(app));
}
