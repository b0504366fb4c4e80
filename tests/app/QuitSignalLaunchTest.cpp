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

