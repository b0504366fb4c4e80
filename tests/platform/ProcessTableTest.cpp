#include "core/ProcessStartTime.h"
#include "platform/ProcessTable.h"
#include "support/ProcTreeBuilder.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const QString desktopTree = QStringLiteral(KESTROVA_TEST_DATA "/process/desktop");

const ProcessEntry* find(const ProcessTable& table, qint32 pid)
{
    for (const ProcessEntry& entry : table.processes())
        if (entry.pid == pid)
            return &entry;
    return nullptr;
}

ProcTreeBuilder::Process busyProcess(qint32 pid, quint64 ticks, quint64 startTime = 100000)
{
    ProcTreeBuilder::Process p;
    p.pid = pid;
    p.name = "worker" + QByteArray::number(pid);
    p.utime = ticks;
    p.startTime = startTime;
    p.exe = "/usr/bin/" + p.name;
    p.arguments = {p.exe};
    return p;
}

} // namespace

TEST(ProcessTable, ReadsEveryProcessOfAFixtureTreeInPidOrder)
{
    ProcessTable table(desktopTree);
    ASSERT_TRUE(table.refresh()) << table.errorString().toStdString();

    QList<qint32> pids;
    for (const ProcessEntry& entry : table.processes())
        pids.append(entry.pid);
    // 2900 and 2950 have unparsable stat lines; self, sys and meminfo are no processes.
    EXPECT_EQ(pids, (QList<qint32>{1, 2, 45, 812, 1500, 1720, 1721, 1750, 1760, 2001, 2100, 2200, 2300, 2400, 2500,
                                   2600, 2700, 2800}));

    const ProcessEntry* xorg = find(table, 812);
    ASSERT_NE(xorg, nullptr);
    EXPECT_EQ(xorg->name, QStringLiteral("Xorg"));
    EXPECT_EQ(xorg->state, 'S');
    EXPECT_EQ(xorg->parentPid, 1);
    EXPECT_EQ(xorg->startTime, 150000u);
    EXPECT_EQ(xorg->cpuTicks, 300000u);
    EXPECT_EQ(xorg->arguments,
              (QStringList{QStringLiteral("/usr/lib/xorg/Xorg"), QStringLiteral("vt2"), QStringLiteral("-displayfd"),
                           QStringLiteral("3")}));
    // First sight: the share over the process's lifetime, 3000 s of 8500 s.
    EXPECT_NEAR(xorg->cpuPercent, 3000.0 / 8500.0 * 100.0, 1e-9);
    EXPECT_NEAR(find(table, 2001)->cpuPercent, 180.0, 1e-9); // several cores: above 100
}

TEST(ProcessTable, CommandPathFallsBackFromExeToAbsoluteArgvZeroToName)
{
    ProcessTable table(desktopTree);
    ASSERT_TRUE(table.refresh());
    EXPECT_EQ(find(table, 2001)->commandPath, QStringLiteral("/opt/My  Tools/code")); // raw, as the link reads
    EXPECT_EQ(find(table, 2600)->commandPath, QStringLiteral("/usr/bin/vim.basic"));  // " (deleted)" dropped
    EXPECT_EQ(find(table, 2400)->commandPath, QStringLiteral("/usr/sbin/cron"));      // no exe: argv[0]
    EXPECT_EQ(find(table, 2500)->commandPath, QStringLiteral("node"));                // relative argv[0]: name
    EXPECT_EQ(find(table, 2700)->commandPath, QStringLiteral("sshd"));                // rewritten command line
    EXPECT_EQ(find(table, 2)->commandPath, QStringLiteral("kthreadd"));               // kernel thread
    EXPECT_EQ(find(table, 2200)->state, 'Z');
    EXPECT_TRUE(find(table, 2200)->arguments.isEmpty());
    // Empty arguments survive; the trailing NUL adds none.
    EXPECT_EQ(find(table, 2500)->arguments,
              (QStringList{QStringLiteral("node"), QStringLiteral("server.js"), QString(), QStringLiteral("--port=3000")}));
    EXPECT_EQ(find(table, 2700)->arguments, QStringList{QStringLiteral("sshd: dev@pts/0")});
}

TEST(ProcessTable, HostileNamesAreReadSafely)
{
    ProcessTable table(desktopTree);
    ASSERT_TRUE(table.refresh());
    // Parentheses and spaces in the name do not shift the fields.
    const ProcessEntry* evil = find(table, 2300);
    EXPECT_EQ(evil->name, QStringLiteral("evil) S 1 (x"));
    EXPECT_EQ(evil->state, 'R');
    EXPECT_EQ(evil->startTime, 800000u);
    // Invalid UTF-8 is replaced per process instead of spoiling the table.
    const ProcessEntry* bad = find(table, 2100);
    EXPECT_EQ(bad->name, QStringLiteral("bad\uFFFD\uFFFDname"));
    EXPECT_EQ(bad->commandPath, QStringLiteral("/home/dev/bin/bad\uFFFDname"));
}

TEST(ProcessTable, MeasuresCpuOverTheIntervalSinceThePreviousRefresh)
{
    ProcTreeBuilder tree;
    tree.write(busyProcess(100, 50000)); // 500 s over 9000 s of life
    ProcessTable table(tree.root());
    ASSERT_TRUE(table.refresh());
    EXPECT_NEAR(table.processes().at(0).cpuPercent, 500.0 / 9000.0 * 100.0, 1e-9);

    // 2 s later it has used 1.5 s of CPU: 75 %.
    tree.setUptime(10002.0);
    tree.write(busyProcess(100, 50150));
    ASSERT_TRUE(table.refresh());
    EXPECT_NEAR(table.processes().at(0).cpuPercent, 75.0, 1e-6);

    // No time has passed: the last figure stands instead of a division by zero.
    ASSERT_TRUE(table.refresh());
    EXPECT_NEAR(table.processes().at(0).cpuPercent, 75.0, 1e-6);

    // A counter that goes backwards gives 0, not a huge unsigned difference.
    tree.setUptime(10004.0);
    tree.write(busyProcess(100, 50000));
    ASSERT_TRUE(table.refresh());
    EXPECT_EQ(table.processes().at(0).cpuPercent, 0.0);
}

TEST(ProcessTable, AReusedPidIsANewProcess)
{
    ProcTreeBuilder tree;
    tree.write(busyProcess(100, 50000));
    ProcessTable table(tree.root());
    ASSERT_TRUE(table.refresh());

    // The pid now belongs to another program, started 1 s ago, with 0.5 s of CPU.
    auto stranger = busyProcess(100, 50, 999900);
    stranger.name = "stranger";
    stranger.exe = "/usr/bin/stranger";
    stranger.arguments = {"/usr/bin/stranger", "--flag"};
    tree.setUptime(10000.0 + 2.0);
    tree.write(stranger);
    ASSERT_TRUE(table.refresh());
    const ProcessEntry& entry = table.processes().at(0);
    EXPECT_EQ(entry.startTime, 999900u);
    EXPECT_EQ(entry.commandPath, QStringLiteral("/usr/bin/stranger"));
    EXPECT_EQ(entry.arguments, (QStringList{QStringLiteral("/usr/bin/stranger"), QStringLiteral("--flag")}));
    EXPECT_NEAR(entry.cpuPercent, 0.5 / 3.0 * 100.0, 1e-6); // lifetime: 0.5 s over 3 s
}

TEST(ProcessTable, FixedDataIsReadOncePerProcessAndAgainAfterAnExec)
{
    ProcTreeBuilder tree;
    auto shell = busyProcess(100, 10);
    shell.name = "sh";
    shell.exe = "/usr/bin/dash";
    shell.arguments = {"/bin/sh", "-c", "exec make"};
    tree.write(shell);
    ProcessTable table(tree.root());
    ASSERT_TRUE(table.refresh());
    EXPECT_EQ(table.processes().at(0).commandPath, QStringLiteral("/usr/bin/dash"));

    // Same process, same name: the cached path stands even if the link changed.
    shell.exe = "/somewhere/else";
    tree.write(shell);
    ASSERT_TRUE(table.refresh());
    EXPECT_EQ(table.processes().at(0).commandPath, QStringLiteral("/usr/bin/dash"));

    // exec keeps pid and start time but renames the process.
    auto make = shell;
    make.name = "make";
    make.exe = "/usr/bin/make";
    make.arguments = {"make", "-j8"};
    tree.write(make);
    ASSERT_TRUE(table.refresh());
    EXPECT_EQ(table.processes().at(0).name, QStringLiteral("make"));
    EXPECT_EQ(table.processes().at(0).commandPath, QStringLiteral("/usr/bin/make"));
    EXPECT_EQ(table.processes().at(0).arguments, (QStringList{QStringLiteral("make"), QStringLiteral("-j8")}));
}

TEST(ProcessTable, KeepsABoundedNumberOfDescriptorsAndReleasesThoseOfExitedProcesses)
{
    ProcTreeBuilder tree;
    for (qint32 pid = 100; pid < 105; ++pid)
        tree.write(busyProcess(pid, 1000));
    ProcessTable table(tree.root(), 2);
    ASSERT_TRUE(table.refresh());
    EXPECT_EQ(table.processes().size(), 5);
    EXPECT_EQ(table.keptDescriptors(), 2);

    // Processes beyond the budget are still measured, by opening their file each time.
    tree.setUptime(10001.0);
    for (qint32 pid = 100; pid < 105; ++pid)
        tree.write(busyProcess(pid, 1000 + 10 * quint64(pid - 99)));
    ASSERT_TRUE(table.refresh());
    for (const ProcessEntry& entry : table.processes())
        EXPECT_NEAR(entry.cpuPercent, 10.0 * (entry.pid - 99), 1e-6) << entry.pid;

    tree.remove(100);
    tree.remove(101);
    tree.remove(102);
    ASSERT_TRUE(table.refresh());
    EXPECT_EQ(table.processes().size(), 2);
    EXPECT_LE(table.keptDescriptors(), 2);
    // The places freed by exited processes go to the others by the next refresh.
    ASSERT_TRUE(table.refresh());
    EXPECT_EQ(table.keptDescriptors(), 2);
    tree.remove(103);
    ASSERT_TRUE(table.refresh());
    EXPECT_EQ(table.keptDescriptors(), 1);
}

TEST(ProcessTable, AnUnreadableTreeFailsAndKeepsThePreviousProcesses)
{
    ProcessTable missing(QStringLiteral("/nonexistent/proc"));
    EXPECT_FALSE(missing.refresh());
    EXPECT_TRUE(missing.errorString().startsWith(QStringLiteral("/nonexistent/proc: "))) << missing.errorString().toStdString();
    EXPECT_TRUE(missing.processes().isEmpty());

    ProcTreeBuilder tree;
    tree.write(busyProcess(100, 10));
    ProcessTable table(tree.root());
    ASSERT_TRUE(table.refresh());
    QFile::remove(tree.root() + QStringLiteral("/uptime"));
    ProcessTable noUptime(tree.root());
    EXPECT_FALSE(noUptime.refresh());
    EXPECT_TRUE(noUptime.errorString().contains(QStringLiteral("uptime")));
    EXPECT_EQ(table.processes().size(), 1);
}

TEST(ProcessTable, SeesThisVeryProcessInTheLiveTable)
{
    ProcessTable table;
    ASSERT_TRUE(table.refresh()) << table.errorString().toStdString();
    const ProcessEntry* self = find(table, qint32(::getpid()));
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->startTime, readProcessStartTime(qint32(::getpid())).value());
    EXPECT_EQ(self->commandPath, QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    EXPECT_EQ(self->state, 'R');
    EXPECT_GT(table.processes().size(), 1);
}
