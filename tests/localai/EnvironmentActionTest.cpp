#include "LocalAITestFixture.h"

#include "localai/LocalAIExamples.h"
#include "platform/ProcessSignaller.h"
#include "platform/ToolPaths.h"
#include "support/SleepChild.h"
#include "support/TaskRunner.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace {

class EnvironmentActionTest : public ::testing::Test {
protected:
    LocalAIService& service() { return fixture.service ? *fixture.service : fixture.make(); }
    void run(QCoro::Task<> task) { ASSERT_TRUE(runTask(std::move(task))); }
    QString inHome(const QString& relative) const { return fixture.home() + QLatin1Char('/') + relative; }
    void makeFile(const QString& relative, qint64 size = 4)
    {
        QDir().mkpath(QFileInfo(inHome(relative)).path());
        QFile file(inHome(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size));
    }

    LocalAITestFixture fixture;
};

CommandResult exitedWith(const QByteArray& output)
{
    CommandResult result;
    result.started = true;
    result.exitCode = 0;
    result.standardOutput = output;
    return result;
}

} // namespace

TEST_F(EnvironmentActionTest, StoppingAContainerRunsDockerOnlyForAScannedContainer)
{
    bool stopStarts = true;
    fixture.commands.script(ToolPaths::docker(), [&](const QStringList& args) {
        if (args.value(0) == QLatin1String("stop") && !stopStarts)
            return CommandResult{};
        return exitedWith(args.value(0) == QLatin1String("ps") ? "abc123|chroma-prod|8000\n" : "abc123\n");
    });
    run(service().scanVectorDatabases());
    fixture.commands.clearCalls();
    run(service().stopVectorDatabase(QStringLiteral("abc123")));
    ASSERT_EQ(fixture.commands.calls().size(), 2);
    EXPECT_EQ(fixture.commands.calls()[0].arguments, (QStringList{QStringLiteral("stop"), QStringLiteral("abc123")}));
    EXPECT_EQ(fixture.commands.calls()[1].arguments.value(0), QStringLiteral("ps")) << "then a rescan";
    EXPECT_EQ(service().activeVectorDBs().size(), 1);

    // docker gone since the scan: the row is hidden, nothing rescanned.
    stopStarts = false;
    fixture.commands.clearCalls();
    run(service().stopVectorDatabase(QStringLiteral("abc123")));
    EXPECT_EQ(fixture.commands.calls().size(), 1);
    EXPECT_TRUE(service().activeVectorDBs().isEmpty());
}

TEST_F(EnvironmentActionTest, ExampleContainersAreOnlyHidden)
{
    fixture.commands.scriptOutput(ToolPaths::docker(), "x|web|\n");
    run(service().scanVectorDatabases());
    ASSERT_EQ(service().activeVectorDBs(), LocalAIExamples::vectorDatabases());
    fixture.commands.clearCalls();
    run(service().stopVectorDatabase(QStringLiteral("dc84e27f9b8c")));
    EXPECT_TRUE(fixture.commands.calls().isEmpty()) << "an example row is no container to stop";
    ASSERT_EQ(service().activeVectorDBs().size(), 1);
    EXPECT_EQ(service().activeVectorDBs()[0].name, QStringLiteral("qdrant-local"));

    service().setDemoMode(true);
    run(service().stopVectorDatabase(QStringLiteral("9ae815f212bc")));
    EXPECT_TRUE(service().activeVectorDBs().isEmpty());
    EXPECT_TRUE(fixture.commands.calls().isEmpty());
}

TEST_F(EnvironmentActionTest, CompanionPurgeWaitsThenEmptiesWithoutSignalling)
{
    for (bool demoAtCall : {true, false}) {
        service().setDemoMode(demoAtCall);
        service().setOrphanedAICompanions(LocalAIExamples::orphanedCompanions());
        bool done = false;
        // Named: the coroutine reads its captures for as long as it runs.
        const auto body = [&]() -> QCoro::Task<> {
            co_await service().purgeOrphanedCompanions();
            done = true;
        };
        auto purge = body();
        service().setDemoMode(!demoAtCall); // the mode flips during the wait
        EXPECT_FALSE(done);
        EXPECT_EQ(service().orphanedAICompanions().size(), 2);
        fixture.scheduler.advance(1499ms);
        EXPECT_FALSE(done);
        fixture.scheduler.advance(1ms);
        EXPECT_TRUE(waitUntil([&] { return done; }));
        EXPECT_TRUE(service().orphanedAICompanions().isEmpty());
    }
    EXPECT_EQ(fixture.scheduler.delays(), (QList<std::chrono::milliseconds>{1500ms, 1500ms}));
    EXPECT_TRUE(fixture.signaller.sent.isEmpty()) << "example pids must never be signalled";
    EXPECT_TRUE(fixture.commands.calls().isEmpty());
}

TEST_F(EnvironmentActionTest, DemoKillRemovesOnlyThatRow)
{
    service().setDemoMode(true);
    run(service().scanLocalPorts());
    run(service().killProcessOnPort(82955));
    const QList<LocalPortInfo>& ports = service().activeLocalPorts();
    ASSERT_EQ(ports.size(), 4);
    EXPECT_TRUE(std::none_of(ports.begin(), ports.end(), [](const LocalPortInfo& p) { return p.pid == 82955; }));

    // Demo turned off with the example rows still shown: they are no scan.
    service().setDemoMode(false);
    run(service().killProcessOnPort(8812));
    EXPECT_TRUE(fixture.signaller.sent.isEmpty());
    EXPECT_EQ(service().activeLocalPorts().size(), 4);
}

TEST_F(EnvironmentActionTest, LiveKillReachesOnlyTheScannedProcessUnderItsName)
{
    LocalAIService::Deps deps = fixture.deps();
    deps.signaller = &ProcessSignaller::system();
    fixture.make(deps);
    SleepChild scanned;
    SleepChild bystander;
    SleepChild stale;
    ASSERT_GT(scanned.pid(), 1);
    fixture.proc.addProcess(scanned.pid(), "sleep", {3102}, scanned.stat());
    // Listed with a start time that is not the real one: a reused pid.
    fixture.proc.addProcess(stale.pid(), "sleep", {3202});
    run(service().scanLocalPorts());
    ASSERT_EQ(service().activeLocalPorts(), (QList<LocalPortInfo>{{3000, QStringLiteral("sleep"), stale.pid()},
                                                                   {5432, QStringLiteral("sleep"), scanned.pid()}}));

    run(service().killProcessOnPort(bystander.pid()));
    EXPECT_TRUE(bystander.alive()) << "not in the latest scan";
    run(service().killProcessOnPort(stale.pid()));
    EXPECT_TRUE(stale.alive()) << "another process now holds the scanned pid";

    fixture.proc.setComm(scanned.pid(), "renamed");
    run(service().killProcessOnPort(scanned.pid()));
    EXPECT_TRUE(scanned.alive()) << "no longer running under the scanned name";

    fixture.proc.setComm(scanned.pid(), "sleep");
    run(service().killProcessOnPort(scanned.pid()));
    ASSERT_TRUE(waitUntil([&] { return !scanned.alive(); }, 3s));
    EXPECT_EQ(scanned.process.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(scanned.process.exitCode(), SIGKILL);
}

TEST_F(EnvironmentActionTest, LiveKillRefusesInitAndOurselvesEvenWhenScanned)
{
    const qint32 self = qint32(QCoreApplication::applicationPid());
    fixture.proc.addProcess(self, "test_localai", {3101});
    fixture.proc.addProcess(1, "systemd", {3102});
    run(service().scanLocalPorts());
    ASSERT_EQ(service().activeLocalPorts().size(), 2);
    for (qint32 pid : {self, 1, 0, -5})
        run(service().killProcessOnPort(pid));
    EXPECT_TRUE(fixture.signaller.sent.isEmpty());
}

TEST_F(EnvironmentActionTest, LiveKillCarriesTheStartTimeItChecked)
{
    fixture.proc.addProcess(4242, "postgres", {3102});
    run(service().scanLocalPorts());
    run(service().killProcessOnPort(4242));
    EXPECT_EQ(fixture.signaller.sent, (QList<FakeProcessSignaller::Sent>{{4242, SIGKILL}}));
    EXPECT_EQ(fixture.signaller.startTimes, (QList<std::optional<quint64>>{5242}));
}

TEST_F(EnvironmentActionTest, ADemoPassForgetsTheOwnersOfTheLastLiveScan)
{
    fixture.proc.addProcess(4242, "postgres", {3102});
    run(service().scanLocalPorts());
    service().setDemoMode(true);
    service().setActiveLocalPorts({});
    run(service().scanLocalPorts());
    // An example row with that pid, shown when demo mode goes off again.
    service().setActiveLocalPorts({{5432, QStringLiteral("postgres"), 4242}});
    service().setDemoMode(false);
    run(service().killProcessOnPort(4242));
    EXPECT_TRUE(fixture.signaller.sent.isEmpty());
}

TEST_F(EnvironmentActionTest, ModelFileDeletionStaysInsideTheModelFolders)
{
    makeFile(QStringLiteral(".ollama/models/blobs/sha256-a"), 60'000'000);
    makeFile(QStringLiteral(".ollama/models/blobs/sha256-b"), 70'000'000);
    makeFile(QStringLiteral("precious/data"));
    makeFile(QStringLiteral(".cache/huggingface/hub/keep"));
    const QString blobs = inHome(QStringLiteral(".ollama/models/blobs"));
    QFile::link(inHome(QStringLiteral("precious")), blobs + QStringLiteral("/linked-folder"));
    QFile::link(inHome(QStringLiteral("precious/data")), blobs + QStringLiteral("/linked-file"));
    QFile::link(inHome(QStringLiteral("precious")), inHome(QStringLiteral(".cache/huggingface/hub/via")));
    run(service().scanModelCache());
    ASSERT_EQ(service().cachedModelFiles().size(), 2);

    for (const QString& refused : {inHome(QStringLiteral("precious/data")),
                                   blobs + QStringLiteral("/../../../precious/data"),
                                   blobs + QStringLiteral("/linked-folder/data"),
                                   inHome(QStringLiteral(".cache/huggingface/hub/via/data")),
                                   blobs, QStringLiteral("precious/data"), QString()}) {
        run(service().purgeModelCacheFile(refused));
        EXPECT_TRUE(QFile::exists(inHome(QStringLiteral("precious/data")))) << refused.toStdString();
    }
    EXPECT_TRUE(QFileInfo(blobs).isDir());

    run(service().purgeModelCacheFile(blobs + QStringLiteral("/linked-file")));
    EXPECT_FALSE(QFileInfo(blobs + QStringLiteral("/linked-file")).isSymLink()) << "the link itself goes";
    EXPECT_TRUE(QFile::exists(inHome(QStringLiteral("precious/data")))) << "never its target";

    run(service().purgeModelCacheFile(blobs + QStringLiteral("/sha256-b")));
    EXPECT_FALSE(QFile::exists(blobs + QStringLiteral("/sha256-b")));
    ASSERT_EQ(service().cachedModelFiles().size(), 1) << "rescanned";
    EXPECT_EQ(service().cachedModelFiles()[0].name, QStringLiteral("sha256-a"));
}

TEST_F(EnvironmentActionTest, ModelFileDeletionNeedsASaneHomeAndNeverRunsInDemoMode)
{
    makeFile(QStringLiteral(".ollama/models/blobs/sha256-a"), 60'000'000);
    const QString file = inHome(QStringLiteral(".ollama/models/blobs/sha256-a"));

    service().setDemoMode(true);
    service().setCachedModelFiles({{QStringLiteral("sha256-a"), 60'000'000, file, QStringLiteral("Ollama")}});
    run(service().purgeModelCacheFile(file));
    EXPECT_TRUE(service().cachedModelFiles().isEmpty());
    EXPECT_TRUE(QFile::exists(file)) << "demo mode edits the list only";

    for (const QString& home : {QString(), QStringLiteral("/"), fixture.home() + QStringLiteral("/."),
                                QStringLiteral("relative/home")}) {
        LocalAIService::Deps deps = fixture.deps();
        deps.paths.home = home;
        LocalAIService& other = fixture.make(deps);
        run(other.purgeModelCacheFile(file));
        EXPECT_TRUE(QFile::exists(file)) << home.toStdString();
    }
}
