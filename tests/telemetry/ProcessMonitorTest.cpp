#include "core/Random.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeIconProvider.h"
#include "fakes/FakeProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "support/PrintCapture.h"
#include "support/LoadedProcTree.h"
#include "support/ScratchHoldRecord.h"
#include "telemetry/ProcessMonitor.h"

#include <QPixmap>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

const QString desktopTree = QStringLiteral(KESTROVA_TEST_DATA "/process/desktop");

// Every draw gives the same figure, so tallies can be checked exactly.
class FixedRandom final : public Random {
public:
    double uniform(double, double) override
    {
        ++draws;
        return value;
    }
    double value = 1.0;
    int draws = 0;
};

QIcon colourIcon(Qt::GlobalColor colour)
{
    QPixmap pixmap(8, 8);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QList<qint32> ids(const QList<ProcessInfoData>& rows)
{
    QList<qint32> result;
    for (const ProcessInfoData& row : rows)
        result.append(row.id);
    return result;
}

QList<qint32> frozenIds(const QList<ProcessInfoData>& rows)
{
    QList<qint32> result;
    for (const ProcessInfoData& row : rows)
        if (row.isSuspended)
            result.append(row.id);
    return result;
}

// A monitor over a fixture /proc tree with fake signals, icons, clock and
// random draws. Every process lives 9000 s by the tree's uptime of 10000 s,
// so a share of p percent is p × 9000 ticks.
class MonitorTest : public ::testing::Test {
protected:
    void build(const QString& procRoot = QString())
    {
        const QString root = procRoot.isEmpty() ? tree.root() : procRoot;
        table = std::make_unique<ProcessTable>(root);
        guard = std::make_unique<SessionProcessGuard>(root);
        monitor = std::make_unique<ProcessMonitor>(ProcessMonitor::Deps{
            table.get(), &signaller, guard.get(), &icons, &clock, &random, [this] { return machineCpu; }, holds});
    }

    void add(qint32 pid, double percent, QByteArray exe = {}, QByteArray name = {}, quint64 startTime = 100000)
    {
        tree.add(pid, percent, exe.isEmpty() ? "/usr/bin/proc" + QByteArray::number(pid) : exe, name, startTime);
        signaller.alive.insert(pid);
    }

    void exit(qint32 pid)
    {
        tree.remove(pid);
        signaller.alive.remove(pid);
    }

    LoadedProcTree tree;
    FakeProcessSignaller signaller;
    FakeIconProvider icons;
    FakeClock clock;
    FixedRandom random;
    double machineCpu = 42.5;
    HoldRecord* holds = nullptr;
    std::unique_ptr<ProcessTable> table;
    std::unique_ptr<SessionProcessGuard> guard;
    std::unique_ptr<ProcessMonitor> monitor;
};

} // namespace

TEST_F(MonitorTest, AnEmptyTableStillAppendsASnapshot)
{
    build();
    monitor->tick();
    EXPECT_TRUE(monitor->topProcesses().isEmpty());
    ASSERT_EQ(monitor->dvrSnapshots().size(), 1);
    const DVRSnapshot& snapshot = monitor->dvrSnapshots().first();
    EXPECT_TRUE(snapshot.topProcesses.isEmpty());
    EXPECT_EQ(snapshot.timestamp, clock.now());
    EXPECT_EQ(snapshot.cpuUsage, 42.5);
    EXPECT_FALSE(snapshot.id.isNull());
}

TEST_F(MonitorTest, ListsTheEightBusiestBusiestFirst)
{
    for (qint32 i = 0; i < 12; ++i)
        add(100 + i, 5.0 * i);
    build();
    QSignalSpy topChanged(monitor.get(), &ProcessMonitor::topProcessesChanged);
    clock.advance(5000);
    monitor->tick();

    EXPECT_EQ(ids(monitor->topProcesses()), (QList<qint32>{111, 110, 109, 108, 107, 106, 105, 104}));
    const ProcessInfoData& first = monitor->topProcesses().first();
    EXPECT_EQ(first.fullPath, QStringLiteral("/usr/bin/proc111"));
    EXPECT_EQ(first.name, QStringLiteral("proc111"));
    EXPECT_NEAR(first.cpuUsage, 55.0, 1e-9);
    EXPECT_NEAR(first.energyImpact, 44.0, 1e-9);
    EXPECT_FALSE(first.isSuspended);
    EXPECT_EQ(topChanged.count(), 1);
    EXPECT_EQ(random.draws, 8); // one draw per row taken

    ASSERT_EQ(monitor->dvrSnapshots().size(), 1);
    EXPECT_EQ(monitor->dvrSnapshots().first().topProcesses, monitor->topProcesses());
    EXPECT_EQ(monitor->dvrSnapshots().first().timestamp, clock.now());
}

TEST_F(MonitorTest, ReadsRealWorldRowsOfADesktopTree)
{
    build(desktopTree);
    monitor->tick();
    // Equal shares (2100 and 2300, 10 % each) keep pid order.
    EXPECT_EQ(ids(monitor->topProcesses()), (QList<qint32>{2001, 1500, 812, 2100, 2300, 2500, 2800, 45}));
    const auto& rows = monitor->topProcesses();
    EXPECT_EQ(rows[0].fullPath, QStringLiteral("/opt/My Tools/code")); // runs of blanks become one space
    EXPECT_EQ(rows[0].name, QStringLiteral("code"));
    EXPECT_NEAR(rows[0].cpuUsage, 180.0, 1e-9);
    // A name that is not UTF-8 is mended in its row and spoils nothing else.
    EXPECT_EQ(rows[3].name, QStringLiteral("bad\uFFFDname"));
    EXPECT_EQ(rows[4].name, QStringLiteral("evil) S 1 (x"));
    EXPECT_EQ(rows[6].name, QStringLiteral("foo helper")); // spaces inside a name are kept
    EXPECT_EQ(rows[7].fullPath, QStringLiteral("kworker/0:1-events"));
}

TEST_F(MonitorTest, FrozenProcessesLeadTheListWithoutTakingPlaces)
{
    for (qint32 i = 0; i < 12; ++i)
        add(100 + i, 5.0 * i);
    build();
    monitor->tick();

    // One idle process far down the list.
    monitor->toggleSuspend(100);
    monitor->tick();
    EXPECT_EQ(ids(monitor->topProcesses()), (QList<qint32>{100, 111, 110, 109, 108, 107, 106, 105, 104}));
    EXPECT_EQ(frozenIds(monitor->topProcesses()), QList<qint32>{100});

    // Three more among the busiest: the 3 frozen, then 8 others.
    monitor->toggleSuspend(100);
    for (const qint32 pid : {104, 111, 109})
        monitor->toggleSuspend(pid);
    monitor->tick();
    EXPECT_EQ(monitor->topProcesses().size(), 11);
    EXPECT_EQ(ids(monitor->topProcesses()), (QList<qint32>{111, 109, 104, 110, 108, 107, 106, 105, 103, 102, 101}));
    EXPECT_EQ(frozenIds(monitor->topProcesses()), (QList<qint32>{111, 109, 104}));
}

TEST_F(MonitorTest, RefusesForbiddenAndSessionProcessesWithOneLine)
{
    add(500, 30.0, "/usr/bin/gnome-shell");
    add(501, 20.0, "/usr/bin/pipewire");
    build();
    monitor->tick();
    PrintCapture printed;
    QSignalSpy setChanged(monitor.get(), &ProcessMonitor::suspendedPidsChanged);
    const qint32 self = qint32(::getpid());
    for (const qint32 pid : {0, 1, self, 500, 501})
        monitor->toggleSuspend(pid);

    EXPECT_EQ(printed.lines(), (QStringList{
                                   QStringLiteral("Cannot suspend critical system process or self (PID 0)"),
                                   QStringLiteral("Cannot suspend critical system process or self (PID 1)"),
                                   QStringLiteral("Cannot suspend critical system process or self (PID %1)").arg(self),
                                   QStringLiteral("Cannot suspend critical system process or self (PID 500)"),
                                   QStringLiteral("Cannot suspend critical system process or self (PID 501)"),
                               }));
    EXPECT_TRUE(signaller.sent.isEmpty());
    EXPECT_TRUE(monitor->suspendedPids().isEmpty());
    EXPECT_EQ(setChanged.count(), 0);
}

TEST_F(MonitorTest, TogglingTwiceStopsThenContinuesTheScannedProcess)
{
    add(300, 10.0, {}, {}, 123456);
    build();
    monitor->tick();
    QSignalSpy setChanged(monitor.get(), &ProcessMonitor::suspendedPidsChanged);

    monitor->toggleSuspend(300);
    EXPECT_EQ(monitor->suspendedPids(), QSet<qint32>{300}); // at once, before the next tick
    EXPECT_FALSE(monitor->topProcesses().first().isSuspended);
    monitor->toggleSuspend(300);
    EXPECT_TRUE(monitor->suspendedPids().isEmpty());

    EXPECT_EQ(signaller.sent,
              (QList<FakeProcessSignaller::Sent>{{300, SIGSTOP}, {300, SIGCONT}}));
    // Both signals are bound to the process the scan saw.
    EXPECT_EQ(signaller.startTimes, (QList<std::optional<quint64>>{123456u, 123456u}));
    EXPECT_EQ(setChanged.count(), 2);
}

TEST_F(MonitorTest, OnlyAStopThatArrivedMarksAProcessFrozen)
{
    add(300, 10.0);
    add(301, 10.0);
    build();
    monitor->toggleSuspend(300); // no scan has seen it yet
    EXPECT_TRUE(signaller.sent.isEmpty());
    monitor->tick();

    signaller.outcomes.insert(300, SignalOutcome::failed);        // another user's process
    signaller.outcomes.insert(301, SignalOutcome::noSuchProcess); // gone since the scan
    PrintCapture printed;
    monitor->toggleSuspend(300);
    monitor->toggleSuspend(301);
    EXPECT_TRUE(monitor->suspendedPids().isEmpty());
    // Only the refusal is said; a process that is gone leaves the list.
    EXPECT_EQ(printed.lines(),
              QStringList{QStringLiteral("Cannot suspend proc300 (PID 300): Operation not permitted")});
}

TEST_F(MonitorTest, AFrozenProcessLeavesTheSetWhenItExitsOrCannotBeSignalled)
{
    add(300, 10.0);
    add(301, 5.0);
    add(302, 1.0);
    build();
    monitor->tick();
    for (const qint32 pid : {300, 301, 302})
        monitor->toggleSuspend(pid);

    exit(300);
    signaller.alive.remove(301); // still listed, but kill(pid, 0) now fails
    QSignalSpy setChanged(monitor.get(), &ProcessMonitor::suspendedPidsChanged);
    monitor->tick();
    EXPECT_EQ(monitor->suspendedPids(), QSet<qint32>{302});
    EXPECT_EQ(setChanged.count(), 1);
    monitor->tick();
    EXPECT_EQ(setChanged.count(), 1); // assigned only when it changes
}

TEST_F(MonitorTest, AStrangerThatReusesAFrozenPidIsNeitherFlaggedNorKept)
{
    add(300, 10.0, {}, {}, 100000);
    build();
    monitor->tick();
    monitor->toggleSuspend(300);

    // The frozen process exits; a new one gets its pid.
    add(300, 10.0, "/usr/bin/stranger", {}, 800000);
    monitor->tick();
    EXPECT_TRUE(monitor->suspendedPids().isEmpty());
    ASSERT_EQ(monitor->topProcesses().size(), 1);
    EXPECT_FALSE(monitor->topProcesses().first().isSuspended);

    // Toggling it now freezes the stranger deliberately; no CONT goes astray.
    monitor->toggleSuspend(300);
    EXPECT_EQ(signaller.sent, (QList<FakeProcessSignaller::Sent>{{300, SIGSTOP}, {300, SIGSTOP}}));
    EXPECT_EQ(signaller.startTimes.last(), std::optional<quint64>(800000u));
}

// A row's freeze is noted down before it is sent and dropped once it is
// refused, resumed or its process is gone; a resume refused at quit stays.
TEST_F(MonitorTest, TheRecordHoldsExactlyWhatIsFrozen)
{
    ScratchHoldRecord held;
    holds = &held.record;
    for (const qint32 pid : {300, 301, 302})
        add(pid, 10.0, {}, {}, 111 * (pid - 299));
    build();
    monitor->tick();
    signaller.outcomes.insert(301, SignalOutcome::failed);
    for (const qint32 pid : {300, 301, 302})
        monitor->toggleSuspend(pid);
    EXPECT_EQ(held.text(), "kestrova-held 1\nprocess 300 111\nprocess 302 333\n");
    exit(302);
    monitor->tick();
    EXPECT_EQ(held.text(), "kestrova-held 1\nprocess 300 111\n");
    monitor->toggleSuspend(300);
    EXPECT_EQ(held.text(), "");
    monitor->toggleSuspend(300);
    monitor->resumeAllSuspended();
    EXPECT_EQ(held.text(), "");
    monitor->toggleSuspend(300);
    signaller.outcomes.insert(300, SignalOutcome::failed);
    monitor->resumeAllSuspended();
    EXPECT_EQ(held.text(), "kestrova-held 1\nprocess 300 111\n");
    monitor.reset();
}

TEST_F(MonitorTest, ResumesEverythingItFroze)
{
    add(300, 10.0, {}, {}, 111);
    add(301, 10.0, {}, {}, 222);
    build();
    monitor->tick();
    monitor->toggleSuspend(300);
    monitor->toggleSuspend(301);
    signaller.sent.clear();
    signaller.startTimes.clear();

    monitor->resumeAllSuspended();
    EXPECT_TRUE(monitor->suspendedPids().isEmpty());
    ASSERT_EQ(signaller.sent.size(), 2);
    for (qsizetype i = 0; i < signaller.sent.size(); ++i) {
        EXPECT_EQ(signaller.sent[i].signal, SIGCONT);
        EXPECT_EQ(signaller.startTimes[i], signaller.sent[i].pid == 300 ? 111u : 222u);
    }

    // A monitor that goes away resumes what it still holds.
    monitor->toggleSuspend(300);
    signaller.sent.clear();
    monitor.reset();
    EXPECT_EQ(signaller.sent, (QList<FakeProcessSignaller::Sent>{{300, SIGCONT}}));
}

TEST_F(MonitorTest, TheSnapshotRingHoldsTheLast120)
{
    add(300, 10.0);
    build();
    for (int i = 0; i < 125; ++i) {
        clock.advance(2000);
        monitor->tick();
    }
    ASSERT_EQ(monitor->dvrSnapshots().size(), 120);
    const QDateTime start = FakeClock().now();
    EXPECT_EQ(monitor->dvrSnapshots().first().timestamp, start.addMSecs(6 * 2000));
    EXPECT_EQ(monitor->dvrSnapshots().last().timestamp, clock.now());
    EXPECT_NE(monitor->dvrSnapshots().first().id, monitor->dvrSnapshots().last().id);
}

TEST_F(MonitorTest, WhilePausedOrderAndMembershipHoldButEachRowFollowsTheScan)
{
    add(300, 10.0);
    add(301, 5.0);
    add(303, 1.0);
    build();
    monitor->tick();
    monitor->setIsPaused(true);

    // A newcomer and a change of order are held back; a freeze, fresh
    // figures and an exit are not.
    monitor->toggleSuspend(301);
    exit(303);
    add(302, 50.0);
    tree.runTwoSeconds({{300, 2.0}, {301, 0.0}, {302, 50.0}});
    QSignalSpy topChanged(monitor.get(), &ProcessMonitor::topProcessesChanged);
    monitor->tick();
    monitor->tick();
    ASSERT_EQ(ids(monitor->topProcesses()), (QList<qint32>{300, 301}));
    EXPECT_EQ(frozenIds(monitor->topProcesses()), QList<qint32>{301});
    EXPECT_NEAR(monitor->topProcesses()[0].cpuUsage, 2.0, 1e-9);
    EXPECT_GE(topChanged.count(), 1);
    EXPECT_EQ(monitor->dvrSnapshots().size(), 1); // a held order is no ranking

    // A second click resumes it, still in place.
    monitor->toggleSuspend(301);
    monitor->tick();
    EXPECT_EQ(ids(monitor->topProcesses()), (QList<qint32>{300, 301}));
    EXPECT_TRUE(frozenIds(monitor->topProcesses()).isEmpty());

    monitor->setIsPaused(false);
    monitor->tick();
    EXPECT_EQ(ids(monitor->topProcesses()), (QList<qint32>{302, 300, 301}));
    EXPECT_EQ(monitor->dvrSnapshots().size(), 2);
}

TEST_F(MonitorTest, FrozenProcessesLeadByTheShareTheyHadWhenFrozen)
{
    for (qint32 i = 0; i < 10; ++i)
        add(300 + i, 5.0 + 5.0 * i);
    build();
    monitor->tick();
    monitor->toggleSuspend(306); // 35 %
    monitor->toggleSuspend(308); // 45 %, second

    // Stopped, they read 0 % while the rest keep their loads.
    QHash<qint32, double> loads;
    for (qint32 i = 0; i < 10; ++i)
        loads.insert(300 + i, i == 6 || i == 8 ? 0.0 : 5.0 + 5.0 * i);
    tree.runTwoSeconds(loads);
    monitor->tick();
    const QList<ProcessInfoData>& rows = monitor->topProcesses();
    ASSERT_EQ(ids(rows).mid(0, 4), (QList<qint32>{308, 306, 309, 307}));
    EXPECT_TRUE(rows[0].isSuspended);
    EXPECT_EQ(rows[0].cpuUsage, 0.0); // the figure is measured; only the rank is kept
    EXPECT_EQ(rows.size(), 10);       // eight running plus the two frozen

    // Resumed, it is ranked by what it uses again.
    monitor->toggleSuspend(308);
    tree.runTwoSeconds(loads);
    monitor->tick();
    EXPECT_FALSE(ids(monitor->topProcesses()).contains(308));
}

TEST_F(MonitorTest, ProcessesOfOneNameShareOneDrainTally)
{
    add(300, 10.0, "/usr/bin/python3");
    add(301, 5.0, "/opt/venv/bin/python3");
    add(302, 1.0, "/usr/bin/make");
    build();
    random.value = 1.0;
    monitor->tick();

    const double first = (10.0 * 0.8 + 1.0) / 3600.0 + (5.0 * 0.8 + 1.0) / 3600.0;
    EXPECT_NEAR(monitor->batteryShameList().value(QStringLiteral("python3")), first, 1e-12);
    EXPECT_NEAR(monitor->topProcesses()[0].totalBatteryDrain, first, 1e-12);
    EXPECT_NEAR(monitor->topProcesses()[1].totalBatteryDrain, first, 1e-12);
    EXPECT_NEAR(monitor->topProcesses()[2].totalBatteryDrain, (1.0 * 0.8 + 1.0) / 3600.0, 1e-12);

    // The tally runs on from tick to tick, and outlives the processes.
    monitor->tick();
    EXPECT_NEAR(monitor->batteryShameList().value(QStringLiteral("python3")), 2 * first, 1e-12);
    exit(300);
    exit(301);
    monitor->tick();
    EXPECT_NEAR(monitor->batteryShameList().value(QStringLiteral("python3")), 2 * first, 1e-12);
}

TEST_F(MonitorTest, IconsComeFromTheOutermostBundleThenTheFileAndAreCached)
{
    add(300, 30.0, "/opt/Foo.app/Contents/Helpers/Bar.app/bin/foo helper");
    add(301, 20.0, "/usr/bin/gimp");
    add(302, 10.0, "/usr/bin/nothing");
    icons.icons.insert(QStringLiteral("/opt/Foo.app"), colourIcon(Qt::red));
    icons.icons.insert(QStringLiteral("/usr/bin/gimp"), colourIcon(Qt::green));
    build();
    monitor->tick();

    const auto& rows = monitor->topProcesses();
    EXPECT_EQ(rows[0].icon.cacheKey(), icons.icons.value(QStringLiteral("/opt/Foo.app")).cacheKey());
    EXPECT_EQ(rows[1].icon.cacheKey(), icons.icons.value(QStringLiteral("/usr/bin/gimp")).cacheKey());
    EXPECT_TRUE(rows[2].icon.isNull());
    EXPECT_EQ(icons.requests, (QStringList{QStringLiteral("/opt/Foo.app"), QStringLiteral("/usr/bin/gimp"),
                                           QStringLiteral("/usr/bin/nothing")}));

    // Found icons are not looked up again; a path without one is, once a
    // minute has passed.
    icons.requests.clear();
    clock.advance(59'000);
    monitor->tick();
    EXPECT_TRUE(icons.requests.isEmpty()) << icons.requests.join(u' ').toStdString();
    clock.advance(1'000);
    monitor->tick();
    EXPECT_EQ(icons.requests, QStringList{QStringLiteral("/usr/bin/nothing")});
}

TEST_F(MonitorTest, AnUnreadableTableReportsAndChangesNothing)
{
    build(QStringLiteral("/nonexistent/proc"));
    PrintCapture printed;
    monitor->tick();
    ASSERT_EQ(printed.lines().size(), 1);
    EXPECT_TRUE(printed.lines().first().startsWith(QStringLiteral("Failed to run ps: /nonexistent/proc: ")))
        << printed.lines().first().toStdString();
    EXPECT_TRUE(monitor->dvrSnapshots().isEmpty());
}

TEST_F(MonitorTest, TicksEveryTwoSecondsFromCreationWithNoTickAtOnce)
{
    add(300, 10.0);
    table = std::make_unique<ProcessTable>(tree.root());
    guard = std::make_unique<SessionProcessGuard>(tree.root());
    ProcessMonitor ticking({table.get(), &signaller, guard.get(), &icons, &clock, &random, {}}, true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(ticking.dvrSnapshots().isEmpty());
    const auto* timer = ticking.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 2000);
    EXPECT_FALSE(timer->isSingleShot());
}
