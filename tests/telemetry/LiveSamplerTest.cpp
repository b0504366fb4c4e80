#include "core/Random.h"
#include "core/SettingsStore.h"
#include "fakes/FakeDesktopNotifier.h"
#include "fakes/FakeLocalAIStateSource.h"
#include "telemetry/SystemStatsProvider.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

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

double memTotalGiB()
{
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    // /proc files report size 0, so read to the end rather than test atEnd().
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() >= 2 && f[0] == "MemTotal:")
            return double(f[1].toULongLong()) * 1024.0 / (1024.0 * 1024.0 * 1024.0);
    }
    return -1;
}

// The sampler over this machine's /proc and /sys.
class LiveSampler : public ::testing::Test {
protected:
    SystemStatsProvider::Deps liveDeps()
    {
        SystemStatsProvider::Deps deps;
        deps.paths = SystemPaths::live();
        deps.settings = &settings;
        deps.random = &random;
        deps.localAI = &localAI;
        deps.notifier = &notifier;
        return deps;
    }

    QTemporaryDir dir;
    SettingsStore settings{dir.path() + QStringLiteral("/settings.ini")};
    Random random{7};
    FakeLocalAIStateSource localAI;
    FakeDesktopNotifier notifier;
    SystemStatsProvider sampler{liveDeps()};
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
    EXPECT_EQ(sampler.memoryTotal(), memTotalGiB());
    EXPECT_GT(sampler.memoryUsed(), 0.0);
    EXPECT_LE(sampler.memoryPressure(), 100.0);
}

// The resident anonymous memory of a child, from its status file.
quint64 residentAnonBytes(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("RssAnon:"))
            return line.mid(8).trimmed().split(' ').value(0).toULongLong() * 1024;
    return 0;
}

// Starts a perl child that fills 2^shift bytes and waits until it holds
// them (the QProcess ends it when it goes).
bool fill(QProcess& child, int shift)
{
    child.setStandardOutputFile(QProcess::nullDevice());
    child.start(QStringLiteral("/usr/bin/perl"),
                {QStringLiteral("-e"), QStringLiteral("my $s = \"\\1\"; $s x= (1 << %1); sleep 60").arg(shift)});
    QElapsedTimer filling;
    filling.start();
    while (child.waitForStarted() && residentAnonBytes(child.processId()) < (quint64(1) << shift) &&
           filling.elapsed() < 30000)
        QThread::msleep(20);
    return residentAnonBytes(child.processId()) >= (quint64(1) << shift);
}

// MemTotal - MemAvailable as free(1) prints it ("used"), in GiB.
double usedByFree()
{
    QProcess free;
    free.start(QStringLiteral("/usr/bin/free"), {QStringLiteral("-b")});
    if (!free.waitForFinished(5000))
        return -1;
    for (const QByteArray& line : free.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() >= 7 && f[0] == "Mem:")
            return double(f[1].toULongLong() - f[6].toULongLong()) / (1024.0 * 1024.0 * 1024.0);
    }
    return -1;
}

// A child that fills 1 GiB raises memoryUsed by about that much within two
// ticks, as free(1) sees it too, and gives it back when it exits. Other work
// on the machine moves the figures as well, so a trial that its neighbours
// spoil is run again.
TEST_F(LiveSampler, MemoryInUseFollowsARealAllocation)
{
    if (!QFile::exists(QStringLiteral("/proc/meminfo")) || !QFile::exists(QStringLiteral("/usr/bin/perl")) ||
        !QFile::exists(QStringLiteral("/usr/bin/free")))
        GTEST_SKIP() << "no /proc, perl or free";
    constexpr double kAtLeast = 0.8; // GiB the figure must move by for 1 GiB filled
    constexpr double kAgree = 0.5;   // GiB it may differ from free's move by (neighbours move both)
    // Kernel memory outside every counted class (and the reserve that
    // MemAvailable holds back) keeps the two apart by a few percent.
    sampler.tick();
    const double byFree = usedByFree();
    RecordProperty("memoryUsed", QByteArray::number(sampler.memoryUsed()).toStdString());
    RecordProperty("usedByFree", QByteArray::number(byFree).toStdString());
    EXPECT_NEAR(sampler.memoryUsed(), byFree, 0.1 * sampler.memoryTotal());

    // App Memory reads at least 0.5 GB; on an idle machine the first half
    // GiB of the child would only lift it to that floor. Half a GiB held by
    // another child puts the floor out of play.
    QProcess ballast;
    ASSERT_TRUE(fill(ballast, 29));

    const auto fails = [&](double rise, double freeRise) {
        return rise < kAtLeast || std::abs(rise - freeRise) > kAgree;
    };
    double rise = 0, freeRise = 0, fall = 0, freeFall = 0;
    for (int trial = 0; trial < 5 && (trial == 0 || fails(rise, freeRise) || fails(fall, freeFall)); ++trial) {
        sampler.tick();
        const double before = sampler.memoryUsed();
        const double freeBefore = usedByFree();
        QProcess child;
        ASSERT_TRUE(fill(child, 30));

        double with = before;
        for (int tick = 0; tick < 2 && with - before < kAtLeast; ++tick) {
            sampler.tick();
            with = sampler.memoryUsed();
        }
        const double freeWith = usedByFree();
        child.kill();
        child.waitForFinished();
        double after = with;
        for (int tick = 0; tick < 2 && with - after < kAtLeast; ++tick) {
            sampler.tick();
            after = sampler.memoryUsed();
        }
        rise = with - before;
        freeRise = freeWith - freeBefore;
        fall = with - after;
        freeFall = freeWith - usedByFree();
        RecordProperty("trial" + std::to_string(trial), QStringLiteral("rise %1 (free %2), fall %3 (free %4)")
                                                            .arg(rise).arg(freeRise).arg(fall).arg(freeFall)
                                                            .toStdString());
    }
    EXPECT_GE(rise, kAtLeast);
    EXPECT_NEAR(rise, freeRise, kAgree);
    EXPECT_GE(fall, kAtLeast);
    EXPECT_NEAR(fall, freeFall, kAgree);
    EXPECT_LE(sampler.memoryPressure(), 100.0);
}

} // namespace
