#include "platform/ProcessCommandRunner.h"
#include "support/TaskRunner.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(CommandRunnerTest, ArgumentsReachTheChildVerbatimWithoutAShell)
{
    ProcessCommandRunner runner;
    const QStringList args{QStringLiteral("%s|"), QStringLiteral("a; rm -rf x"), QStringLiteral("$(id)"),
                           QStringLiteral("`uname`"), QStringLiteral("*")};
    const auto result = runTask(runner.run(QStringLiteral("/usr/bin/printf"), args, 5s));
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->succeeded());
    EXPECT_EQ(result->standardOutput, QByteArray("a; rm -rf x|$(id)|`uname`|*|"));
}

TEST(CommandRunnerTest, ChildSeesTheCLocale)
{
    ProcessCommandRunner runner;
    const auto result = runTask(runner.run(QStringLiteral("/usr/bin/env"), {}, 5s));
    ASSERT_TRUE(result && result->succeeded());
    EXPECT_TRUE(result->standardOutput.contains("\nLC_ALL=C\n") || result->standardOutput.startsWith("LC_ALL=C\n"));
}

TEST(CommandRunnerTest, MissingOrRelativeToolIsAStartFailure)
{
    ProcessCommandRunner runner;
    const auto missing = runTask(runner.run(QStringLiteral("/usr/bin/no-such-tool-kestrova"), {}, 5s));
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->started);
    EXPECT_FALSE(missing->succeeded());
    EXPECT_FALSE(missing->errorString.isEmpty());

    const auto relative = runTask(runner.run(QStringLiteral("printf"), {QStringLiteral("x")}, 5s));
    ASSERT_TRUE(relative);
    EXPECT_FALSE(relative->started);
    EXPECT_FALSE(runner.startDetached(QStringLiteral("/usr/bin/no-such-tool-kestrova"), {}));
}

TEST(CommandRunnerTest, TimeOutKillsTheChildAndDoesNotBlockTheEventLoop)
{
    ProcessCommandRunner runner;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    QElapsedTimer clock;
    clock.start();
    const auto result = runTask(runner.run(QStringLiteral("/bin/sleep"), {QStringLiteral("5")}, 300ms));
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->started);
    EXPECT_TRUE(result->timedOut);
    EXPECT_FALSE(result->succeeded());
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_GE(ticks, 5) << "the event loop must keep turning while a command runs";
}

TEST(CommandRunnerTest, NonZeroExitIsNotSuccess)
{
    ProcessCommandRunner runner;
    const auto result = runTask(runner.run(QStringLiteral("/bin/false"), {}, 5s));
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->started);
    EXPECT_EQ(result->exitCode, 1);
    EXPECT_FALSE(result->succeeded());
}
