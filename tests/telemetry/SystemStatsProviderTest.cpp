#include "support/ScratchTree.h"

#include "core/SettingsStore.h"
#include "fakes/FakeDesktopNotifier.h"
#include "fakes/FakeLocalAIStateSource.h"
#include "fakes/RecordingRandom.h"
#include "telemetry/SystemStatsProvider.h"
#include "support/SamplerDeps.h"

#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double GiB = 1024.0 * 1024.0 * 1024.0;
constexpr quint64 kPhysical16G = 16ull << 30;

// One CPU's cumulative counters as the sampler classes them.
struct Load {
    quint64 user = 0;
    quint64 system = 0;
    quint64 idle = 0;
    quint64 nice = 0;
};

class SamplerTest : public ::testing::Test {
protected:
    explicit SamplerTest(const QString& fixture = QString()) : tree(fixture) {}

    std::unique_ptr<SystemStatsProvider> make(bool autoStart = false)
    {
        SystemStatsProvider::Deps deps = samplerDeps(tree.root(), settings, random, localAI, notifier);
        deps.physicalMemory = [this] { return physical; };
        return std::make_unique<SystemStatsProvider>(std::move(deps), autoStart);
    }

    // Writes /proc/stat with these CPUs numbered from 0 (or as given).
    void writeStat(const std::vector<Load>& cpus, const std::vector<int>& numbers = {})
    {
        QByteArray text = "cpu  0 0 0 0 0 0 0 0 0 0\n";
        for (std::size_t i = 0; i < cpus.size(); ++i) {
            const Load& l = cpus[i];
            const int number = numbers.empty() ? int(i) : numbers[i];
            text += "cpu" + QByteArray::number(number) + ' ' + QByteArray::number(l.user) + ' ' +
                    QByteArray::number(l.nice) + ' ' + QByteArray::number(l.system) + ' ' + QByteArray::number(l.idle) +
                    " 0 0 0 0 0 0\n";
        }
        text += "intr 0\nctxt 0\n";
        tree.write(QStringLiteral("proc/stat"), text);
    }

    // The counters after every CPU spent `busy` of 100 ticks busy (user).
    static std::vector<Load> advanced(std::vector<Load> cpus, const std::vector<quint64>& busy)
    {
        for (std::size_t i = 0; i < cpus.size(); ++i) {
            cpus[i].user += busy[i];
            cpus[i].idle += 100 - busy[i];
        }
        return cpus;
    }

    ScratchTree tree;
    QTemporaryDir settingsDir;
    SettingsStore settings{settingsDir.path() + QStringLiteral("/settings.ini")};
    RecordingRandom random;
    FakeLocalAIStateSource localAI;
    FakeDesktopNotifier notifier;
    quint64 physical = kPhysical16G;
};

// ---------------------------------------------------------------- lifecycle

TEST_F(SamplerTest, StartsAtTheDocumentedValuesAndReadsNothingWhileBeingBuilt)
{
    auto s = make();
    EXPECT_EQ(s->cpuUsage(), 0);
    EXPECT_EQ(s->cpuHistory(), QList<double>(60, 0.0));
    EXPECT_EQ(s->gpuCoreCount(), 16);
    EXPECT_EQ(s->fanRPMs(), QList<double>{0.0});
    EXPECT_EQ(s->localIP(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(s->publicIP(), QStringLiteral("Checking..."));
    EXPECT_TRUE(s->activeConnections().isEmpty());
    EXPECT_FALSE(s->isLowPowerModeEnabled());
    EXPECT_EQ(localAI.reads, 0);
    EXPECT_EQ(s->findChild<QTimer*>(), nullptr);
}

TEST_F(SamplerTest, AutoStartRunsAOneSecondTimerWithoutTickingAtOnce)
{
    auto s = make(true);
    auto* timer = s->findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_FALSE(timer->isSingleShot());
    EXPECT_EQ(localAI.reads, 0);
    EXPECT_EQ(s->memoryTotal(), 0);
}

// ---------------------------------------------------------------- CPU

TEST_F(SamplerTest, FirstTickOnlyStoresTheCountersAndTheSecondGivesFiguresAndSeedsTheBaseline)
{
    const std::vector<Load> start(8, Load{1000, 500, 5000, 0});
    writeStat(start);
    auto s = make();
    s->tick();
    EXPECT_EQ(s->cpuUsage(), 0);
    EXPECT_EQ(s->cpuHistory(), QList<double>(60, 0.0));
    EXPECT_FALSE(settings.contains(QStringLiteral("baselineCpuUsage")));
    EXPECT_EQ(s->memoryTotal(), 0); // no meminfo in this tree; physical memory needs the VM figures

    // Both fallback clusters of four: lowest four 50 % busy, the others 100 %.
    const auto second = advanced(start, {50, 50, 50, 50, 100, 100, 100, 100});
    writeStat(second);
    s->setSocTemperature(47.0); // what the previous tick's sensors left
    s->tick();
    EXPECT_EQ(s->eCoreCount(), 4);
    EXPECT_EQ(s->pCoreCount(), 4);
    EXPECT_DOUBLE_EQ(s->eClusterUsage(), 50.0);
    EXPECT_DOUBLE_EQ(s->pClusterUsage(), 100.0);
    EXPECT_DOUBLE_EQ(s->cpuUsage(), 75.0);
    EXPECT_EQ(s->cpuHistory().size(), 60);
    EXPECT_EQ(s->cpuHistory().last(), s->cpuUsage());
    EXPECT_EQ(s->cpuHistory().first(), 0.0);
    EXPECT_EQ(s->baselineCpuUsage(), s->cpuUsage());
    EXPECT_EQ(s->baselineTemp(), 47.0);

    writeStat(advanced(second, {0, 0, 0, 0, 0, 0, 0, 0}));
    s->tick();
    EXPECT_EQ(s->cpuUsage(), 0.0);
    EXPECT_DOUBLE_EQ(s->baselineCpuUsage(), 75.0 * 0.999);
    EXPECT_DOUBLE_EQ(s->baselineTemp(), 47.0);
    EXPECT_EQ(s->cpuHistory().mid(58), (QList<double>{75.0, 0.0}));
}

TEST_F(SamplerTest, StoredZeroBaselineIsSeededAgain)
{
    settings.setBaselineCpuUsage(0.0);
    const std::vector<Load> start(2, Load{0, 0, 0, 0});
    writeStat(start);
    auto s = make();
    s->tick();
    writeStat(advanced(start, {30, 10}));
    s->tick();
    EXPECT_DOUBLE_EQ(s->baselineCpuUsage(), 20.0);
}

TEST_F(SamplerTest, AllCountersIdleGivesZeroLoadNotADivisionByZero)
{
    const std::vector<Load> same(4, Load{10, 10, 10, 10});
    writeStat(same);
    auto s = make();
    s->setCpuUsage(33.0);
    s->tick();
    s->tick(); // nothing moved
    EXPECT_EQ(s->cpuUsage(), 0.0);
    EXPECT_EQ(s->eClusterUsage(), 0.0);
}

TEST_F(SamplerTest, CountersGoingBackwardsCountAsNothing)
{
    writeStat(std::vector<Load>(2, Load{1000, 1000, 1000, 1000}));
    auto s = make();
    s->tick();
    // cpu0 went backwards in every class; cpu1 only its idle counter.
    writeStat({Load{10, 10, 10, 10}, Load{1050, 1000, 900, 1000}});
    s->tick();
    // cpu0 adds 0, cpu1 is all busy (50 user, no idle counted): mean 50 %.
    EXPECT_DOUBLE_EQ(s->cpuUsage(), 50.0);
    EXPECT_DOUBLE_EQ(s->eClusterUsage(), 50.0); // both CPUs fall in the fallback efficiency four
    EXPECT_EQ(s->pClusterUsage(), 0.0);
}

TEST_F(SamplerTest, ADifferentSetOfCpusIsTreatedAsAFirstTick)
{
    std::vector<Load> four(4, Load{100, 0, 900, 0});
    writeStat(four);
    auto s = make();
    s->tick();

    // A CPU went offline: nothing to compare, only store.
    std::vector<Load> three(3, Load{200, 0, 900, 0});
    writeStat(three, {0, 1, 3});
    s->tick();
    EXPECT_EQ(s->cpuUsage(), 0.0);
    EXPECT_EQ(s->cpuHistory().last(), 0.0);

    // Same count, other CPU numbers: still not comparable.
    writeStat(advanced(three, {100, 100, 100}), {0, 1, 2});
    s->tick();
    EXPECT_EQ(s->cpuUsage(), 0.0);

    // Stable again: figures against the previous tick.
    writeStat(advanced(advanced(three, {100, 100, 100}), {100, 0, 50}), {0, 1, 2});
    s->tick();
    EXPECT_DOUBLE_EQ(s->cpuUsage(), 50.0);
}

TEST_F(SamplerTest, UnreadableCountersKeepTheFiguresAndTheStoredSample)
{
    const std::vector<Load> start(2, Load{0, 0, 0, 0});
    writeStat(start);
    auto s = make();
    s->tick();
    writeStat(advanced(start, {100, 100}));
    s->tick();
    ASSERT_DOUBLE_EQ(s->cpuUsage(), 100.0);

    tree.write(QStringLiteral("proc/stat"), "intr 0\n"); // no CPU lines: nothing to read
    s->tick();
    EXPECT_DOUBLE_EQ(s->cpuUsage(), 100.0);
    EXPECT_EQ(s->cpuHistory().mid(58), (QList<double>{0.0, 100.0}));

    // Back again: measured against the last good sample, over the longer gap.
    writeStat(advanced(advanced(start, {100, 100}), {0, 0}));
    s->tick();
    EXPECT_EQ(s->cpuUsage(), 0.0);
}

class HybridSamplerTest : public SamplerTest {
protected:
    HybridSamplerTest() : SamplerTest(QStringLiteral("intel-hybrid")) {}
};

TEST_F(HybridSamplerTest, CpusAreClassifiedByTheirClusterNotByTheirNumber)
{
    auto s = make();
    EXPECT_EQ(s->eCoreCount(), 8);
    EXPECT_EQ(s->pCoreCount(), 8);
    const std::vector<Load> start(16, Load{0, 0, 0, 0});
    writeStat(start);
    s->tick();
    EXPECT_EQ(s->gpuCoreCount(), 32);
    // Only the efficiency cores (8-15) are busy.
    std::vector<quint64> busy(16, 0);
    for (int i = 8; i < 16; ++i)
        busy[std::size_t(i)] = 100;
    writeStat(advanced(start, busy));
    s->tick();
    EXPECT_DOUBLE_EQ(s->eClusterUsage(), 100.0);
    EXPECT_EQ(s->pClusterUsage(), 0.0);
    EXPECT_DOUBLE_EQ(s->cpuUsage(), 50.0);
}

TEST_F(SamplerTest, OnlyPerformanceCoresKnownLeavesTheEfficiencyClusterAtZero)
{
    tree.write(QStringLiteral("sys/devices/cpu_core/cpus"), "0-7\n");
    auto s = make();
    EXPECT_EQ(s->eCoreCount(), 0);
    EXPECT_EQ(s->pCoreCount(), 8);
    const std::vector<Load> start(8, Load{0, 0, 0, 0});
    writeStat(start);
    s->tick();
    writeStat(advanced(start, {100, 100, 100, 100, 0, 0, 0, 0}));
    s->tick();
    EXPECT_EQ(s->eClusterUsage(), 0.0);
    EXPECT_DOUBLE_EQ(s->pClusterUsage(), 50.0);
    EXPECT_EQ(s->gpuCoreCount(), 16);
}

class SmallDesktopSamplerTest : public SamplerTest {
protected:
    SmallDesktopSamplerTest() : SamplerTest(QStringLiteral("uniform-desktop")) {}
};

TEST_F(SmallDesktopSamplerTest, FallbackClustersAreAveragedOverTheCpusCountedInThem)
{
    // One kind of CPU, five online: the 4 + 4 fallback applies, and the one
    // CPU left for the performance side must not read as a quarter of it.
    auto s = make();
    EXPECT_EQ(s->eCoreCount(), 4);
    EXPECT_EQ(s->pCoreCount(), 4);
    const std::vector<Load> start(5, Load{0, 0, 0, 0});
    writeStat(start, {0, 1, 3, 4, 5});
    s->tick();
    writeStat(advanced(start, {100, 100, 100, 100, 100}), {0, 1, 3, 4, 5});
    s->tick();
    EXPECT_DOUBLE_EQ(s->eClusterUsage(), 100.0);
    EXPECT_DOUBLE_EQ(s->pClusterUsage(), 100.0);
    EXPECT_DOUBLE_EQ(s->cpuUsage(), 100.0);
}

// ---------------------------------------------------------------- memory

TEST_F(HybridSamplerTest, MemoryFiguresFromMeminfoWithZswapAsTheCompressedPool)
{
    physical = 32ull << 30;
    localAI.modelSizes = {qint64(6) << 30, qint64(3) << 29};
    auto s = make();
    s->tick();
    EXPECT_DOUBLE_EQ(s->memoryWired(), 0.75);
    // What wired and compressed memory leave of MemTotal - MemAvailable (12),
    // not AnonPages + Shmem (10.5) nor the active list (6).
    EXPECT_DOUBLE_EQ(s->memoryApp(), 11.0);
    EXPECT_DOUBLE_EQ(s->memoryCompressed(), 0.25);
    EXPECT_DOUBLE_EQ(s->memoryTotal(), 32.0);
    EXPECT_DOUBLE_EQ(s->memoryUsed(), 12.0);
    EXPECT_DOUBLE_EQ(s->memoryPressure(), 12.0 / 32.0 * 100.0);
    EXPECT_DOUBLE_EQ(s->memorySwap(), 1.0);
    EXPECT_DOUBLE_EQ(s->aiVramTotal(), 24.0);
    EXPECT_DOUBLE_EQ(s->aiVramUsed(), 7.5);
    EXPECT_FALSE(s->hostVramSplitAlert());

    // Loaded models above 90 % of the share raise the alert.
    localAI.modelSizes.append(qint64(14) << 30);
    s->tick();
    EXPECT_DOUBLE_EQ(s->aiVramUsed(), 21.5);
    EXPECT_FALSE(s->hostVramSplitAlert()); // 21.5 / 24 = 0.896
    localAI.modelSizes.append(qint64(1) << 29);
    s->tick();
    EXPECT_TRUE(s->hostVramSplitAlert());
}

TEST_F(HybridSamplerTest, ReleasedMemoryIsTakenOffDownToTheFloors)
{
    physical = 32ull << 30;
    auto s = make();
    s->setOptimizedMemoryReleased(2.0);
    s->tick();
    EXPECT_DOUBLE_EQ(s->memoryApp(), 9.0);
    EXPECT_DOUBLE_EQ(s->memoryCompressed(), 0.1); // 0.25 - 0.6 floored
    s->setOptimizedMemoryReleased(11.0);
    s->tick();
    EXPECT_DOUBLE_EQ(s->memoryApp(), 0.5);
}

TEST_F(HybridSamplerTest, HighPressureRaisesTheSplitAlertAndAnUnknownTotalGivesNoPressure)
{
    physical = 25ull << 29; // 12 GB used of 12.5
    auto s = make();
    s->tick();
    EXPECT_NEAR(s->memoryPressure(), 96.0, 1e-9);
    EXPECT_TRUE(s->hostVramSplitAlert());

    physical = 0;
    s->tick();
    EXPECT_EQ(s->memoryTotal(), 0.0);
    EXPECT_EQ(s->memoryPressure(), 0.0);
    EXPECT_TRUE(std::isfinite(s->memoryPressure()));
    EXPECT_FALSE(s->hostVramSplitAlert());
}

TEST_F(SamplerTest, ZramStandsInForZswapAndAMissingMeminfoKeepsTheFigures)
{
    tree.write(QStringLiteral("proc/meminfo"), "Active: 1048576 kB\nZswap: 0 kB\nSwapTotal: 100 kB\nSwapFree: 100 kB\n");
    tree.write(QStringLiteral("sys/block/zram0/mm_stat"), "0 0 536870912 0 0 0 0 0\n");
    auto s = make();
    s->tick();
    EXPECT_DOUBLE_EQ(s->memoryCompressed(), 0.5);
    EXPECT_DOUBLE_EQ(s->memoryApp(), 1.0);
    EXPECT_EQ(s->memorySwap(), 0.0);

    s->setMemorySwap(3.0);
    tree.write(QStringLiteral("proc/meminfo"), "");
    s->tick();
    EXPECT_DOUBLE_EQ(s->memoryApp(), 1.0);
    EXPECT_DOUBLE_EQ(s->memorySwap(), 3.0);
}

// ---------------------------------------------------------------- low power

TEST_F(SamplerTest, LowPowerScalingShowsLowerFiguresButKeepsTheHistoryUnscaled)
{
    const std::vector<Load> start(8, Load{0, 0, 0, 0});
    writeStat(start);
    // One package sensor at 97 degrees answers all three readings: fans 6240,
    // throttling 10 before the scaling.
    tree.write(QStringLiteral("sys/class/hwmon/hwmon0/name"), "coretemp\n");
    tree.write(QStringLiteral("sys/class/hwmon/hwmon0/temp1_label"), "Package id 0\n");
    tree.write(QStringLiteral("sys/class/hwmon/hwmon0/temp1_input"), "97000\n");
    auto s = make();
    s->tick();
    writeStat(advanced(start, std::vector<quint64>(8, 95)));
    s->setIsLowPowerModeEnabled(true);
    s->setPowerDraw(4.0);
    s->tick();
    EXPECT_DOUBLE_EQ(s->cpuUsage(), 38.0);
    EXPECT_DOUBLE_EQ(s->cpuHistory().last(), 95.0);
    EXPECT_DOUBLE_EQ(s->baselineCpuUsage(), 95.0);
    EXPECT_DOUBLE_EQ(s->eClusterUsage(), 95.0 / 1.5);
    EXPECT_DOUBLE_EQ(s->pClusterUsage(), 95.0 / 3.0);
    EXPECT_DOUBLE_EQ(s->powerDraw(), 1.5);
    EXPECT_DOUBLE_EQ(s->socTemperature(), 97.0 / 1.4);
    EXPECT_DOUBLE_EQ(s->gpuTemperature(), 97.0 / 1.4);
    EXPECT_EQ(s->fanRPMs(), QList<double>{3120.0});
    EXPECT_EQ(s->throttlingStatus(), 0.0);
    EXPECT_TRUE(notifier.posts.isEmpty()); // 95 before scaling, 38 shown
}

TEST_F(SamplerTest, LowPowerFloorsAndThePowerQuarter)
{
    auto s = make();
    s->setIsLowPowerModeEnabled(true);
    s->setPowerDraw(10.0);
    s->setSocTemperature(40.0);
    s->tick();
    // No sensor: the SoC figure is kept, the GPU one modelled near 36.
    EXPECT_DOUBLE_EQ(s->powerDraw(), 2.5);
    EXPECT_DOUBLE_EQ(s->socTemperature(), 38.0);
    EXPECT_DOUBLE_EQ(s->gpuTemperature(), 36.0);
    EXPECT_EQ(s->fanRPMs(), QList<double>{0.0});
}

TEST_F(SamplerTest, LowPowerCpuDivisionsNotifyEvenWhenNothingChanges)
{
    auto s = make();
    QSignalSpy cpu(s.get(), &SystemStatsProvider::cpuUsageChanged);
    QSignalSpy history(s.get(), &SystemStatsProvider::cpuHistoryChanged);
    QSignalSpy power(s.get(), &SystemStatsProvider::powerDrawChanged);
    s->tick();
    EXPECT_EQ(cpu.count(), 0);
    s->setIsLowPowerModeEnabled(true);
    s->tick();
    s->tick();
    EXPECT_EQ(cpu.count(), 2);      // 0 / 2.5 is still 0, announced anyway
    EXPECT_EQ(power.count(), 1);    // 0 -> 1.5 once, then unchanged
    EXPECT_EQ(history.count(), 0);  // no CPU reading in this tree
}

// ---------------------------------------------------------------- modelled figures

TEST_F(SamplerTest, ModelledFiguresAreDrawnInOrderFromTheirRanges)
{
    using Ranges = QList<QPair<double, double>>;
    // Earlier in the tick: the sensor step models the GPU and SSD figures
    // (no sensor in this tree), then the disk step its two rates.
    const Ranges disk{{-2.0, 2.0}, {-1.0, 3.0}, {0.1, 5.0}, {0.1, 2.0}};
    auto s = make();
    s->tick();
    EXPECT_EQ(random.ranges, disk + (Ranges{{0.0, 0.5}, {0.5, 2.5}}));
    EXPECT_EQ(s->aneUsage(), random.values[4]);
    EXPECT_EQ(s->anePowerDraw(), 0.02);
    EXPECT_EQ(s->gpuUsage(), random.values[5]);

    s->setIsLowPowerModeEnabled(true);
    random.ranges.clear();
    s->tick();
    EXPECT_EQ(random.ranges, disk + (Ranges{{0.0, 0.5}, {0.5, 2.5}}));
    EXPECT_EQ(s->anePowerDraw(), 0.02);

    localAI.modelSizes = {0};
    random.ranges.clear();
    random.values.clear();
    s->tick();
    EXPECT_EQ(random.ranges, disk + (Ranges{{15.0, 35.0}, {2.1, 4.8}, {10.0, 25.0}}));
    EXPECT_DOUBLE_EQ(s->anePowerDraw(), std::max(random.values[5] / 3.0, 0.5));

    s->setIsLowPowerModeEnabled(false);
    random.ranges.clear();
    random.values.clear();
    s->tick();
    EXPECT_EQ(random.ranges, disk + (Ranges{{35.0, 75.0}, {2.1, 4.8}, {25.0, 65.0}}));
    EXPECT_EQ(s->aneUsage(), random.values[4]);
    EXPECT_EQ(s->anePowerDraw(), random.values[5]);
    EXPECT_EQ(s->gpuUsage(), random.values[6]);
}

TEST_F(SamplerTest, EfficiencyRatioDividesByOneWithoutPower)
{
    auto s = make();
    s->setCpuUsage(42.0);
    EXPECT_EQ(s->efficiencyRatio(), 42.0);
    s->setPowerDraw(-3.0);
    EXPECT_EQ(s->efficiencyRatio(), 42.0);
    s->setPowerDraw(4.0);
    EXPECT_EQ(s->efficiencyRatio(), 10.5);
}

// ---------------------------------------------------------------- alert

TEST_F(SamplerTest, AlertFiresStrictlyAboveNinetyWithTheWholeNumberInItsBody)
{
    auto s = make(); // no CPU counters in this tree, so the set figure stands
    s->setCpuUsage(90.0);
    s->tick();
    EXPECT_TRUE(notifier.posts.isEmpty());

    s->setCpuUsage(90.5);
    s->tick();
    s->tick();
    ASSERT_EQ(notifier.posts.size(), 2); // every tick while above, same identifier
    for (const auto& post : notifier.posts) {
        EXPECT_EQ(post.identifier, QStringLiteral("HighCPU"));
        EXPECT_EQ(post.title, QStringLiteral("High CPU Usage Alert"));
        EXPECT_EQ(post.body, QStringLiteral("System CPU usage is at 90%. Consider checking intensive processes."));
    }
    // The stored threshold setting does not move the alert.
    settings.setCpuAlertThreshold(99.0);
    s->setCpuUsage(99.9);
    s->tick();
    EXPECT_EQ(notifier.posts.last().body, QStringLiteral("System CPU usage is at 99%. Consider checking intensive processes."));
}

// ---------------------------------------------------------------- notification rules

TEST_F(SamplerTest, SettersNotifyOnRealChangesExceptTheAnnouncedOnes)
{
    auto s = make();
    QSignalSpy soc(s.get(), &SystemStatsProvider::socTemperatureChanged);
    QSignalSpy any(s.get(), &SystemStatsProvider::changed);
    s->setSocTemperature(0.0);
    EXPECT_EQ(soc.count(), 0);
    s->setSocTemperature(51.0);
    EXPECT_EQ(soc.count(), 1);
    EXPECT_EQ(any.count(), 1);

    QSignalSpy connections(s.get(), &SystemStatsProvider::activeConnectionsChanged);
    s->setActiveConnections({});
    s->setActiveConnections({});
    EXPECT_EQ(connections.count(), 2);

    QSignalSpy junk(s.get(), &SystemStatsProvider::cleanedJunkTotalChanged);
    s->addToCleanedJunkTotal(0.0);
    s->addToCleanedJunkTotal(1.5);
    EXPECT_EQ(junk.count(), 2);
    EXPECT_EQ(s->cleanedJunkTotal(), 1.5);
}

} // namespace
