#include "core/Random.h"
#include "fakes/FakeClock.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/QuitSignalRouter.h"
#include "platform/SessionProcessGuard.h"
#include "support/PrintCapture.h"
#include "support/TaskRunner.h"
#include "telemetry/ProcessMonitor.h"

#include <QApplication>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <sys/prctl.h>
#include <unistd.h>

// Freezes and resumes real `sleep` children of this test, never anything else.
namespace {

const char* const freezePidVariable = "KESTROVA_TEST_FREEZE_PID";

char stateOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return '?';
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && close + 2 < line.size() ? line.at(close + 2) : '?';
}

// Returned once the child sleeps. Until then it is still loading: it reads
// 'R', and for a moment its command line is empty, as a kernel thread's is.
std::unique_ptr<QProcess> startSleep(const std::function<void()>& inChild = {})
{
    auto child = std::make_unique<QProcess>();
    if (inChild)
        child->setChildProcessModifier(inChild);
    child->start(QStringLiteral("/bin/sleep"), {QStringLiteral("60")});
    if (!child->waitForStarted(5000) || !waitUntil([&] { return stateOf(child->processId()) == 'S'; }))
        return nullptr;
    return child;
}

struct LiveMonitor {
    ProcessTable table;
    FakeClock clock;
    Random random{7};
    ProcessMonitor monitor{{&table, &ProcessSignaller::system(), &SessionProcessGuard::system(), nullptr, &clock,
                            &random, {}}};
};

} // namespace

TEST(ProcessMonitorLive, FreezesAndResumesASleepChild)
{
    auto child = startSleep();
    ASSERT_TRUE(child);
    const auto pid = qint32(child->processId());
    LiveMonitor live;
    live.monitor.tick();

    live.monitor.toggleSuspend(pid);
    EXPECT_TRUE(live.monitor.suspendedPids().contains(pid));
    EXPECT_TRUE(waitUntil([&] { return stateOf(pid) == 'T'; })) << stateOf(pid);

    // An idle frozen process stays listed however far down it is.
    live.monitor.tick();
    bool listedFrozen = false;
    for (const ProcessInfoData& row : live.monitor.topProcesses())
        listedFrozen |= row.id == pid && row.isSuspended && row.fullPath == QStringLiteral("/usr/bin/sleep");
    EXPECT_TRUE(listedFrozen);

    live.monitor.toggleSuspend(pid);
    EXPECT_TRUE(live.monitor.suspendedPids().isEmpty());
    EXPECT_TRUE(waitUntil([&] { return stateOf(pid) == 'S'; })) << stateOf(pid);
}

TEST(ProcessMonitorLive, AFrozenChildThatIsKilledLeavesTheSet)
{
    auto child = startSleep();
    ASSERT_TRUE(child);
    const auto pid = qint32(child->processId());
    LiveMonitor live;
    live.monitor.tick();
    live.monitor.toggleSuspend(pid);
    ASSERT_TRUE(waitUntil([&] { return stateOf(pid) == 'T'; }));

    child->kill();
    ASSERT_TRUE(child->waitForFinished(5000));
    live.monitor.tick();
    EXPECT_TRUE(live.monitor.suspendedPids().isEmpty());
}

// A process of another user (nobody's `sleep`), stopped by a user that is
// neither root nor its owner: the kernel itself refuses.
TEST(ProcessMonitorLive, AStopTheSystemRefusesIsSaidOnceAndNothingReadsFrozen)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can start a process as another user";
    auto child = startSleep([] { (void)!::setgid(65534), (void)!::setuid(65534); });
    ASSERT_TRUE(child);
    const auto pid = qint32(child->processId());
    LiveMonitor live;
    live.monitor.tick();
    PrintCapture printed;
    ASSERT_EQ(::setresuid(uid_t(-1), 65533, uid_t(-1)), 0); // root stays the saved uid
    for (int click = 0; click < 3; ++click)
        live.monitor.toggleSuspend(pid);
    EXPECT_EQ(::setresuid(uid_t(-1), 0, uid_t(-1)), 0);
    ::prctl(PR_SET_DUMPABLE, 1); // the uid change cleared it
    live.monitor.tick();

    kestrova::print(QStringLiteral("next")); // brings out a repeat the print guard held back
    const QString refused = QStringLiteral("Cannot suspend sleep (PID %1): Operation not permitted").arg(pid);
    EXPECT_EQ(printed.lines(), (QStringList{refused, QStringLiteral("next")}));
    EXPECT_TRUE(live.monitor.suspendedPids().isEmpty());
    for (const ProcessInfoData& row : live.monitor.topProcesses())
        EXPECT_FALSE(row.id == pid && row.isSuspended);
    EXPECT_EQ(stateOf(pid), 'S');
}

// A copy of this test binary freezes a sleep child and is then terminated
// with SIGTERM, the way a session ends an application: the child must run
// again once that copy has quit.
TEST(ProcessMonitorLive, WhatIsFrozenIsResumedWhenTheApplicationIsTerminated)
{
    auto child = startSleep();
    ASSERT_TRUE(child);
    const qint64 pid = child->processId();

    QProcess app;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(freezePidVariable), QString::number(pid));
    app.setProcessEnvironment(environment);
    app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    app.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=ProcessMonitorQuitHelper.FreezesThenRunsUntilQuit")});
    ASSERT_TRUE(app.waitForStarted(5000));
    ASSERT_TRUE(waitUntil([&] { return stateOf(pid) == 'T'; }, std::chrono::seconds(10)));

    app.terminate(); // SIGTERM
    ASSERT_TRUE(app.waitForFinished(10000));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] { return stateOf(pid) == 'S'; })) << stateOf(pid);
}

// Runs only inside the copy started by the test above.
TEST(ProcessMonitorQuitHelper, FreezesThenRunsUntilQuit)
{
    const QByteArray pidText = qgetenv(freezePidVariable);
    if (pidText.isEmpty())
        GTEST_SKIP() << "runs only as the child of ProcessMonitorLive.WhatIsFrozenIsResumedWhenTheApplicationIsTerminated";
    const qint32 pid = pidText.toInt();
    QuitSignalRouter router;
    LiveMonitor live;
    live.monitor.tick();
    live.monitor.toggleSuspend(pid);
    ASSERT_TRUE(live.monitor.suspendedPids().contains(pid));
    QApplication::exec();
    EXPECT_TRUE(live.monitor.suspendedPids().isEmpty());
}
