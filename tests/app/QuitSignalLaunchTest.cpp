#include "support/LaunchState.h"
#include "support/LaunchedApp.h"
#include "support/TaskRunner.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

// A quit signal at any moment of the start (a session that ends right after
// it began, with the app in autostart) ends the built executable with 0, and
// it leaves nothing held: no launch socket, no lock. The moments count from
// the one the process first catches the signal; before it, the dynamic loader
// runs and the kernel's default action applies, as to any program.
TEST(QuitSignalLaunch, AQuitSignalAtAnyMomentOfTheStartEndsItWithZero)
{
    constexpr int kOnceUp = -1;
    const struct {
        const char* name;
        int signal;
        int afterMs;
    } cases[] = {
        {"SIGTERM at once", SIGTERM, 0},       {"SIGTERM after 100 ms", SIGTERM, 100},
        {"SIGTERM after 1 s", SIGTERM, 1000},  {"SIGTERM once up", SIGTERM, kOnceUp},
        {"SIGHUP at once", SIGHUP, 0},         {"SIGINT once up", SIGINT, kOnceUp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        LaunchedApp app(root.path());
        ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        ASSERT_TRUE(app.catches(c.signal)) << "the signal was never caught";
        if (c.afterMs == kOnceUp)
            ASSERT_TRUE(app.saysItIsUp());
        else if (c.afterMs > 0)
            waitUntil([] { return false; }, std::chrono::milliseconds(c.afterMs));
        ASSERT_EQ(::kill(pid_t(app.process.processId()), c.signal), 0);
        const bool ended = !app.keepsRunning(std::chrono::seconds(60));
        const LaunchedApp::Ending ending = app.terminate();
        ASSERT_TRUE(ended) << "the signal did not end it";
        EXPECT_EQ(ending.status, QProcess::NormalExit) << ending.output.toStdString();
        EXPECT_EQ(ending.exitCode, 0) << ending.output.toStdString();
        const QStringList left = QDir(root.filePath(QStringLiteral("run")))
                                     .entryList({QStringLiteral("kestrova.socket*")}, QDir::AllEntries | QDir::System);
        EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
    }
}

namespace {

// Started with its runtime and temp folders under `root`, and up.
void launch(LaunchedApp& app, const QTemporaryDir& root)
{
    QDir().mkpath(root.filePath(QStringLiteral("tmp")));
    app.environment.insert(QStringLiteral("TMPDIR"), root.filePath(QStringLiteral("tmp")));
    ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
    ASSERT_TRUE(app.saysItIsUp()) << app.terminate().output.toStdString();
}

// Ended with SIGTERM unless it left already: with 0, leaving nothing behind.
void leavesNothing(LaunchedApp& app, const QTemporaryDir& root)
{
    EXPECT_TRUE(LaunchState::leavesWithZero(app));
    EXPECT_EQ(LaunchState::leftIn(root.path()), QStringList());
}

} // namespace

// Started ignoring SIGHUP (nohup) or SIGINT (`cmd &` in a script), the app
// leaves it ignored: that signal once up changes nothing, and SIGTERM still
// ends it through its quit path.
TEST(QuitSignalLaunch, ASignalIgnoredAtTheStartStaysIgnored)
{
    for (const int ignored : {SIGHUP, SIGINT}) {
        SCOPED_TRACE(ignored);
        QTemporaryDir root;
        LaunchedApp app(root.path());
        app.process.setChildProcessModifier([ignored] { ::signal(ignored, SIG_IGN); });
        ASSERT_NO_FATAL_FAILURE(launch(app, root));
        ASSERT_EQ(::kill(pid_t(app.process.processId()), ignored), 0);
        EXPECT_TRUE(app.keepsRunning(std::chrono::seconds(2)));
        leavesNothing(app, root);
    }
}

// A logout sends more than one SIGTERM, and a user presses Ctrl-C twice:
// SIGTERM every 2 ms from the first one until the process is gone still
// ends it with 0, and it leaves nothing behind.
TEST(QuitSignalLaunch, QuitSignalsThroughTheWholeQuitChangeNothing)
{
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        QTemporaryDir root;
        LaunchedApp app(root.path());
        ASSERT_NO_FATAL_FAILURE(launch(app, root));
        const pid_t pid = pid_t(app.process.processId());
        int sent = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        do {
            ::kill(pid, SIGTERM); // a zombie takes it too; the pid is reaped only below
            ++sent;
        } while (!app.process.waitForFinished(2) && std::chrono::steady_clock::now() < deadline);
        EXPECT_GT(sent, 1);
        leavesNothing(app, root);
    }
}
