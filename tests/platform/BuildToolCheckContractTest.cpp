// The build-tool check's command line, run by the real pgrep against
// processes the test starts: Debian's pgrep takes a single pattern.
#include "platform/ProcessCommandRunner.h"
#include "platform/ToolCommands.h"
#include "support/SleepChild.h"
#include "support/TaskRunner.h"

#include <QByteArrayList>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(BuildToolCheckContract, RealPgrepAcceptsTheLineAndMatchesOnlyWholeNames)
{
    const ToolCommand check = ToolCommands::buildToolCheck();
    if (!check.program.contains(QLatin1Char('/')))
        GTEST_SKIP() << "pgrep is not installed";
    // Other builds on the machine may match as well; ours must be among
    // the matches, and names that only contain a tool's name must not.
    SleepChild make(QStringLiteral("make"));
    SleepChild clang(QStringLiteral("clang"));
    SleepChild longer(QStringLiteral("xcodebuildz"));
    SleepChild suffix(QStringLiteral("zcmake"));

    ProcessCommandRunner runner;
    const auto result = runTask(runner.runTool(check, 10s));
    ASSERT_TRUE(result);
    ASSERT_TRUE(result->started) << result->errorString.toStdString();
    ASSERT_EQ(result->exitCode, 0) << result->standardError.toStdString();
    const QByteArrayList pids = result->standardOutput.split('\n');
    EXPECT_TRUE(pids.contains(QByteArray::number(make.pid())));
    EXPECT_TRUE(pids.contains(QByteArray::number(clang.pid())));
    EXPECT_FALSE(pids.contains(QByteArray::number(longer.pid())));
    EXPECT_FALSE(pids.contains(QByteArray::number(suffix.pid())));
}
