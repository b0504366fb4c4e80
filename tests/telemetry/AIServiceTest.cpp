#include "telemetry/AIService.h"

#include "fakes/FakeCommandRunner.h"
#include "fakes/ManualScheduler.h"
#include "platform/CommandRunner.h"
#include "platform/ToolPaths.h"
#include "support/PrintCapture.h"
#include "support/ScopedEnv.h"
#include "support/TaskRunner.h"
#include "QStringPrinter.h"
#include "ScriptToolRunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString genericTail = QStringLiteral("'. It is likely a standard application or a background service.");

CommandResult whatisOutput(const QByteArray& out, const QByteArray& err = {}, int exitCode = 0)
{
    CommandResult result;
    result.started = true;
    result.exitCode = exitCode;
    result.standardOutput = out;
    result.standardError = err;
    return result;
}

class AIServiceTest : public ::testing::Test {
protected:
    void answerWhatis(const CommandResult& result)
    {
        runner.script(ToolPaths::whatis(), [result](const QStringList&) { return result; });
    }
    QString explain(const QString& name) { return runTask(service.explainProcess(name)).value_or(QStringLiteral("<none>")); }
    QString report(double temp, double memory, int battery, double cpu = 55)
    {
        return runTask(service.generateHealthReport(cpu, temp, memory, battery)).value_or(QStringLiteral("<none>"));
    }
    QString chat(const QString& query)
    {
        return runTask(service.chatWithSystem(query, [this] { return figures; })).value_or(QStringLiteral("<none>"));
    }

    FakeCommandRunner runner;
    ManualScheduler scheduler;
    AIService service{runner, scheduler};
    TelemetryFigures figures{42.25, 30, 55.55, 77};
};

// --- explainProcess -------------------------------------------------------

TEST_F(AIServiceTest, ExplainAnswersFromTheManualIndexFirst)
{
    answerWhatis(whatisOutput(" \n docker (1) - Docker image and container command line interface\n"
                              "docker (8) - second entry \n\n"));
    EXPECT_EQ(explain(QStringLiteral("Docker")),
              QStringLiteral("Local AI (via man pages): docker (1) - Docker image and container command line "
                             "interface\ndocker (8) - second entry"));
    ASSERT_EQ(runner.calls().size(), 1);
    EXPECT_EQ(runner.calls().first().program, ToolPaths::whatis());
    EXPECT_EQ(runner.calls().first().arguments, QStringList({"--", "docker"}));
    EXPECT_EQ(scheduler.delays(), QList<std::chrono::milliseconds>({500ms}));
}

TEST_F(AIServiceTest, ExplainFallsBackToTheTableWhenTheIndexHasNothing)
{
    // man-db's answer on stderr, nothing on stdout.
    answerWhatis(whatisOutput({}, "windowserver: nothing appropriate.\n", 16));
    EXPECT_EQ(explain(QStringLiteral("WindowServer")),
              QStringLiteral("Manages everything you see on the screen. High usage is common when using multiple "
                             "monitors or heavy UI animations."));

    // The same words on stdout also count as no entry.
    answerWhatis(whatisOutput("kernel_task: nothing appropriate.\n"));
    EXPECT_EQ(explain(QStringLiteral("KERNEL_TASK")),
              QStringLiteral("This is macOS's core system process. High CPU usage here usually means the OS is "
                             "managing heat by throttling the CPU, not necessarily doing heavy work."));

    // Output that is not UTF-8 and a whatis that hangs leave the table to decide.
    answerWhatis(whatisOutput("chrome (1) - \xff\xfe broken\n"));
    EXPECT_EQ(explain(QStringLiteral("Google Chrome")),
              QStringLiteral("A web browser known for using isolated processes per tab."));
    CommandResult hung = whatisOutput("xcode (1) - partial");
    hung.timedOut = true;
    answerWhatis(hung);
    EXPECT_EQ(explain(QStringLiteral("Xcode")), QStringLiteral("Apple's IDE. Compiling consumes significant CPU and RAM."));
}

TEST_F(AIServiceTest, ExplainTableRowsMatchWholeLowercasedNames)
{
    answerWhatis(whatisOutput({}));
    EXPECT_EQ(explain(QStringLiteral("mDNSResponder")),
              QStringLiteral("Handles Bonjour networking, discovering devices on your local network."));
    EXPECT_EQ(explain(QStringLiteral("docker")), QStringLiteral("Runs containerized applications."));
    // A partial match is no match.
    EXPECT_EQ(explain(QStringLiteral("dockerd")), QStringLiteral("This process is named 'dockerd") + genericTail);
}

TEST_F(AIServiceTest, ExplainQuotesAnUnknownNameAsPassed)
{
    answerWhatis(whatisOutput({}, "mytool: nothing appropriate.\n", 16));
    EXPECT_EQ(explain(QStringLiteral("MyTool")), QStringLiteral("This process is named 'MyTool") + genericTail);
    EXPECT_EQ(runner.calls().last().arguments, QStringList({"--", "mytool"}));
}

TEST_F(AIServiceTest, ExplainReportsAWhatisThatCannotStart)
{
    PrintCapture printed;
    // No script: the fake answers like a missing tool.
    EXPECT_EQ(explain(QStringLiteral("trustd")),
              QStringLiteral("Evaluates security certificates. It ensures the apps and websites you connect to are "
                             "authentic."));
    EXPECT_EQ(explain(QStringLiteral("MyTool")), QStringLiteral("This process is named 'MyTool") + genericTail);
    // The second failure is counted rather than printed again; the count
    // goes out with the next line.
    const QString failed = QStringLiteral("whatis failed: no such file: ") + ToolPaths::whatis();
    kestrova::print(QStringLiteral("next"));
    EXPECT_EQ(printed.lines(), (QStringList{failed, kestrova::repeatedLine(1), QStringLiteral("next")}));
}

TEST_F(AIServiceTest, ExplainNeverPassesANameAsAnOption)
{
    answerWhatis(whatisOutput({}));
    for (const QString& name : {QStringLiteral("-C/x"), QStringLiteral("--config-file=y"), QStringLiteral("--help")})
        EXPECT_EQ(explain(name), QStringLiteral("This process is named '") + name + genericTail);
    ASSERT_EQ(runner.calls().size(), 3);
    EXPECT_EQ(runner.calls().at(0).arguments, QStringList({"--", "-c/x"}));
    EXPECT_EQ(runner.calls().at(1).arguments, QStringList({"--", "--config-file=y"}));
    EXPECT_EQ(runner.calls().at(2).arguments, QStringList({"--", "--help"}));
}

TEST(AIServiceWithRealWhatis, OptionLikeNamesAreLookedUpNotObeyed)
{
    if (!QFileInfo(ToolPaths::whatis()).isExecutable())
        GTEST_SKIP() << "whatis is not installed";
    // Unguarded, "--help" and "--version" would print whatis's usage or
    // version on stdout, and that text would come back as the explanation.
    ManualScheduler scheduler;
    AIService service(CommandRunner::system(), scheduler);
    for (const QString& name : {QStringLiteral("--help"), QStringLiteral("--version"), QStringLiteral("-?")})
        EXPECT_EQ(runTask(service.explainProcess(name)).value_or(QString()),
                  QStringLiteral("This process is named '") + name + genericTail);
}

TEST(AIServiceWithRealWhatis, ExplainsFromAPageInTheManualIndex)
{
    const QString mandb = ToolPaths::tool(QStringLiteral("mandb"));
    if (!ToolPaths::whatis().contains(QLatin1Char('/')) || !mandb.contains(QLatin1Char('/')))
        GTEST_SKIP() << "man-db is not installed";
    // A page of our own, indexed in a folder of our own, so the answer does
    // not depend on which manual pages this machine carries.
    QTemporaryDir manpath;
    QDir().mkpath(manpath.filePath(QStringLiteral("man1")));
    QFile page(manpath.filePath(QStringLiteral("man1/kestrovaprobe.1")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write(".TH KESTROVAPROBE 1\n.SH NAME\nkestrovaprobe \\- answers the contract test\n");
    page.close();
    const auto indexed = runTask(CommandRunner::system().run(mandb, {QStringLiteral("-q"), manpath.path()}, 30s));
    if (!indexed || !indexed->succeeded())
        GTEST_SKIP() << "mandb cannot index a folder here";
    ScopedEnv env("MANPATH", manpath.path().toLocal8Bit());

    ManualScheduler scheduler;
    AIService service(CommandRunner::system(), scheduler);
    const QString answer = runTask(service.explainProcess(QStringLiteral("KestrovaProbe"))).value_or(QString());
    EXPECT_TRUE(answer.startsWith(QStringLiteral("Local AI (via man pages): kestrovaprobe (1)"))) << answer.toStdString();
    EXPECT_TRUE(answer.endsWith(QStringLiteral("- answers the contract test"))) << answer.toStdString();
}

TEST(AIServiceWithSlowTool, ExplainKeepsTheEventLoopTurning)
{
    ScriptToolRunner runner("sleep 0.3; echo 'slowtool (1) - takes its time'");
    ManualScheduler scheduler;
    AIService service(runner, scheduler);
    int turns = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] { ++turns; });
    beat.start(20);
    EXPECT_EQ(runTask(service.explainProcess(QStringLiteral("SlowTool"))).value_or(QString()),
              QStringLiteral("Local AI (via man pages): slowtool (1) - takes its time"));
    EXPECT_EQ(runner.programs(), QStringList({ToolPaths::whatis()}));
    EXPECT_GE(turns, 5);
}

// --- generateHealthReport -------------------------------------------------

TEST_F(AIServiceTest, HealthReportAtItsBoundaries)
{
    const QString tail =
        QStringLiteral("\n\nLocal AI Recommendation: Keep ambient temperatures low to improve P-Core efficiency.");
    EXPECT_EQ(report(80, 80.1, 20),
              QStringLiteral("Based on local telemetry, your Mac is operating within normal thermal parameters. "
                             "Memory pressure is high; consider closing unused browser tabs. Battery level is at "
                             "20%. ")
                  + tail);
    EXPECT_EQ(report(80.1, 80, 19, -1),
              QStringLiteral("Based on local telemetry, your Mac is operating hotter than usual. Memory usage is "
                             "optimal. Battery is low (19%). Connect to power soon to avoid degradation of your "
                             "active sessions.")
                  + tail);
    EXPECT_EQ(scheduler.delays(), QList<std::chrono::milliseconds>({1000ms, 1000ms}));
}

// --- chatWithSystem -------------------------------------------------------

TEST_F(AIServiceTest, ChatThermalRuleIsStrictlyAbove80)
{
    figures.socTemperature = 80.0;
    EXPECT_EQ(chat(QStringLiteral("Is it hot in here?")),
              QStringLiteral("Your Mac is running cool at 80.0\u00B0C. There is no immediate risk of thermal "
                             "throttling right now."));
    figures.socTemperature = 80.01;
    EXPECT_EQ(chat(QStringLiteral("temperature")),
              QStringLiteral("Your SoC is currently running hot at 80.0\u00B0C. The system is under heavy load. I "
                             "recommend checking the CPU tab and freezing the top process."));
    EXPECT_EQ(scheduler.delays(), QList<std::chrono::milliseconds>({800ms, 800ms}));
}

TEST_F(AIServiceTest, ChatBatteryRuleTurnsAt50)
{
    figures.batteryPercentage = 50;
    EXPECT_EQ(chat(QStringLiteral("How is my BATTERY?")),
              QStringLiteral("Your battery health is excellent at 50%. No extreme drain detected at the moment."));
    figures.batteryPercentage = 49;
    EXPECT_EQ(chat(QStringLiteral("power")),
              QStringLiteral("Your battery is at 49%. You are draining power. Freezing inactive apps using the "
                             "snowflake icon in the CPU tab will significantly extend your remaining time."));
}

TEST_F(AIServiceTest, ChatSlownessRuleIsStrictlyAbove75)
{
    figures.memoryPressure = 75.4;
    EXPECT_EQ(chat(QStringLiteral("memory?")),
              QStringLiteral("Memory pressure is low (75%) and CPU is optimal. If you're experiencing lag, it might "
                             "be an issue isolated to a specific app."));
    figures.memoryPressure = 75.0;
    EXPECT_TRUE(chat(QStringLiteral("lag")).startsWith(QStringLiteral("Memory pressure is low (75%)")));
    figures.memoryPressure = 75.49;
    EXPECT_TRUE(chat(QStringLiteral("lag")).startsWith(QStringLiteral("Memory pressure is low (75%)")));
    figures.memoryPressure = 75.5;
    EXPECT_TRUE(chat(QStringLiteral("lag")).startsWith(QStringLiteral("Memory pressure is high at 76%.")));
    figures.memoryPressure = 75.6;
    EXPECT_EQ(chat(QStringLiteral("Everything feels slow")),
              QStringLiteral("Memory pressure is high at 76%. Your system is likely swapping to disk, which causes "
                             "lag. Try closing background apps or browser tabs."));
}

TEST_F(AIServiceTest, ChatNetworkAndFallbackAnswers)
{
    const QString network = QStringLiteral("I am currently monitoring your active network connections. Check the "
                                           "Network tab to ensure no unwanted tracking domains are active.");
    EXPECT_EQ(chat(QStringLiteral("What about my privacy")), network);
    EXPECT_EQ(chat(QStringLiteral("subnetworking")), network);

    figures.cpuUsage = 12.345;
    figures.memoryPressure = 75.4;
    const QString fallback = QStringLiteral("I am analyzing your system locally using Apple's Neural Engine APIs. "
                                            "Your CPU is at 12.3% and Memory Pressure is 75%. How else can I help?");
    EXPECT_EQ(chat(QString()), fallback);
    EXPECT_EQ(chat(QStringLiteral("  ?!  ")), fallback);
    // Word tests are exact: "fanatic" is no fan, "laggards" no lag.
    EXPECT_EQ(chat(QStringLiteral("I am a fanatic about laggards")), fallback);
}

TEST_F(AIServiceTest, ChatMatchesInflectedWordsThroughTheirLemmas)
{
    figures.socTemperature = 55.55;
    const QString cool = QStringLiteral("Your Mac is running cool at 55.5\u00B0C. There is no immediate risk of "
                                        "thermal throttling right now.");
    EXPECT_EQ(chat(QStringLiteral("Why are my fans so loud?")), cool);
    EXPECT_EQ(chat(QStringLiteral("Show the temperatures")), cool);

    const QString draining = QStringLiteral("Your battery is at 40%. You are draining power. Freezing inactive apps "
                                            "using the snowflake icon in the CPU tab will significantly extend your "
                                            "remaining time.");
    figures.batteryPercentage = 40;
    EXPECT_EQ(chat(QStringLiteral("Why has it drained so fast?")), draining);
    EXPECT_EQ(chat(QStringLiteral("What is draining it")), draining);
    EXPECT_EQ(chat(QStringLiteral("Is it powered?")), draining);

    EXPECT_TRUE(chat(QStringLiteral("The UI keeps lagging")).startsWith(QStringLiteral("Memory pressure is low")));
    EXPECT_TRUE(chat(QStringLiteral("My memories")).startsWith(QStringLiteral("Memory pressure is low")));
}

TEST_F(AIServiceTest, ChatTakesTheFirstRuleThatMatches)
{
    // "photos" contains "hot": the thermal rule wins over the slowness rule.
    EXPECT_TRUE(chat(QStringLiteral("why are my photos so slow")).startsWith(QStringLiteral("Your Mac is running cool")));
    EXPECT_TRUE(chat(QStringLiteral("battery and network")).startsWith(QStringLiteral("Your battery health")));
    EXPECT_TRUE(chat(QStringLiteral("slow network")).startsWith(QStringLiteral("Memory pressure")));
}

TEST(AIServiceChat, ReadsTheFiguresAfterTheWait)
{
    FakeCommandRunner runner;
    ManualScheduler scheduler(false);
    AIService service(runner, scheduler);
    int reads = 0;
    TelemetryFigures live{10, 20, 30, 90};
    std::optional<QString> answer;
    // The coroutine lambda is kept in a variable: its captures must outlive
    // the suspended task.
    auto ask = [&]() -> QCoro::Task<> {
        // A named task: GCC 12 miscompiles co_await on a temporary built
        // from a capturing lambda.
        QCoro::Task<QString> reply = service.chatWithSystem(QStringLiteral("hot?"), [&] {
            ++reads;
            return live;
        });
        answer = co_await std::move(reply);
    };
    auto task = ask();
    EXPECT_EQ(reads, 0);
    live.socTemperature = 91.24;
    scheduler.advance(799ms);
    EXPECT_FALSE(answer.has_value());
    scheduler.advance(1ms);
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }));
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(answer->startsWith(QStringLiteral("Your SoC is currently running hot at 91.2\u00B0C.")));
}

TEST(AIServiceChat, AnswersWithZeroFiguresWithoutASource)
{
    FakeCommandRunner runner;
    ManualScheduler scheduler;
    AIService service(runner, scheduler);
    EXPECT_EQ(runTask(service.chatWithSystem(QStringLiteral("hello"), {})).value_or(QString()),
              QStringLiteral("I am analyzing your system locally using Apple's Neural Engine APIs. Your CPU is at "
                             "0.0% and Memory Pressure is 0%. How else can I help?"));
}

} // namespace
