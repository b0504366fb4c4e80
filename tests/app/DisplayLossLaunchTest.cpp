#include "fakes/FakeDockerCommand.h"
#include "support/LaunchState.h"
#include "support/LaunchedApp.h"
#include "support/ScratchHoldRecord.h"
#include "support/TaskRunner.h"
#include "support/XvfbServer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

// A run on a real X server holds a container its shield keeps paused (taken
// over from a killed run, while the engine could not be reached). The X
// server ends under it, as a logout that ends the display first: the app
// gives back what its quit path gives back before it ends (the container
// unpaused, its hold record, launch socket and lock removed, its settings
// copy gone).
TEST(DisplayLossLaunch, TheQuitPathsGivingBackRunsWhenTheXServerEnds)
{
    XvfbServer server;
    if (server.display().isEmpty())
        GTEST_SKIP() << "needs Xvfb";
    QTemporaryDir root;
    for (const char* folder : {"run", "home", "tmp"})
        QDir().mkpath(root.filePath(QLatin1String(folder)));
    const QString run = root.filePath(QStringLiteral("run"));
    FakeDockerCommand docker;
    docker.setContainer(QStringLiteral("c0ffee000001"), "chroma", "paused");
    docker.setDown(true);
    HoldRecord({run}, ScratchHoldRecord::goneRun()).holdContainer(QStringLiteral("c0ffee000001"));

    LaunchedApp app(root.path());
    app.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    app.environment.insert(QStringLiteral("DISPLAY"), server.display());
    app.environment.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    app.environment.insert(QStringLiteral("TMPDIR"), root.filePath(QStringLiteral("tmp")));
    app.environment.insert(QStringLiteral("PATH"), docker.folder() + QLatin1Char(':') + qEnvironmentVariable("PATH"));
    ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
    ASSERT_TRUE(app.saysItIsUp()) << app.terminate().output.toStdString();
    const QString ofThisRun = QLatin1String(HoldRecord::kFilePrefix) + QString::number(app.process.processId()) + u'-';
    ASSERT_TRUE(waitUntil([&] {
        const QStringList held = QDir(run).entryList({QLatin1String(HoldRecord::kFilePrefix) + u'*'}, QDir::Files | QDir::Hidden);
        return held.size() == 1 && held[0].startsWith(ofThisRun);
    }, 60s)) << LaunchState::leftIn(root.path()).join(u' ').toStdString();

    docker.setDown(false);
    server.end();
    const bool ended = !app.keepsRunning(60s);
    const LaunchedApp::Ending ending = app.terminate();
    ASSERT_TRUE(ended) << ending.output.toStdString();
    EXPECT_EQ(ending.status, QProcess::NormalExit) << ending.output.toStdString();
    EXPECT_EQ(docker.states(), "running") << ending.output.toStdString();
    EXPECT_EQ(LaunchState::leftIn(root.path()), QStringList()) << ending.output.toStdString();
}
