// The battery shield and the container scan against a stand-in docker that
// keeps its containers' state across calls, started by the real runner.
#include "LocalAITestFixture.h"

#include "fakes/FakeDockerCommand.h"
#include "fakes/FakeModelServer.h"
#include "platform/CommandRunner.h"
#include "support/ScopedEnv.h"
#include "support/TaskRunner.h"
#include "support/ToolTree.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

using namespace std::chrono_literals;

namespace {

const QString kChroma = QStringLiteral("c0ffee000001");
const QString kQdrant = QStringLiteral("c0ffee000002");
const QString kMilvus = QStringLiteral("c0ffee000003");   // paused by someone else before
const QString kWeaviate = QStringLiteral("c0ffee000004"); // paused by someone else meanwhile
const QString kWeb = QStringLiteral("c0ffee000005");

// The real runner, noting the argument lists of the docker calls made
// through it. (The process-wide watcher of an earlier test may run the same
// stand-in; it does not go through here.)
class EngineCalls final : public CommandRunner {
public:
    QCoro::Task<CommandResult> run(QString program, QStringList arguments, std::chrono::milliseconds timeout) override
    {
        if (program.endsWith(QLatin1String("/docker")))
            calls.append(arguments.join(QLatin1Char(' ')));
        return CommandRunner::system().run(std::move(program), std::move(arguments), timeout);
    }
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QStringList& environment) override
    {
        calls.append(arguments.join(QLatin1Char(' ')));
        return CommandRunner::system().startDetached(program, arguments, environment);
    }
    QStringList calls;
};

// A stand-in docker first on PATH, with five containers, and a watcher that
// starts it through the real runner.
struct ContainerRig {
    ContainerRig()
    {
        docker.addContainer(kChroma, QStringLiteral("chroma-a"));
        docker.addContainer(kQdrant, QStringLiteral("qdrant-b"));
        docker.addContainer(kMilvus, QStringLiteral("milvus-c"), "paused");
        docker.addContainer(kWeaviate, QStringLiteral("weaviate-d"));
        docker.addContainer(kWeb, QStringLiteral("web"));
    }
    LocalAIService& service(const QUrl& serverUrl = QUrl(QStringLiteral("http://127.0.0.1:9")), bool autoStart = false)
    {
        LocalAIService::Deps deps = fixture.deps(serverUrl);
        deps.commands = &engine;
        deps.isUnplugged = [this] { return unplugged; };
        fixture.service = std::make_unique<LocalAIService>(std::move(deps), autoStart);
        fixture.service->setDemoMode(false);
        return *fixture.service;
    }
    QString statusOf(const QString& id) const
    {
        for (const VectorDatabaseInfo& row : fixture.service->activeVectorDBs())
            if (row.containerId == id)
                return row.status;
        return {};
    }

    FakeDockerCommand docker;
    ScopedEnv path{"PATH", (docker.folder() + QLatin1Char(':')).toLocal8Bit() + qgetenv("PATH")};
    EngineCalls engine;
    bool unplugged = true;
    LocalAITestFixture fixture;
};

const QString kRunning = VectorDatabaseInfo::runningStatus();
const QString kShielded = VectorDatabaseInfo::shieldedStatus();
const QString kPaused = VectorDatabaseInfo::pausedStatus();

} // namespace

// What the shield paused comes back when power returns, when it is switched
// off and at quit; what someone else paused stays paused throughout.
TEST(ContainerShield, GivesBackWhatItPausedAndOnlyThat)
{
    const struct {
        const char* when;
        std::function<void(ContainerRig&)> trigger;
        bool rowsFollow; // the service lives on to show the rows
    } cases[] = {
        {"power returns", [](ContainerRig& rig) { rig.unplugged = false; rig.fixture.service->applyBatteryShieldMode(); }, true},
        {"switched off", [](ContainerRig& rig) {
             rig.fixture.service->setBatteryShieldEnabled(false);
             rig.fixture.service->applyBatteryShieldMode();
         }, true},
        {"quit", [](ContainerRig&) { QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        ContainerRig rig;
        FakeDockerCommand& docker = rig.docker;
        LocalAIService& ai = rig.service();
        ai.setBatteryShieldEnabled(true);
        ASSERT_TRUE(runTask(ai.scanVectorDatabases(), 30s));
        EXPECT_EQ(rig.statusOf(kChroma), kRunning);
        EXPECT_EQ(rig.statusOf(kMilvus), kPaused) << "a paused container never reads as running";
        docker.setState(kWeaviate, "paused"); // by someone else, between the scan and the shield

        ai.applyBatteryShieldMode();
        ASSERT_TRUE(waitUntil([&] { return rig.statusOf(kChroma) == kShielded && rig.statusOf(kQdrant) == kShielded; }, 30s))
            << rig.engine.calls.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(docker.state(kChroma), "paused");
        EXPECT_EQ(docker.state(kQdrant), "paused");
        EXPECT_EQ(docker.state(kWeb), "running");
        EXPECT_EQ(rig.engine.calls.count("pause " + kMilvus), 0);

        // Still on battery: the rows read as paused, so nothing is paused twice.
        ASSERT_TRUE(runTask(ai.scanVectorDatabases(), 30s));
        EXPECT_EQ(rig.statusOf(kChroma), kShielded);
        EXPECT_EQ(rig.statusOf(kWeaviate), kPaused);
        ai.applyBatteryShieldMode();
        ASSERT_TRUE(runTask(ai.scanVectorDatabases(), 30s)); // queued behind any pass the shield started
        EXPECT_EQ(rig.engine.calls.count("pause " + kChroma), 1);

        c.trigger(rig);
        EXPECT_TRUE(waitUntil([&] { return docker.state(kChroma) == "running" && docker.state(kQdrant) == "running"; }, 30s))
            << rig.engine.calls.join(QLatin1Char('\n')).toStdString();
        if (c.rowsFollow) {
            EXPECT_TRUE(waitUntil([&] { return rig.statusOf(kChroma) == kRunning && rig.statusOf(kQdrant) == kRunning; }, 30s));
        }
        rig.fixture.service.reset();
        EXPECT_EQ(docker.state(kMilvus), "paused");
        EXPECT_EQ(docker.state(kWeaviate), "paused");
        EXPECT_TRUE(rig.engine.calls.filter(QRegularExpression("^unpause .*(" + kMilvus + "|" + kWeaviate + ")")).isEmpty());
    }
}

// An engine that never answers costs only the container list: while its
// first `ps` hangs, the model poll keeps its pace and a build that starts
// meanwhile freezes the model server on the next tick, and no second engine
// call is made behind the hung one.
TEST(ContainerShield, AHungEngineHoldsUpNeitherTheModelPollNorTheBuildCheck)
{
    ContainerRig rig;
    rig.docker.setHung(true);
    ToolTree tools; // a pgrep that sees a build while its marker exists
    const QString building = tools.folder("usr/bin") + QStringLiteral("/building");
    tools.add("usr/bin", "pgrep", "#!/bin/sh\n[ -e '" + building.toLocal8Bit() + "' ]\n");
    rig.path.set("PATH", (tools.folder("usr/bin") + QLatin1Char(':')).toLocal8Bit() + qgetenv("PATH"));
    rig.fixture.proc.addProcess(300, "ollama", {});
    FakeModelServer server;
    server.answerPs(200, R"({"models":[]})");

    LocalAIService& ai = rig.service(server.baseUrl(), true);
    ai.setCompileAutoSuspendEnabled(true);
    const auto psCalls = [&] { return int(rig.engine.calls.count(QStringLiteral("ps --format {{.ID}}|{{.Names}}|{{.Ports}}|{{.State}}"))); };
    ASSERT_TRUE(waitUntil([&] { return psCalls() == 1; }, 30s));
    const int pollsAtHang = server.psRequestCount();
    QFile(building).open(QIODevice::WriteOnly);

    // The hung ps has not returned while both happen: its time-out would
    // show the example rows.
    const auto psReturned = [&] { return !ai.activeVectorDBs().isEmpty(); };
    EXPECT_TRUE(waitUntil([&] { return !rig.fixture.signaller.sent.isEmpty() || psReturned(); }, 60s));
    EXPECT_EQ(rig.fixture.signaller.sent, (QList<FakeProcessSignaller::Sent>{{300, SIGSTOP}}));
    EXPECT_FALSE(psReturned()) << "the build check waited for the engine";
    EXPECT_TRUE(waitUntil([&] { return server.psRequestCount() >= pollsAtHang + 2 || psReturned(); }, 60s));
    EXPECT_GE(server.psRequestCount(), pollsAtHang + 2);
    EXPECT_FALSE(psReturned()) << "the model poll waited for the engine";
    EXPECT_EQ(psCalls(), 1) << "a second engine call queued behind the hung one: "
                            << rig.engine.calls.join(QLatin1Char('\n')).toStdString();

    // Once the engine answers again, the list follows.
    rig.docker.setHung(false);
    EXPECT_TRUE(waitUntil([&] { return rig.statusOf(kChroma) == kRunning; }, 60s));
    EXPECT_EQ(rig.statusOf(kMilvus), kPaused);
}
