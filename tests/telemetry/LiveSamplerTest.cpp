#include "core/Random.h"
#include "core/SettingsStore.h"
#include "fakes/FakeDesktopNotifier.h"
#include "fakes/FakeLocalAIStateSource.h"
#include "telemetry/SystemStatsProvider.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
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

TEST(LiveSampler, AgreesWithTheKernelOnThisMachine)
{
    if (!QFile::exists(QStringLiteral("/proc/stat")))
        GTEST_SKIP() << "no /proc";
    QTemporaryDir dir;
    SettingsStore settings(dir.path() + QStringLiteral("/settings.ini"));
    Random random(7);
    FakeLocalAIStateSource localAI;
    FakeDesktopNotifier notifier;
    SystemStatsProvider::Deps deps;
    deps.paths = SystemPaths::live();
    deps.settings = &settings;
    deps.random = &random;
    deps.localAI = &localAI;
    deps.notifier = &notifier;
    SystemStatsProvider sampler(std::move(deps));

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

} // namespace
