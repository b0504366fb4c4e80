#include "LocalAITestFixture.h"

#include "fakes/FakeModelServer.h"
#include "localai/LocalAIExamples.h"
#include "platform/ProcessNameMatch.h"
#include "platform/ProcessTable.h"
#include "platform/ToolPaths.h"
#include "support/PrintCapture.h"
#include "support/ScratchHoldRecord.h"
#include "support/TaskRunner.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;
using Sent = FakeProcessSignaller::Sent;

namespace {

const QStringList kServerNames = {QStringLiteral("ollama"), QStringLiteral("ollama_llama_server"),
                                  QStringLiteral("llama-runner"), QStringLiteral("deepseek")};

CommandResult exited(int code, const QByteArray& output = {})
{
    CommandResult result;
    result.started = true;
    result.exitCode = code;
    result.standardOutput = output;
    return result;
}

class WatcherAutomationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fixture.commands.script(ToolPaths::pgrep(), [this](const QStringList&) { return exited(buildRunning ? 0 : 1); });
        fixture.commands.script(ToolPaths::docker(), [](const QStringList& args) {
            return exited(0, args.value(0) == QLatin1String("ps") ? "abc123|chroma-prod|8000\n" : "");
        });
        fixture.commands.script(ToolPaths::colima(), [](const QStringList&) { return exited(0); });
    }
    LocalAIService& service()
    {
        if (!fixture.service) {
            LocalAIService::Deps deps = fixture.deps(server.baseUrl());
            deps.isUnplugged = [this] { return unplugged; };
            deps.holds = holds;
            fixture.make(std::move(deps));
        }
        return *fixture.service;
    }
    void check() { ASSERT_TRUE(runTask(service().checkAndApplyAutoSuspend())); }
    QStringList commandLines() const
    {
        QStringList lines;
        for (const auto& call : fixture.commands.calls())
            lines << (call.detached ? QStringLiteral("& ") : QString()) + call.program + QLatin1Char(' ')
                         + call.arguments.join(QLatin1Char(' '));
        return lines;
    }
    // Model servers by exact name, decoys that only look alike, and pid 1.
    void addModelServers()
    {
        auto& proc = fixture.proc;
        proc.addProcess(1, "ollama", {});
        proc.addProcess(250, "llama-runner", {});
        proc.addProcess(300, "ollama", {});
        proc.addProcess(301, "ollama_llama_se", {});
        proc.setExe(301, QStringLiteral("/opt/ollama/lib/ollama_llama_server"));
        proc.addProcess(302, "ollama_llama_se", {});
        proc.setExe(302, QStringLiteral("/usr/bin/ollama_llama_sentinel"));
        proc.addProcess(303, "ollama-helper", {});
        proc.addProcess(304, "deepseek-coder", {});
    }

    bool buildRunning = false;
    bool unplugged = true;
    HoldRecord* holds = nullptr;
    FakeModelServer server;
    LocalAITestFixture fixture;
};

const QList<Sent> kFrozen = {{300, SIGSTOP}, {301, SIGSTOP}, {250, SIGSTOP}};
const QList<Sent> kThawed = {{300, SIGCONT}, {301, SIGCONT}, {250, SIGCONT}};

} // namespace

TEST_F(WatcherAutomationTest, CompileAutoSuspendFreezesOncePerBuildAndThawsAfterIt)
{
    addModelServers();
    auto& sent = fixture.signaller.sent;
    service().setCompileAutoSuspendEnabled(true);

    check();
    EXPECT_TRUE(sent.isEmpty());
    EXPECT_EQ(commandLines(), QStringList{ToolPaths::pgrep() + " -x xcodebuild|swiftc|clang|swift-frontend|make|cmake"});

    // Name by name, as found; each freeze pinned to the start time it was seen with.
    buildRunning = true;
    check();
    EXPECT_EQ(sent, kFrozen);
    EXPECT_EQ(fixture.signaller.startTimes, (QList<std::optional<quint64>>{1300, 1301, 1250}));
    EXPECT_EQ(service().suspendedPIDs(), (QList<qint32>{300, 301, 250}));
    check();
    EXPECT_EQ(sent.size(), 3);

    buildRunning = false;
    check();
    EXPECT_EQ(sent.mid(3), kThawed);
    EXPECT_TRUE(service().suspendedPIDs().isEmpty());
    EXPECT_EQ(fixture.signaller.startTimes.mid(3), (QList<std::optional<quint64>>{1300, 1301, 1250}));

    // Turning the switch off thaws on the next check without asking pgrep.
    buildRunning = true;
    check();
    service().setCompileAutoSuspendEnabled(false);
    fixture.commands.clearCalls();
    check();
    EXPECT_EQ(sent.mid(9), kThawed);
    EXPECT_TRUE(service().suspendedPIDs().isEmpty());
    EXPECT_TRUE(commandLines().isEmpty());
}

TEST_F(WatcherAutomationTest, FailedFreezesAreNotRecordedAndQuitThawsTheRest)
{
    addModelServers();
    fixture.signaller.outcomes.insert(301, SignalOutcome::noSuchProcess);
    service().setCompileAutoSuspendEnabled(true);
    buildRunning = true;
    PrintCapture printed;
    check();
    EXPECT_EQ(printed.lines(), QStringList{"Failed to suspend process 301: No such process"});
    EXPECT_EQ(service().suspendedPIDs(), (QList<qint32>{300, 250}));

    // A thaw the system refuses is said once and stays ours to ask again.
    fixture.signaller.outcomes.insert(250, SignalOutcome::failed);
    printed.clear();
    fixture.signaller.sent.clear();
    for (int quit = 0; quit < 2; ++quit)
        QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit");
    EXPECT_EQ(printed.lines(), QStringList{"Failed to resume process 250: Operation not permitted"});
    EXPECT_EQ(service().suspendedPIDs(), QList<qint32>{250});
    fixture.signaller.outcomes.remove(250);
    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit");
    EXPECT_EQ(fixture.signaller.sent, (QList<Sent>{{300, SIGCONT}, {250, SIGCONT}}));
    EXPECT_TRUE(service().suspendedPIDs().isEmpty());

    // pgrep missing: a line, and nothing frozen or thawed.
    fixture.commands = FakeCommandRunner();
    printed.clear();
    fixture.signaller.sent.clear();
    check();
    EXPECT_EQ(printed.lines(), QStringList{"Failed to run pgrep: no such file: " + ToolPaths::pgrep()});
    EXPECT_TRUE(fixture.signaller.sent.isEmpty());
}

// Model servers of another user refuse the freeze: through a 20-second build
// (a check every 2 s) each is asked once and said once. A new build asks
// again, saying only what changed; a process that took over a refused one's
// pid is asked and said afresh.
TEST_F(WatcherAutomationTest, ARefusedFreezeIsSaidOnceAndNotAskedAgainWhileNothingChanges)
{
    addModelServers();
    for (qint32 pid : {300, 301, 250})
        fixture.signaller.outcomes.insert(pid, SignalOutcome::failed);
    service().setCompileAutoSuspendEnabled(true);
    PrintCapture printed;
    const auto buildSaid = [&] {
        printed.clear();
        buildRunning = true;
        for (int elapsed = 0; elapsed < 20; elapsed += 2, fixture.clock.advance(2000))
            check();
        buildRunning = false;
        check();
        return printed.lines();
    };
    EXPECT_EQ(buildSaid(), (QStringList{"Failed to suspend process 300: Operation not permitted",
                                        "Failed to suspend process 301: Operation not permitted",
                                        "Failed to suspend process 250: Operation not permitted"}));
    EXPECT_EQ(fixture.signaller.attempts.size(), 3);
    EXPECT_EQ(buildSaid(), QStringList());
    EXPECT_EQ(fixture.signaller.attempts.size(), 6);

    // Another process under pid 300 (another start time), and a new reason for 301.
    fixture.proc.addProcess(300, "ollama", {}, "300 (ollama) S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 7777 1000 100\n");
    fixture.signaller.outcomes.insert(301, SignalOutcome::noSuchProcess);
    EXPECT_EQ(buildSaid(), (QStringList{"Failed to suspend process 300: Operation not permitted",
                                        "Failed to suspend process 301: No such process"}));
    EXPECT_EQ(fixture.signaller.attempts.size(), 9);
    EXPECT_TRUE(service().suspendedPIDs().isEmpty());
}

// Each freeze is noted down before it is sent, and dropped once it was
// refused or given back.
TEST_F(WatcherAutomationTest, EveryFreezeIsRecordedBeforeItIsSentUntilItIsGivenBack)
{
    addModelServers();
    ScratchHoldRecord held;
    holds = &held.record;
    QList<QByteArray> seen;
    fixture.signaller.beforeSend = [&] { seen.append(held.text()); };
    fixture.signaller.outcomes.insert(301, SignalOutcome::failed);
    service().setCompileAutoSuspendEnabled(true);
    buildRunning = true;
    check();
    EXPECT_EQ(seen, (QList<QByteArray>{"kestrova-held 1\nprocess 300 1300\n", "kestrova-held 1\nprocess 300 1300\nprocess 301 1301\n",
                                       "kestrova-held 1\nprocess 250 1250\nprocess 300 1300\n"}));
    buildRunning = false;
    check();
    EXPECT_EQ(seen.size(), 5);
    EXPECT_EQ(held.text(), "");
    fixture.service.reset();
}

TEST_F(WatcherAutomationTest, ABuildCheckWithoutAnAnswerIsToldOncePerChangeAndNeitherFreezesNorThaws)
{
    addModelServers();
    service().setCompileAutoSuspendEnabled(true);
    buildRunning = true;
    check();
    ASSERT_EQ(fixture.signaller.sent, kFrozen);

    CommandResult rejected = exited(2);
    rejected.standardError = "pgrep: only one pattern can be provided\nTry `pgrep --help' for more information.\n";
    CommandResult hung;
    hung.started = true;
    hung.timedOut = true;
    hung.errorString = QStringLiteral("timed out");
    const QString usage = QStringLiteral("Failed to run pgrep: exit status 2: pgrep: only one pattern can be provided");
    struct Step {
        CommandResult answer;
        QStringList printed;
    };
    const Step steps[] = {
        {rejected, {usage}},
        {rejected, {}},
        {hung, {QStringLiteral("Failed to run pgrep: timed out")}},
        {exited(0), {}},
        {rejected, {usage}},
        {CommandResult{}, {QStringLiteral("Failed to run pgrep: no exit status")}},
    };
    PrintCapture printed;
    for (const Step& step : steps) {
        fixture.commands.script(ToolPaths::pgrep(), [&step](const QStringList&) { return step.answer; });
        printed.clear();
        check();
        EXPECT_EQ(printed.lines(), step.printed);
        EXPECT_EQ(fixture.signaller.sent, kFrozen) << "no answer thaws nothing";
    }
    fixture.commands.script(ToolPaths::pgrep(), [](const QStringList&) { return exited(1); });
    check();
    EXPECT_EQ(fixture.signaller.sent.mid(3), kThawed);
}

TEST_F(WatcherAutomationTest, APidWeNeverFrozeIsNeverThawed)
{
    service().setSuspendedPIDs({4242});
    check(); // the switch is off: thaw what is listed
    EXPECT_TRUE(fixture.signaller.sent.isEmpty());
    EXPECT_TRUE(service().suspendedPIDs().isEmpty());
}

TEST_F(WatcherAutomationTest, BatteryShieldInDemoModeEjectsAndMarksRowsWithoutCommands)
{
    LocalAIService& ai = service();
    ai.setDemoMode(true);
    ai.setBatteryShieldEnabled(true);
    ai.setVmAutoSleepEnabled(true);
    ASSERT_TRUE(runTask(ai.updateModels()));
    ai.setActiveVectorDBs(LocalAIExamples::vectorDatabases());

    unplugged = false;
    ai.applyBatteryShieldMode();
    EXPECT_EQ(ai.activeModels().size(), 2);

    unplugged = true;
    ai.applyBatteryShieldMode();
    EXPECT_TRUE(ai.activeModels().isEmpty());
    EXPECT_EQ(ai.status(), OllamaStatus::idle);
    for (const auto& row : ai.activeVectorDBs())
        EXPECT_EQ(row.status, "Suspended (Battery Shield)");
    ASSERT_TRUE(runTask(ai.stopColimaVM()));
    EXPECT_TRUE(commandLines().isEmpty());
}

TEST_F(WatcherAutomationTest, BatteryShieldLivePausesScannedContainersAndEjectsOnePassAtATime)
{
    server.answerPs(200, R"({"models":[{"name":"a:1b","size":1},{"name":"b:2b","size":2}]})");
    server.setGenerateAnswer({200, "{\"done\":true}", 150ms, false, {}});
    LocalAIService& ai = service();
    ai.setVmAutoSleepEnabled(true);
    ASSERT_TRUE(runTask(ai.updateModels()));
    ASSERT_TRUE(runTask(ai.scanVectorDatabases()));
    // A shown example row is not a container of this machine.
    ai.setActiveVectorDBs(ai.activeVectorDBs() + LocalAIExamples::vectorDatabases().mid(1));

    ai.applyBatteryShieldMode(); // shield off
    fixture.commands.clearCalls();
    ai.applyBatteryShieldMode();
    EXPECT_TRUE(fixture.commands.calls().isEmpty());
    EXPECT_EQ(ai.activeVectorDBs().at(0).status, "Running");

    ai.setBatteryShieldEnabled(true);
    ai.applyBatteryShieldMode();
    EXPECT_EQ(commandLines(), (QStringList{ToolPaths::docker() + " pause abc123", "& " + ToolPaths::colima() + " stop"}));
    for (const auto& row : ai.activeVectorDBs())
        EXPECT_EQ(row.status, "Suspended (Battery Shield)");

    // Ticks while the pass still waits start no second pass.
    ai.applyBatteryShieldMode();
    ai.applyBatteryShieldMode();
    ASSERT_TRUE(waitUntil([&] { return server.psRequestCount() == 3; }));
    EXPECT_EQ(server.generateBodies(),
              (QList<QByteArray>{R"({"model":"a:1b","keep_alive":0})", R"({"model":"b:2b","keep_alive":0})"}));
    // Once it has finished, the next tick starts a new one.
    EXPECT_TRUE(waitUntil([&] {
        ai.applyBatteryShieldMode();
        return server.generateBodies().size() > 2;
    }));

    fixture.commands.clearCalls();
    ASSERT_TRUE(runTask(ai.stopColimaVM()));
    EXPECT_EQ(commandLines(), QStringList{"& " + ToolPaths::colima() + " stop"});
}

TEST_F(WatcherAutomationTest, TickRunsItsStepsInOrderAndDropsAnOverlappingOne)
{
    server.answerPs(200, R"({"models":[]})");
    server.setPsAnswer({200, R"({"models":[]})", 150ms, false, {}});
    std::optional<OllamaStatus> statusAtPgrep;
    fixture.commands.script(ToolPaths::pgrep(), [this, &statusAtPgrep](const QStringList&) {
        statusAtPgrep = service().status();
        return exited(1);
    });
    LocalAIService& ai = service();
    ai.setCompileAutoSuspendEnabled(true);
    ai.setBatteryShieldEnabled(true);

    auto first = ai.tick();
    ASSERT_TRUE(runTask(ai.tick())); // dropped at once
    EXPECT_TRUE(commandLines().isEmpty());
    ASSERT_TRUE(runTask(std::move(first)));
    EXPECT_EQ(server.psRequestCount(), 1);
    EXPECT_EQ(statusAtPgrep, OllamaStatus::idle);
    EXPECT_EQ(commandLines(), (QStringList{ToolPaths::pgrep() + " -x xcodebuild|swiftc|clang|swift-frontend|make|cmake",
                                           ToolPaths::docker() + " ps --format {{.ID}}|{{.Names}}|{{.Ports}}|{{.State}}",
                                           ToolPaths::docker() + " pause abc123"}));
}

TEST_F(WatcherAutomationTest, PollingStartsAfterConstructionNotInsideIt)
{
    LocalAIService::Deps deps = fixture.deps(server.baseUrl());
    LocalAIService ai(std::move(deps), true);
    ai.setDemoMode(false);
    EXPECT_EQ(server.psRequestCount(), 0);
    EXPECT_TRUE(waitUntil([&] { return server.psRequestCount() == 1; }));
}

// A copy of sleep named like a model server, frozen and thawed for real.
TEST(WatcherRealProcessTest, FreezesAndThawsARealModelServerNamedProcess)
{
    {
        // Never touch a model server that really runs here.
        ProcessTable table;
        ASSERT_TRUE(table.refresh());
        for (const ProcessEntry& process : table.processes())
            for (const QString& name : kServerNames)
                if (ProcessNameMatch::matches(process, name))
                    GTEST_SKIP() << "a process named " << name.toStdString() << " runs on this machine";
    }
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("ollama_llama_server"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), program));
    QProcess child;
    child.start(program, {QStringLiteral("30")});
    ASSERT_TRUE(child.waitForStarted());
    const qint32 pid = qint32(child.processId());
    const auto state = [pid] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
        const qsizetype close = line.lastIndexOf(')');
        return close < 0 ? '?' : line.at(close + 2);
    };

    FakeCommandRunner commands;
    bool buildRunning = true;
    commands.script(ToolPaths::pgrep(), [&](const QStringList&) { return exited(buildRunning ? 0 : 1); });
    LocalAIService::Deps deps;
    deps.commands = &commands;
    {
        LocalAIService ai(deps, false);
        ai.setCompileAutoSuspendEnabled(true);
        ASSERT_TRUE(runTask(ai.checkAndApplyAutoSuspend()));
        EXPECT_EQ(ai.suspendedPIDs(), QList<qint32>{pid});
        EXPECT_TRUE(waitUntil([&] { return state() == 'T'; })) << state();

        buildRunning = false;
        ASSERT_TRUE(runTask(ai.checkAndApplyAutoSuspend()));
        EXPECT_TRUE(ai.suspendedPIDs().isEmpty());
        EXPECT_TRUE(waitUntil([&] { return state() == 'S'; })) << state();
    }
    child.kill();
    child.waitForFinished();
}
