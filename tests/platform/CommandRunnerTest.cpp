#include "platform/ProcessCommandRunner.h"
#include "support/TaskRunner.h"

#include <QElapsedTimer>
#include <QCoroTask>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>

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
    EXPECT_FALSE(runner.startDetached(QStringLiteral("/usr/bin/no-such-tool-kestrova"), {}, {}));

    // Executable but not a program: the exec fails after the fork.
    QTemporaryDir scratch;
    const QString bogus = scratch.filePath(QStringLiteral("bogus"));
    QFile file(bogus);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x7f" "ELF, but no more");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    const auto unrunnable = runTask(runner.run(bogus, {}, 5s));
    ASSERT_TRUE(unrunnable);
    EXPECT_FALSE(unrunnable->started);
    EXPECT_TRUE(unrunnable->errorString.contains(QStringLiteral("Exec format error")))
        << unrunnable->errorString.toStdString();
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

namespace {

constexpr char quitHelperVariable[] = "KESTROVA_COMMAND_AT_QUIT";

QCoro::Task<> runUntilTheApplicationGoes(ProcessCommandRunner& runner)
{
    struct Unwinding {
        ~Unwinding() { std::fputs("caller unwound\n", stdout), std::fflush(stdout); }
    } unwinding;
    const QString program = QStringLiteral("/bin/sleep");
    const QStringList arguments{QStringLiteral("30")};
    co_await runner.run(program, arguments, 60s);
}

} // namespace

// A copy of this test binary starts a command and leaves before its event
// loop has even seen the child start: the caller is unwound with the
// application, not left suspended for ever (a leaked frame and child).
TEST(CommandRunnerTest, ACommandStillStartingWhenTheApplicationGoesUnwindsItsCaller)
{
    QProcess copy;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(quitHelperVariable), QStringLiteral("1"));
    copy.setProcessEnvironment(environment);
    copy.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    copy.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--gtest_filter=CommandRunnerQuitHelper.StartsACommandAndLeaves")});
    ASSERT_TRUE(copy.waitForFinished(20000));
    const QByteArray output = copy.readAllStandardOutput();
    EXPECT_EQ(copy.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("caller unwound")) << output.toStdString();
}

// Runs only inside the copy started by the test above.
TEST(CommandRunnerQuitHelper, StartsACommandAndLeaves)
{
    if (qEnvironmentVariableIsEmpty(quitHelperVariable))
        GTEST_SKIP() << "runs only as the child of CommandRunnerTest.ACommandStillStartingWhenTheApplicationGoesUnwindsItsCaller";
    static ProcessCommandRunner runner;
    runUntilTheApplicationGoes(runner);
}
