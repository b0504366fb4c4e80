// The container commands run by the real docker client against a loopback
// stand-in for the engine, and docker found where it is often installed.
#include "LocalAITestFixture.h"

#include "fakes/FakeDockerDaemon.h"
#include "platform/ProcessCommandRunner.h"
#include "platform/ToolPaths.h"
#include "support/PrintCapture.h"
#include "support/ScopedEnv.h"
#include "support/TaskRunner.h"
#include "support/ToolTree.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString kChromaId = QStringLiteral("dc84e27f9b8c5a1e0f4d3c2b1a09876543210fedcba9876543210fedcba98765");

LocalAIService& liveService(LocalAITestFixture& fixture)
{
    LocalAIService::Deps deps = fixture.deps();
    deps.commands = &CommandRunner::system();
    deps.isUnplugged = [] { return true; };
    return fixture.make(std::move(deps));
}

} // namespace

TEST(DockerRealClient, ListsStopsPausesAndUnpausesWithTheLinesTheClientAccepts)
{
    if (!ToolPaths::docker().contains(QLatin1Char('/')))
        GTEST_SKIP() << "the docker client is not installed";
    FakeDockerDaemon daemon;
    daemon.containers = {{kChromaId, QStringLiteral("chroma-team")}, {QStringLiteral("77aa"), QStringLiteral("web")},
                         {QStringLiteral("88bb"), QStringLiteral("qdrant-held"), QStringLiteral("paused")}};
    QTemporaryDir config;
    ScopedEnv env("DOCKER_HOST", daemon.host());
    env.set("DOCKER_CONFIG", config.path().toLocal8Bit());
    env.set("DOCKER_TLS_VERIFY", "");

    LocalAITestFixture fixture;
    LocalAIService& ai = liveService(fixture);
    ASSERT_TRUE(runTask(ai.scanVectorDatabases(), 20s));
    ASSERT_EQ(ai.activeVectorDBs().size(), 2) << daemon.requests().join(QLatin1Char(' ')).toStdString();
    const VectorDatabaseInfo row = ai.activeVectorDBs().first();
    EXPECT_EQ(row.name, QStringLiteral("chroma-team"));
    EXPECT_EQ(row.containerId, kChromaId.left(12));
    EXPECT_EQ(ai.activeVectorDBs().at(1).status, VectorDatabaseInfo::pausedStatus()) << "the state the client prints";
    EXPECT_TRUE(daemon.requests().contains(QStringLiteral("GET /containers/json")));

    ai.setBatteryShieldEnabled(true);
    ai.applyBatteryShieldMode(); // started, not waited for
    EXPECT_TRUE(waitUntil([&] { return ai.activeVectorDBs().first().status == VectorDatabaseInfo::shieldedStatus(); }, 20s))
        << daemon.requests().join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(daemon.requests().contains("POST /containers/" + row.containerId + "/pause"));
    ai.setBatteryShieldEnabled(false);
    ai.applyBatteryShieldMode();
    EXPECT_TRUE(waitUntil([&] { return daemon.requests().contains("POST /containers/" + row.containerId + "/unpause"); }, 20s))
        << daemon.requests().join(QLatin1Char(' ')).toStdString();

    ASSERT_TRUE(runTask(ai.stopVectorDatabase(row.containerId), 40s));
    EXPECT_TRUE(daemon.requests().contains("POST /containers/" + row.containerId + "/stop"))
        << daemon.requests().join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(daemon.requests().contains(QStringLiteral("POST /containers/88bb/unpause"))) << "paused by someone else";

    // The engine gone, in the client's own words: still ours, named at quit.
    PrintCapture printed;
    ai.setBatteryShieldEnabled(true);
    ai.applyBatteryShieldMode();
    ASSERT_TRUE(waitUntil([&] { return ai.activeVectorDBs().first().status == VectorDatabaseInfo::shieldedStatus(); }, 20s));
    daemon.close();
    ai.setBatteryShieldEnabled(false);
    ai.applyBatteryShieldMode();
    EXPECT_TRUE(waitUntil([&] { return printed.lines().join('\n').contains(": Cannot connect to the Docker daemon at tcp://"); }, 20s));
    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit");
    EXPECT_EQ(printed.lines().filter(QStringLiteral("containers")).join('\n'),
              "Battery shield could not unpause containers " + row.containerId + "; run: docker unpause " + row.containerId);
}

TEST(DockerOnPath, FoundInUsrLocalBinWhenUsrBinHasNone)
{
    ToolTree tree;
    const QString stub = tree.add("usr/local/bin", "docker",
                                  "#!/bin/sh\n[ \"$1\" = ps ] && echo 'c0ffee000001|qdrant-stub|6333/tcp'\nexit 0\n");
    ScopedEnv path("PATH", (tree.folder("usr/bin") + QLatin1Char(':') + tree.folder("usr/local/bin")).toLocal8Bit());

    EXPECT_EQ(ToolPaths::docker(), stub);
    LocalAITestFixture fixture;
    LocalAIService& ai = liveService(fixture);
    ASSERT_TRUE(runTask(ai.scanVectorDatabases()));
    ASSERT_EQ(ai.activeVectorDBs().size(), 1);
    EXPECT_EQ(ai.activeVectorDBs().first().name, QStringLiteral("qdrant-stub"));
    EXPECT_EQ(ai.activeVectorDBs().first().port, 6333);
}
