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

#include <poll.h>
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
    struct Reading {
        double sampler, kernel;
    };
    const auto afterTwoTicks = [&] {
        sampler.tick();
        sampler.tick();
        return Reading{sampler.memoryUsed(), meminfoGiB("MemTotal:") - meminfoGiB("MemAvailable:")};
    };
    const auto apart = [](double sampler, double kernel) { return std::abs(sampler - kernel) < 0.4; };
    double rise = 0, fall = 0, kernelRise = 0, kernelFall = 0;
    const auto clean = [&] { return kernelRise >= 0.8 && apart(rise, kernelRise) && apart(fall, kernelFall); };
    for (int trial = 0; trial < 8 && !clean(); ++trial) {
        const Reading before = afterTwoTicks();
        QProcess child;
        ASSERT_TRUE(fill(child, 30));
        const Reading with = afterTwoTicks();
        child.kill();
        child.waitForFinished();
        const Reading after = afterTwoTicks();
        rise = with.sampler - before.sampler;
        fall = with.sampler - after.sampler;
        kernelRise = with.kernel - before.kernel;
        kernelFall = with.kernel - after.kernel;
    }
    // Counted once, not twice.
    EXPECT_TRUE(apart(rise, kernelRise)) << rise << " GiB more in use, the kernel's figure " << kernelRise;
    EXPECT_TRUE(apart(fall, kernelFall)) << fall << " GiB less in use, the kernel's figure " << kernelFall;
    ballast.kill();
    ballast.waitForFinished();
}

// A forked child that maps `bytes` of private anonymous memory and touches
// every page; asked to, it gives the first `freed` bytes back with
// MADV_FREE, as jemalloc does, and keeps the rest. Between fork and death it
// makes system calls only.
class LazyFreeChild {
public:
    LazyFreeChild(std::size_t bytes, std::size_t freed)
    {
        if (::pipe(m_toChild) != 0 || ::pipe(m_fromChild) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0)
            run(bytes, freed);
    }
    ~LazyFreeChild()
    {
        for (const int fd : {m_toChild[0], m_toChild[1], m_fromChild[0], m_fromChild[1]})
            if (fd >= 0)
                ::close(fd);
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    // True once every page is touched.
    bool touched() { return answer() == 'T'; }
    // 'F' once the pages are given back, 'E' when the kernel refused (no MADV_FREE).
    char free()
    {
        const char command = 'F';
        return ::write(m_toChild[1], &command, 1) == 1 ? answer() : '?';
    }

private:
    [[noreturn]] void run(std::size_t bytes, std::size_t freed)
    {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        char reply = 'E';
        void* map = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map != MAP_FAILED) {
            auto* bytesOf = static_cast<volatile char*>(map);
            for (std::size_t at = 0; at < bytes; at += 4096)
                bytesOf[at] = 1;
            reply = 'T';
        }
        char command = 0;
        if (::write(m_fromChild[1], &reply, 1) == 1 && reply == 'T' && ::read(m_toChild[0], &command, 1) == 1) {
            reply = ::madvise(map, freed, MADV_FREE) == 0 ? 'F' : 'E';
            if (::write(m_fromChild[1], &reply, 1) == 1)
                ::read(m_toChild[0], &command, 1); // until the test closes the pipe
        }
        ::_exit(0);
    }
    char answer()
    {
        pollfd ready{m_fromChild[0], POLLIN, 0};
        char reply = '?';
        if (m_pid > 0 && ::poll(&ready, 1, 60000) == 1 && ::read(m_fromChild[0], &reply, 1) == 1)
            return reply;
        return '?';
    }

    int m_toChild[2] = {-1, -1};
    int m_fromChild[2] = {-1, -1};
    pid_t m_pid = -1;
};

// Pages freed with MADV_FREE stay in AnonPages until the kernel needs them,
// but the kernel already counts them as available: memoryUsed follows
// MemTotal - MemAvailable, read just before and after each tick, and falls
// with the freed gigabyte. Neighbours allocating at the same time may spoil
// the fall of a trial, so it gets a few.
TEST_F(LiveSampler, MemoryFreedLazilyIsNoLongerInUse)
{
    if (meminfoGiB("MemAvailable:") < 3.0)
        GTEST_SKIP() << "needs 3 GiB available";
    const auto kernelInUse = [] { return meminfoGiB("MemTotal:") - meminfoGiB("MemAvailable:"); };
    const double slack = 0.05 * meminfoGiB("MemTotal:");
    const auto checkedTick = [&] {
        const double before = kernelInUse();
        sampler.tick();
        const double after = kernelInUse();
        const double used = sampler.memoryUsed();
        EXPECT_GE(used, std::min(before, after) - slack) << "kernel " << before << " to " << after;
        EXPECT_LE(used, std::max(before, after) + slack) << "kernel " << before << " to " << after;
        return used;
    };
    double fall = 0;
    for (int trial = 0; trial < 6 && fall < 0.8; ++trial) {
        // Half a GiB kept keeps App Memory's 0.5 GB floor out of the fall.
        LazyFreeChild child(std::size_t(3) << 29, std::size_t(1) << 30);
        ASSERT_TRUE(child.touched());
        checkedTick();
        const double held = checkedTick();
        const char freed = child.free();
        if (freed == 'E')
            GTEST_SKIP() << "the kernel has no MADV_FREE";
        ASSERT_EQ(freed, 'F');
        const double one = checkedTick();
        const double two = checkedTick();
        fall = held - std::min(one, two);
        RecordProperty("fall" + std::to_string(trial), QByteArray::number(fall).toStdString());
    }
    EXPECT_GE(fall, 0.8);
}

} // namespace
