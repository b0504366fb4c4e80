// A run that dies holding what it froze or paused (SIGKILL) leaves a record;
// the next launch gives back what is still held, and only that.
#include "fakes/FakeDockerCommand.h"
#include "platform/HoldRecord.h"
#include "platform/ProcessStartTime.h"
#include "support/LaunchedApp.h"
#include "support/SleepChild.h"
#include "support/TaskRunner.h"

#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

using namespace std::chrono_literals;

namespace {

HeldProcess identity(qint32 pid)
{
    return {pid, readProcessStartTime(pid).value_or(0)};
}

// The launched copy holds the launch lock and takes connections: it is up.
bool isUp(LaunchedApp& app, const QString& socket)
{
    QFile lock(socket + QStringLiteral(".lock"));
    if (!lock.open(QIODevice::ReadOnly) || lock.readLine().trimmed().toLongLong() != app.process.processId())
        return false;
    QLocalSocket probe;
    probe.connectToServer(socket);
    return probe.waitForConnected(1000);
}

QStringList records(const QString& folder)
{
    return QDir(folder).entryList({QLatin1String(HoldRecord::kFilePrefix) + QLatin1Char('*')}, QDir::Files | QDir::Hidden);
}

struct Launch {
    explicit Launch(const QString& root, const FakeDockerCommand& docker) : app(root)
    {
        app.environment.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
        app.environment.insert(QStringLiteral("TMPDIR"), root + QStringLiteral("/tmp"));
        app.environment.insert(QStringLiteral("PATH"), docker.folder() + QLatin1Char(':') + qEnvironmentVariable("PATH"));
        QDir().mkpath(root + QStringLiteral("/home"));
        QDir().mkpath(root + QStringLiteral("/tmp"));
    }
    bool up(const QString& run)
    {
        if (!app.start(QStringLiteral(KESTROVA_EXECUTABLE)))
            return false;
        waitUntil([&] { return app.process.state() == QProcess::NotRunning || isUp(app, run + QStringLiteral("/kestrova.socket")); }, 60s);
        return app.process.state() == QProcess::Running;
    }
    LaunchedApp app;
};

} // namespace

// A run froze a model server (and a process it later recorded under another
// start time, which is not the one stopped now) and paused a container, then
// was killed. The next launch, on mains power, resumes the server, leaves the
// other stopped process alone, unpauses the container and says so in one line.
TEST(HeldLeftoversLaunch, AKilledRunsFrozenServerAndPausedContainerAreGivenBack)
{
    QTemporaryDir root;
    const QString run = root.filePath(QStringLiteral("run"));
    QDir().mkpath(run);
    FakeDockerCommand docker;
    docker.setContainer(QStringLiteral("c0ffee000001"), "chroma", "paused");
    docker.setContainer(QStringLiteral("c0ffee000002"), "qdrant", "paused"); // someone else's

    // Stand-ins for model servers, named apart from those the watcher
    // freezes: a test that freezes those at the same time leaves them be.
    SleepChild server(QStringLiteral("model-server"));
    SleepChild stranger(QStringLiteral("model-server"));
    {
        SleepChild killedRun;
        HoldRecord record({run}, identity(killedRun.pid()));
        record.holdProcess(identity(server.pid()));
        ASSERT_EQ(::kill(server.pid(), SIGSTOP), 0);
        record.holdProcess({stranger.pid(), identity(stranger.pid()).startTime + 1});
        record.holdContainer(QStringLiteral("c0ffee000001"));
        ASSERT_EQ(records(run).size(), 1);
        killedRun.end();
    }
    ASSERT_EQ(::kill(stranger.pid(), SIGSTOP), 0);
    ASSERT_TRUE(waitUntil([&] { return server.state() == 'T' && stranger.state() == 'T'; }));

    Launch next(root.path(), docker);
    ASSERT_TRUE(next.up(run)) << next.app.terminate().output.toStdString();
    EXPECT_TRUE(waitUntil([&] { return server.state() != 'T'; }, 60s)) << server.state();
    EXPECT_TRUE(waitUntil([&] { return docker.states() == "running paused"; }, 60s)) << docker.states().toStdString();
    EXPECT_TRUE(waitUntil([&] { return records(run).isEmpty(); }, 60s)) << records(run).join(' ').toStdString();
    EXPECT_EQ(stranger.state(), 'T');
    const LaunchedApp::Ending ending = next.app.terminate(30s);
    EXPECT_TRUE(ending.finished && ending.status == QProcess::NormalExit && ending.exitCode == 0) << ending.output.toStdString();
    EXPECT_EQ(ending.output.count(QStringLiteral("Given back")), 1) << ending.output.toStdString();
    EXPECT_TRUE(ending.output.contains(QStringLiteral("↩️ Given back what a run that ended without quitting held: resumed processes %1; "
                                                      "unpausing containers c0ffee000001\n")
                                           .arg(server.pid())))
        << ending.output.toStdString();
    EXPECT_EQ(stranger.state(), 'T');
    ::kill(stranger.pid(), SIGCONT);
}

// A container the next launch could not give back at quit (its engine hung)
// stays recorded, with nothing but our own line said; the launch after that
// gives it back.
TEST(HeldLeftoversLaunch, AContainerAHungEngineKeptIsGivenBackByTheNextLaunch)
{
    QTemporaryDir root;
    const QString run = root.filePath(QStringLiteral("run"));
    QDir().mkpath(run);
    FakeDockerCommand docker;
    docker.setContainer(QStringLiteral("c0ffee000001"), "chroma", "paused");
    {
        SleepChild killedRun;
        HoldRecord record({run}, identity(killedRun.pid()));
        record.holdContainer(QStringLiteral("c0ffee000001"));
        killedRun.end();
    }
    docker.setHung(true);
    {
        Launch hung(root.path(), docker);
        ASSERT_TRUE(hung.up(run)) << hung.app.terminate().output.toStdString();
        const qint64 pid = hung.app.process.processId();
        ASSERT_TRUE(waitUntil([&] { return !docker.calls().isEmpty(); }, 60s));
        const LaunchedApp::Ending ending = hung.app.terminate(60s);
        EXPECT_TRUE(ending.finished && ending.status == QProcess::NormalExit && ending.exitCode == 0) << ending.output.toStdString();
        EXPECT_TRUE(ending.output.contains(QStringLiteral(
            "Battery shield could not unpause containers c0ffee000001; run: docker unpause c0ffee000001\n")))
            << ending.output.toStdString();
        EXPECT_FALSE(ending.output.contains(QStringLiteral("QProcess"))) << ending.output.toStdString();
        const QStringList left = records(run);
        EXPECT_TRUE(left.size() == 1 && left[0].startsWith(QLatin1String(HoldRecord::kFilePrefix) + QString::number(pid) + '-'))
            << left.join(' ').toStdString();
    }
    docker.setHung(false);
    EXPECT_EQ(docker.states(), "paused");

    Launch after(root.path(), docker);
    ASSERT_TRUE(after.up(run)) << after.app.terminate().output.toStdString();
    EXPECT_TRUE(waitUntil([&] { return docker.states() == "running"; }, 60s));
    EXPECT_TRUE(waitUntil([&] { return records(run).isEmpty(); }, 60s)) << records(run).join(' ').toStdString();
    const LaunchedApp::Ending ending = after.app.terminate(30s);
    EXPECT_TRUE(ending.finished && ending.exitCode == 0) << ending.output.toStdString();
    EXPECT_TRUE(ending.output.contains(QStringLiteral("unpausing containers c0ffee000001"))) << ending.output.toStdString();
}
