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

// With no display to open (DISPLAY unset, or naming one where no X server
// listens), one line says so and names the variable, and the app leaves
// with 1: no abort, no core.
TEST(BareStartLaunch, NoDisplayIsOneLineAndExitOne)
{
    int unused = 100;
    while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(unused)) || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(unused)))
        ++unused;
    const struct {
        const char* name;
        QString display;
        QString said;
    } cases[] = {
        {"unset", QString(), QStringLiteral("Kestrova cannot start: no display could be opened, DISPLAY is not set.")},
        {"no server", QStringLiteral(":%1").arg(unused),
         QStringLiteral("Kestrova cannot start: no display could be opened at DISPLAY=:%1.").arg(unused)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        LaunchedApp app(root.path());
        for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"})
            app.environment.remove(QLatin1String(name));
        if (!c.display.isEmpty())
            app.environment.insert(QStringLiteral("DISPLAY"), c.display);
        ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        const bool ended = !app.keepsRunning(std::chrono::seconds(60));
        const LaunchedApp::Ending ending = app.terminate();
        ASSERT_TRUE(ended) << ending.output.toStdString();
        EXPECT_EQ(ending.status, QProcess::NormalExit);
        EXPECT_EQ(ending.exitCode, 1);
        EXPECT_EQ(ending.output, c.said + QLatin1Char('\n'));
    }
}
