#include "core/Random.h"
#include "core/SettingsStore.h"
#include "fakes/FakeDesktopNotifier.h"
#include "fakes/FakeLocalAIStateSource.h"
#include "support/SamplerDeps.h"
#include "telemetry/SystemStatsProvider.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// The real readers on this machine, checked against the kernel's own figures.
namespace {

struct Totals {
    quint64 busy = 0;
    quint64 all = 0;
};

// The aggregate "cpu" line, read independently of the sampler's readers.
Totals readCpuTotals()
{
    QFile file(QStringLiteral("/proc/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> f = file.readLine().simplified().split(' ');
    if (f.size() < 9 || f[0] != "cpu")
        return {};
    // user nice system idle iowait irq softirq steal
    quint64 v[8];
    for (int i = 0; i < 8; ++i)
        v[i] = f[i + 1].toULongLong();
    const quint64 idle = v[3] + v[4];
    const quint64 busy = v[0] + v[1] + v[2] + v[5] + v[6] + v[7];
    return {busy, busy + idle};
}

// A line of /proc/meminfo ("MemTotal:"), in GiB.
double meminfoGiB(const QByteArray& key)
{
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    // /proc files report size 0, so read to the end rather than test atEnd().
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() >= 2 && f[0] == key)
            return double(f[1].toULongLong()) * 1024.0 / (1024.0 * 1024.0 * 1024.0);
    }
    return -1;
}

// The sampler over this machine's /proc and /sys.
class LiveSampler : public ::testing::Test {
protected:
    static SystemStatsProvider::Deps live(SystemStatsProvider::Deps deps) { deps.paths = SystemPaths::live(); return deps; }
    QTemporaryDir dir;
    SettingsStore settings{dir.path() + QStringLiteral("/settings.ini")};
    Random random{7};
    FakeLocalAIStateSource localAI;
    FakeDesktopNotifier notifier;
    SystemStatsProvider sampler{live(samplerDeps(dir.path(), settings, random, localAI, notifier))};
};

TEST_F(LiveSampler, AgreesWithTheKernelOnThisMachine)
{
    if (!QFile::exists(QStringLiteral("/proc/stat")))
        GTEST_SKIP() << "no /proc";
    sampler.tick();
    const Totals before = readCpuTotals();
    // Keep one CPU busy for the second so there is something to measure.
    std::atomic<bool> stop{false};
    std::thread spinner([&] {
        volatile quint64 n = 0;
        while (!stop.load(std::memory_order_relaxed))
            n = n + 1;
    });
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
    spinner.join();
    const Totals after = readCpuTotals();
    sampler.tick();

    ASSERT_GT(after.all, before.all);
    const double kernel = double(after.busy - before.busy) / double(after.all - before.all) * 100.0;
    RecordProperty("samplerCpuUsage", QByteArray::number(sampler.cpuUsage()).toStdString());
    RecordProperty("kernelCpuUsage", QByteArray::number(kernel).toStdString());
    EXPECT_NEAR(sampler.cpuUsage(), kernel, 5.0) << "kernel figure " << kernel;
    EXPECT_GT(sampler.cpuUsage(), 0.0);

    RecordProperty("memoryTotal", QByteArray::number(sampler.memoryTotal(), 'g', 17).toStdString());
    EXPECT_EQ(sampler.memoryTotal(), meminfoGiB("MemTotal:"));
    EXPECT_GT(sampler.memoryUsed(), 0.0);
    EXPECT_LE(sampler.memoryPressure(), 100.0);
    const double inUse = meminfoGiB("MemTotal:") - meminfoGiB("MemAvailable:"); // free's "used"
    EXPECT_NEAR(sampler.memoryUsed(), inUse, 0.1 * sampler.memoryTotal());
}

// Starts a perl child that writes 2^shift bytes and waits until it holds them.
bool fill(QProcess& child, int shift)
{
    child.start("/usr/bin/perl", {"-e", QStringLiteral("my $s = 1; $s x= 1 << %1; $| = 1; print 1; sleep 60").arg(shift)});
    return child.waitForReadyRead(30000);
}

// A child holding 1 GiB raises memoryUsed as much as the kernel's own figure (MemTotal - MemAvailable) rises,
// read at the same moment, and lowers it as much on exit: neighbours move both alike; retried when they spoil it.
TEST_F(LiveSampler, MemoryInUseFollowsARealAllocation)
{
    if (!QFile::exists(QStringLiteral("/usr/bin/perl")) || meminfoGiB("MemAvailable:") < 3.0)
        GTEST_SKIP() << "needs perl and 3 GiB available";
    QProcess ballast; // App Memory reads at least 0.5 GB: half a GiB held keeps that floor out of the rise
    ASSERT_TRUE(fill(ballast, 29));
    const auto afterTwoTicks = [&] {
        sampler.tick();
        sampler.tick();
        const double kernel = meminfoGiB("MemTotal:") - meminfoGiB("MemAvailable:");
        return std::pair{sampler.memoryUsed() - kernel, kernel}; // the sampler's gap to the kernel, the kernel's
    };
    double kernelRise = 0, riseStray = 1, fallStray = 1;
    for (int trial = 0; trial < 8 && !(kernelRise >= 0.8 && riseStray < 0.4 && fallStray < 0.4); ++trial) {
        const auto before = afterTwoTicks();
        QProcess child;
        ASSERT_TRUE(fill(child, 30));
        const auto with = afterTwoTicks();
        child.kill();
        child.waitForFinished();
        kernelRise = with.second - before.second;
        riseStray = std::abs(with.first - before.first);
        fallStray = std::abs(with.first - afterTwoTicks().first);
    }
    EXPECT_LT(riseStray, 0.4); // counted once, not twice
    EXPECT_LT(fallStray, 0.4);
    ballast.kill();
    ballast.waitForFinished();
}

// A forked child that touches `bytes` of private anonymous memory and stops;
// continued, it gives the first `freed` back with MADV_FREE, as jemalloc does,
// and stops again. System calls only between fork and death.
class LazyFreeChild {
public:
    LazyFreeChild(std::size_t bytes, std::size_t freed) : m_pid(::fork())
    {
        if (m_pid != 0)
            return;
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        void* map = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED)
            ::_exit(1);
        for (std::size_t at = 0; at < bytes; at += 4096)
            static_cast<volatile char*>(map)[at] = 1;
        ::raise(SIGSTOP);
        ::_exit(::madvise(map, freed, MADV_FREE) == 0 && ::raise(SIGSTOP) == 0 ? 0 : 2);
    }
    ~LazyFreeChild()
    {
        if (m_stopped && ::kill(m_pid, SIGKILL) == 0)
            ::waitpid(m_pid, nullptr, 0);
    }
    // Lets the child run on to its next stop; false when it ended instead.
    bool next()
    {
        int status = 0;
        if (m_stopped)
            ::kill(m_pid, SIGCONT);
        return m_stopped = m_pid > 0 && ::waitpid(m_pid, &status, WUNTRACED) == m_pid && WIFSTOPPED(status);
    }

private:
    pid_t m_pid;
    bool m_stopped = false;
};

// AnonPages keeps pages freed with MADV_FREE, MemAvailable does not: memoryUsed keeps within 5 % of
// MemTotal - MemAvailable and falls with the freed GiB within two ticks (neighbours may spoil a trial).
TEST_F(LiveSampler, MemoryFreedLazilyIsNoLongerInUse)
{
    if (meminfoGiB("MemAvailable:") < 3.0)
        GTEST_SKIP() << "needs 3 GiB available";
    const auto kernelInUse = [] { return meminfoGiB("MemTotal:") - meminfoGiB("MemAvailable:"); };
    const auto checkedTick = [&, slack = 0.05 * meminfoGiB("MemTotal:")] {
        const double before = kernelInUse();
        sampler.tick();
        const double after = kernelInUse(), used = sampler.memoryUsed();
        EXPECT_TRUE(used >= std::min(before, after) - slack && used <= std::max(before, after) + slack)
            << used << " GiB in use, the kernel's " << before << " to " << after;
        return used;
    };
    double fall = 0;
    for (int trial = 0; trial < 6 && fall < 0.8; ++trial) {
        LazyFreeChild child(std::size_t(3) << 29, std::size_t(1) << 30); // the half GiB kept holds App's floor off
        ASSERT_TRUE(child.next()); // touched
        checkedTick();
        const double held = checkedTick();
        ASSERT_TRUE(child.next()); // freed
        fall = held - std::min(checkedTick(), checkedTick());
    }
    EXPECT_GE(fall, 0.8);
}

} // namespace
