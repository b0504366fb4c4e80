#include "core/ProcessStartTime.h"
#include "platform/ProcessSignaller.h"
#include "support/SleepChild.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

TEST(ProcessSignallerTest, RefusesInitKernelAndOurselves)
{
    ProcessSignaller& signaller = ProcessSignaller::system();
    EXPECT_EQ(signaller.send(0, 0), SignalOutcome::refused);
    EXPECT_EQ(signaller.send(1, 0), SignalOutcome::refused);
    EXPECT_EQ(signaller.send(-1, SIGCONT), SignalOutcome::refused);
    EXPECT_EQ(signaller.send(qint32(::getpid()), SIGCONT), SignalOutcome::refused);
    EXPECT_TRUE(ProcessSignaller::isForbiddenPid(qint32(::getpid())));
}

TEST(ProcessSignallerTest, StartTimeGuardsAgainstAReusedPid)
{
    SleepChild child;
    ProcessSignaller& signaller = ProcessSignaller::system();
    const auto started = readProcessStartTime(child.pid());
    ASSERT_TRUE(started);

    EXPECT_EQ(signaller.send(child.pid(), SIGTERM, *started + 1), SignalOutcome::noSuchProcess);
    EXPECT_TRUE(signaller.exists(child.pid())) << "a mismatched start time must not deliver the signal";

    EXPECT_EQ(signaller.send(child.pid(), SIGTERM, *started), SignalOutcome::sent);
    EXPECT_TRUE(child.process.waitForFinished(3000));
    EXPECT_EQ(child.process.exitStatus(), QProcess::CrashExit);
}

TEST(ProcessSignallerTest, StatParsingSurvivesHostileCommandNames)
{
    // A name with spaces and parentheses must not shift the fields.
    const QByteArray line = "4242 (evil ) name (x) S 1 4242 4242 0 -1 4194560 100 0 0 0 5 3 0 0 20 0 1 0 "
                            "987654 1000 100 18446744073709551615";
    EXPECT_EQ(parseStartTimeFromStat(line.constData(), line.size()), quint64(987654));
    EXPECT_FALSE(parseStartTimeFromStat("12 (x) S 1 2", 12));
}
