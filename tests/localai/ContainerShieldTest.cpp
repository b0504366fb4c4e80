// The battery shield and the container scan against a stand-in docker that
// keeps its containers' state across calls, started by the real runner.
#include "LocalAITestFixture.h"

#include "fakes/FakeDockerCommand.h"
#include "fakes/FakeModelServer.h"
#include "support/PrintCapture.h"
#include "support/ScopedEnv.h"
#include "support/ScratchHoldRecord.h"
#include "support/TaskRunner.h"
#include "support/ToolTree.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace {

// Four databases (milvus paused by someone else) and a web server.
struct ContainerRig {
    ContainerRig()
    {
        const char* const names[] = {"chroma", "qdrant", "milvus", "weaviate", "web"};
        for (int i = 0; i < 5; ++i)
            docker.setContainer(QStringLiteral("c0ffee00000%1").arg(i + 1), names[i], i == 2 ? "paused" : "running");
    }
    LocalAIService& service(const QUrl& serverUrl = QUrl(QStringLiteral("http://127.0.0.1:9")))
    {
        LocalAIService::Deps deps = fixture.deps(serverUrl);
        deps.commands = &CommandRunner::system();
        deps.isUnplugged = [this] { return unplugged; };
        deps.holds = holds;
        return fixture.make(std::move(deps));
    }
    std::string rows() const
    {
        QStringList statuses;
        for (const VectorDatabaseInfo& row : fixture.service->activeVectorDBs())
            statuses.append(row.status);
        return statuses.join(QStringLiteral(", ")).toStdString();
    }
    std::string calls() const { return docker.calls().join(QLatin1Char('\n')).toStdString(); }

    FakeDockerCommand docker;
    ScopedEnv path{"PATH", (docker.folder() + QLatin1Char(':')).toLocal8Bit() + qgetenv("PATH")};
    bool unplugged = true;
    HoldRecord* holds = nullptr;
    LocalAITestFixture fixture;
};

} // namespace

// What the shield paused comes back when power returns, when it is switched
// off and at quit, even after the engine was down when asked or a pause landed
// after a list that read running; what someone else paused stays paused.
TEST(ContainerShield, GivesBackWhatItPausedAndOnlyThat)
{
    const struct {
        const char* when;
        void (*trigger)(LocalAIService&, bool& unplugged);
        bool rowsFollow; // the service lives on to show the rows
        bool latePause = false; // chroma's first pause times out, then lands after the next list
        bool down = false;      // the engine cannot be reached when asked to give back
    } cases[] = {
        {"power returns", [](LocalAIService& ai, bool& unplugged) { unplugged = false; ai.applyBatteryShieldMode(); }, true},
        {"switched off", [](LocalAIService& ai, bool&) { ai.setBatteryShieldEnabled(false); ai.applyBatteryShieldMode(); }, true},
        {"quit", [](LocalAIService&, bool&) { QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"); }, false},
        {"late pause", [](LocalAIService& ai, bool& unplugged) { unplugged = false; ai.applyBatteryShieldMode(); }, true, true},
        {"power returns, engine down", [](LocalAIService& ai, bool& unplugged) { unplugged = false; ai.applyBatteryShieldMode(); }, true, false, true},
        {"quit, engine down", [](LocalAIService&, bool&) { QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"); }, false, false, true},
    };
    for (const auto& c : cases) [&] { // a failed ASSERT ends only its case
        SCOPED_TRACE(c.when);
        ContainerRig rig;
        PrintCapture printed;
        LocalAIService& ai = rig.service();
        ai.setBatteryShieldEnabled(true);
        ASSERT_TRUE(runTask(ai.scanVectorDatabases(), 30s));
        EXPECT_EQ(rig.rows(), "Running, Running, Paused, Running") << "paused never reads as running";
        rig.docker.setContainer(QStringLiteral("c0ffee000004"), "weaviate", "paused"); // by someone else, after the scan

        if (c.latePause) { // the list queued behind the pause still reads running; the next pass hears "already paused"
            rig.docker.delayPause(QStringLiteral("c0ffee000001"));
            ai.applyBatteryShieldMode();
            ASSERT_TRUE(runTask(ai.scanVectorDatabases(), 60s));
            EXPECT_EQ(rig.rows(), "Running, Running, Paused, Paused");
            EXPECT_TRUE(waitUntil([&] { ai.applyBatteryShieldMode(); return rig.docker.calls().count(QStringLiteral("pause c0ffee000001")) == 2; }, 30s));
        }
        ai.applyBatteryShieldMode();
        EXPECT_TRUE(waitUntil([&] { return rig.rows().starts_with("Suspended (Battery Shield), Suspended"); }, 30s)) << rig.calls();
        EXPECT_EQ(rig.docker.states(), "paused paused paused paused running");
        // Rescanned on battery, nothing reads as running: nothing is paused twice.
        ASSERT_TRUE(runTask(ai.scanVectorDatabases(), 30s));
        EXPECT_EQ(rig.rows(), "Suspended (Battery Shield), Suspended (Battery Shield), Paused, Paused");

        rig.docker.setDown(c.down);
        c.trigger(ai, rig.unplugged);
        const auto given = [&] { return rig.docker.states() == "running running paused paused running"; };
        if (c.down && c.rowsFollow) { // told; once the engine is back, given back within two passes
            EXPECT_TRUE(waitUntil([&] { return printed.lines().join('\n').contains("unpause container c0ffee000001: Cannot connect"); }, 30s));
            rig.docker.setDown(false);
            for (int pass = 1; pass <= 2 && !given(); ++pass) {
                ASSERT_TRUE(runTask(ai.scanVectorDatabases(), 30s));
                ai.applyBatteryShieldMode();
                waitUntil(given, pass == 1 ? 5s : 30s);
            }
        }
        const bool leftPaused = c.down && !c.rowsFollow;
        EXPECT_TRUE(leftPaused ? rig.docker.states() == "paused paused paused paused running" : waitUntil(given, 30s)) << rig.calls();
        if (c.rowsFollow) {
            EXPECT_TRUE(waitUntil([&] { return rig.rows() == "Running, Running, Paused, Paused"; }, 30s));
        }
        EXPECT_EQ(printed.lines().filter(QStringLiteral("containers")).join('\n').toStdString(),
                  leftPaused ? "Battery shield could not unpause containers c0ffee000001, c0ffee000002; run: docker unpause c0ffee000001 c0ffee000002" : "");
        rig.fixture.service.reset();
        EXPECT_TRUE(rig.docker.calls().filter(QRegularExpression("^unpause .*0000[34]")).isEmpty()) << rig.calls();
    }();
}

// Containers a dead run's shield left paused are this shield's own: kept
// paused while it holds, given back once it does not, and noted down in this
// run's record until then.
TEST(ContainerShield, AdoptedContainersAreGivenBackAsTheShieldGivesBackItsOwn)
{
    ContainerRig rig;
    rig.docker.setContainer(QStringLiteral("c0ffee000001"), "chroma", "paused");
    ScratchHoldRecord held;
    rig.holds = &held.record;
    LocalAIService& ai = rig.service();
    ai.setBatteryShieldEnabled(true);
    ai.adoptShieldPausedContainers({QStringLiteral("c0ffee000001")});
    EXPECT_EQ(held.text(), "kestrova-held 1\ncontainer c0ffee000001\n");
    ASSERT_TRUE(runTask(ai.scanVectorDatabases(), 30s));
    EXPECT_EQ(rig.rows().substr(0, 26), "Suspended (Battery Shield)");
    ai.applyBatteryShieldMode();
    EXPECT_TRUE(waitUntil([&] { return rig.docker.calls().count(QStringLiteral("pause c0ffee000002")) == 1; }, 30s)) << rig.calls();
    EXPECT_TRUE(rig.docker.calls().filter(QStringLiteral("c0ffee000001")).isEmpty()) << rig.calls();

    rig.unplugged = false;
    EXPECT_TRUE(waitUntil([&] { ai.applyBatteryShieldMode(); return rig.docker.states() == "running running paused running running"; }, 30s))
        << rig.calls();
    EXPECT_TRUE(waitUntil([&] { return held.text().isEmpty(); }, 30s)) << held.text().toStdString();
    rig.fixture.service.reset();
}

// A container taken over from a dead run and found running may yet be
// paused by that run's pause still on its way: it stays ours, and a quit
// within that time leaves it noted down for the next launch, unsaid.
TEST(ContainerShield, AQuitWhileADeadRunsPauseMayLandLeavesItToTheNextLaunch)
{
    ContainerRig rig;
    rig.unplugged = false;
    ScratchHoldRecord held;
    rig.holds = &held.record;
    PrintCapture printed;
    LocalAIService& ai = rig.service();
    ai.adoptShieldPausedContainers({QStringLiteral("c0ffee000001")});
    ai.applyBatteryShieldMode();
    ASSERT_TRUE(waitUntil([&] { return rig.docker.calls().contains(QStringLiteral("unpause c0ffee000001")); }, 30s));
    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit");
    EXPECT_EQ(held.text(), "kestrova-held 1\ncontainer c0ffee000001\n");
    EXPECT_EQ(rig.docker.calls().count(QStringLiteral("unpause c0ffee000001")), 2) << rig.calls(); // the pass's and the quit's
    EXPECT_TRUE(printed.lines().isEmpty()) << printed.lines().join(u'\n').toStdString();
    rig.fixture.service.reset();
}

// While a hung engine's first ps waits out its 10 s, the model poll keeps its
// pace, a build freezes the model server, and no second engine call starts.
TEST(ContainerShield, AHungEngineHoldsUpNeitherTheModelPollNorTheBuildCheck)
{
    ContainerRig rig;
    rig.docker.setHung(true);
    ToolTree tools; // a pgrep that sees a build while its marker exists
    const QString building = tools.add("usr/bin", "pgrep", "#!/bin/sh\n[ -e \"$0.building\" ]\n") + ".building";
    rig.path.set("PATH", (tools.folder("usr/bin") + QLatin1Char(':')).toLocal8Bit() + qgetenv("PATH"));
    rig.fixture.proc.addProcess(300, "ollama", {});
    FakeModelServer server;
    server.answerPs(200, R"({"models":[]})");
    LocalAIService& ai = rig.service(server.baseUrl());
    ai.setCompileAutoSuspendEnabled(true);
    ai.startPolling();
    ASSERT_TRUE(waitUntil([&] { return !rig.docker.calls().isEmpty(); }, 30s));
    const int pollsAtHang = server.psRequestCount();
    QFile(building).open(QIODevice::WriteOnly);

    const auto psReturned = [&] { return !rig.rows().empty(); }; // timed out, showing the examples
    EXPECT_TRUE(waitUntil([&] { return !rig.fixture.signaller.sent.isEmpty() || psReturned(); }, 60s));
    EXPECT_EQ(rig.fixture.signaller.sent, (QList<FakeProcessSignaller::Sent>{{300, SIGSTOP}}));
    EXPECT_FALSE(psReturned()) << "the build check waited for the engine";
    EXPECT_TRUE(waitUntil([&] { return server.psRequestCount() >= pollsAtHang + 2 || psReturned(); }, 60s));
    EXPECT_FALSE(psReturned()) << "the model poll waited for the engine";
    EXPECT_EQ(rig.docker.calls().size(), 1) << rig.calls();

    rig.docker.setHung(false); // once the engine answers, the list follows
    EXPECT_TRUE(waitUntil([&] { return rig.rows() == "Running, Running, Paused, Running"; }, 60s));
}
