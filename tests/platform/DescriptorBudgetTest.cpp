#include "platform/DescriptorBudget.h"
#include "platform/KeptOpenFile.h"
#include "platform/ProcessCommandRunner.h"
#include "platform/ProcessTable.h"
#include "support/PrintCapture.h"
#include "support/ProcTreeBuilder.h"
#include "support/SleepChild.h"
#include "support/TaskRunner.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Takes every descriptor left under a lowered soft limit, so that opens
// fail with EMFILE, until destroyed.
class ExhaustedDescriptors {
public:
    ExhaustedDescriptors()
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = rlim_t(QDir(QStringLiteral("/proc/self/fd")).count()) + 16;
        ::setrlimit(RLIMIT_NOFILE, &lowered);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            m_held.push_back(fd);
        m_exhausted = errno == EMFILE;
    }
    ~ExhaustedDescriptors()
    {
        for (const int fd : m_held)
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &m_saved);
    }
    bool exhausted() const { return m_exhausted; }

private:
    rlimit m_saved{};
    std::vector<int> m_held;
    bool m_exhausted = false;
};

const ProcessEntry* find(const ProcessTable& table, qint32 pid)
{
    for (const ProcessEntry& entry : table.processes())
        if (entry.pid == pid)
            return &entry;
    return nullptr;
}

} // namespace

TEST(DescriptorBudget, IsAQuarterOfTheSoftLimitWhichIsRaisedToTheHardOne)
{
    EXPECT_EQ(DescriptorBudget::capacityFor(1024), 256);
    EXPECT_EQ(DescriptorBudget::capacityFor(100), 25);
    EXPECT_EQ(DescriptorBudget::capacityFor(1u << 20), 4096);
    EXPECT_EQ(DescriptorBudget::capacityFor(~0ull), 4096);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    if (saved.rlim_max == RLIM_INFINITY || saved.rlim_max <= 1024)
        GTEST_SKIP() << "the hard limit leaves nothing to raise";
    rlimit lowered = saved;
    lowered.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    EXPECT_EQ(DescriptorBudget::raiseSoftLimit(), saved.rlim_max);
    rlimit now{};
    ::getrlimit(RLIMIT_NOFILE, &now);
    EXPECT_EQ(now.rlim_cur, saved.rlim_max);

    // Programs we start get the limit we were started with back.
    ProcessCommandRunner runner;
    const auto limits = runTask(runner.run(QStringLiteral("/bin/cat"), {QStringLiteral("/proc/self/limits")}, 5s));
    ASSERT_TRUE(limits && limits->succeeded());
    EXPECT_TRUE(QString::fromLatin1(limits->standardOutput).contains(QRegularExpression(QStringLiteral("Max open files +1024 "))))
        << limits->standardOutput.toStdString();
    ::setrlimit(RLIMIT_NOFILE, &saved);
}

// Every keeper's kept descriptors come out of one budget; a keeper that
// finds it spent reads by opening each time, and places given back are
// taken up at the next refresh.
TEST(DescriptorBudget, KeepersShareOneBudget)
{
    ProcTreeBuilder tree;
    for (qint32 pid = 100; pid < 106; ++pid) {
        ProcTreeBuilder::Process p;
        p.pid = pid;
        p.name = "worker";
        p.startTime = 1000;
        tree.write(p);
    }
    DescriptorBudget budget(4);
    auto first = std::make_unique<ProcessTable>(tree.root(), 100, &budget);
    ProcessTable second(tree.root(), 100, &budget);
    ASSERT_TRUE(first->refresh());
    ASSERT_TRUE(second.refresh());
    EXPECT_EQ(first->keptDescriptors(), 4);
    EXPECT_EQ(second.keptDescriptors(), 0);
    EXPECT_EQ(second.processes().size(), 6);
    EXPECT_EQ(budget.inUse(), 4);

    first.reset();
    EXPECT_EQ(budget.inUse(), 0);
    ASSERT_TRUE(second.refresh());
    EXPECT_EQ(second.keptDescriptors(), 4);

    // A kept file gives its place back when it is destroyed.
    const int before = DescriptorBudget::process().inUse();
    {
        KeptOpenFile uptime(tree.root() + QStringLiteral("/uptime"));
        std::string_view content;
        ASSERT_TRUE(uptime.read(content));
        EXPECT_EQ(DescriptorBudget::process().inUse(), before + 1);
    }
    EXPECT_EQ(DescriptorBudget::process().inUse(), before);
}

// Out of descriptors, a live process is not taken for gone: it keeps its
// last figures, refresh after refresh, and one line says so; once there is
// room again it is read afresh, and a later shortage is said again.
TEST(DescriptorBudget, RunningOutIsNotAProcessExit)
{
    SleepChild child;
    ProcessTable table(QStringLiteral("/proc"), 0); // keeps nothing: every read opens
    ASSERT_TRUE(table.refresh()) << table.errorString().toStdString();
    ASSERT_NE(find(table, child.pid()), nullptr);
    ProcessEntry before = *find(table, child.pid());
    const qsizetype listed = table.processes().size();

    PrintCapture printed;
    for (int shortage = 0; shortage < 2; ++shortage) {
        {
            ExhaustedDescriptors exhausted;
            ASSERT_TRUE(exhausted.exhausted());
            for (int refresh = 0; refresh < 2; ++refresh) {
                ASSERT_TRUE(table.refresh()) << table.errorString().toStdString();
                const ProcessEntry* kept = find(table, child.pid());
                ASSERT_NE(kept, nullptr) << "taken for gone";
                EXPECT_EQ(kept->startTime, before.startTime);
                EXPECT_EQ(kept->cpuPercent, before.cpuPercent);
                EXPECT_EQ(kept->name, QStringLiteral("sleep"));
                EXPECT_GE(table.processes().size(), listed / 2) << "most of the table is still there";
            }
        }
        // A line between the shortages, so the second is not folded into a repeat count.
        EXPECT_EQ(printed.lines().size(), 2 * shortage + 1) << printed.lines().join(u'\n').toStdString();
        kestrova::print(QStringLiteral("room again"));
        ASSERT_TRUE(table.refresh());
        ASSERT_NE(find(table, child.pid()), nullptr);
        before = *find(table, child.pid());
    }
    EXPECT_TRUE(printed.lines().value(0).contains(QStringLiteral("Too many open files")));
}
