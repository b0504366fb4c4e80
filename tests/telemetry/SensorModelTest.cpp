#include "telemetry/SensorModel.h"

#include "core/Random.h"
#include "telemetry/HIDMonitor.h"

#include "support/ScratchTree.h"

#include <gtest/gtest.h>

namespace {

// Records every draw and answers with the low, middle or high end.
class ScriptedRandom : public Random {
public:
    enum class Pick { low, middle, high };
    explicit ScriptedRandom(Pick pick = Pick::middle) : m_pick(pick) {}
    double uniform(double low, double high) override
    {
        draws.emplace_back(low, high);
        switch (m_pick) {
        case Pick::low: return low;
        case Pick::high: return high;
        case Pick::middle: break;
        }
        return (low + high) / 2;
    }
    std::vector<std::pair<double, double>> draws;

private:
    Pick m_pick;
};

// A machine whose CPU package reads `celsius` and that has no other sensor.
class PackageOnly {
public:
    explicit PackageOnly(double celsius)
    {
        m_tree.write(QStringLiteral("class/hwmon/hwmon0/name"), "coretemp\n");
        m_tree.write(QStringLiteral("class/hwmon/hwmon0/temp1_label"), "Package id 0\n");
        m_tree.write(QStringLiteral("class/hwmon/hwmon0/temp1_input"), QByteArray::number(qint64(celsius * 1000)));
        monitor = std::make_unique<HIDMonitor>(std::make_unique<ThermalSensorReader>(m_tree.root()));
    }
    std::unique_ptr<HIDMonitor> monitor;

private:
    ScratchTree m_tree;
};

HIDMonitor fixtureMonitor(const char* machine)
{
    return HIDMonitor(std::make_unique<ThermalSensorReader>(testDataPath(QStringLiteral("sensors/") + QLatin1String(machine))));
}

} // namespace

TEST(SensorModelTest, NoSensorAtAllKeepsTheSocTemperatureAndModelsTheRest)
{
    HIDMonitor monitor = fixtureMonitor("virtual-machine");
    Random random(7);
    for (int i = 0; i < 200; ++i) {
        const SensorFigures f = SensorModel::sample(monitor, random, {});
        EXPECT_EQ(f.socTemperature, 0.0);
        EXPECT_GE(f.gpuTemperature, -2.0);
        EXPECT_LE(f.gpuTemperature, 2.0);
        EXPECT_GE(f.ssdTemperature, 34.0);
        EXPECT_LE(f.ssdTemperature, 38.0);
        EXPECT_EQ(f.throttlingStatus, 0.0);
        EXPECT_EQ(f.fanRPMs, QList<double>{0.0});
    }
    const SensorFigures kept = SensorModel::sample(monitor, random, {.previousSocTemperature = 38.0});
    EXPECT_EQ(kept.socTemperature, 38.0) << "the last value stays when no sensor answers";
    EXPECT_NEAR(kept.gpuTemperature, 34.2, 2.0);
}

TEST(SensorModelTest, MeasuredValuesReplaceTheModelAndOnlyMissingOnesDrawRandomFigures)
{
    HIDMonitor monitor = fixtureMonitor("arm-board");
    ScriptedRandom random;
    const SensorFigures f = SensorModel::sample(monitor, random, {.previousSocTemperature = 90.0});
    EXPECT_DOUBLE_EQ(f.socTemperature, 48.312);
    EXPECT_DOUBLE_EQ(f.gpuTemperature, 48.312) << "the CPU zone is listed first and carries a fallback name";
    EXPECT_DOUBLE_EQ(f.ssdTemperature, 48.312);
    EXPECT_TRUE(random.draws.empty());
    EXPECT_EQ(f.fanRPMs, QList<double>{0.0});

    HIDMonitor none = fixtureMonitor("virtual-machine");
    ScriptedRandom order(ScriptedRandom::Pick::high);
    const SensorFigures modelled = SensorModel::sample(none, order, {.previousSocTemperature = 60.0, .forceTurboCooling = true});
    using Draw = std::pair<double, double>;
    EXPECT_EQ(order.draws, (std::vector<Draw>{{-2.0, 2.0}, {-1.0, 3.0}, {-50.0, 50.0}})) << "GPU, SSD, then fan";
    EXPECT_DOUBLE_EQ(modelled.gpuTemperature, 56.0);
    EXPECT_DOUBLE_EQ(modelled.ssdTemperature, 38.0);
    EXPECT_EQ(modelled.fanRPMs, QList<double>{6850.0});
}

TEST(SensorModelTest, FanCurveAndThrottlingPoints)
{
    EXPECT_EQ(SensorModel::fanSpeedFor(0.0), 0.0);
    EXPECT_EQ(SensorModel::fanSpeedFor(55.0), 0.0);
    EXPECT_EQ(SensorModel::fanSpeedFor(56.0), 1320.0);
    EXPECT_EQ(SensorModel::fanSpeedFor(100.0), 6600.0);
    EXPECT_EQ(SensorModel::fanSpeedFor(105.0), 7200.0);
    EXPECT_EQ(SensorModel::fanSpeedFor(130.0), 7200.0);
    EXPECT_EQ(SensorModel::throttlingFor(95.0), 0.0);
    EXPECT_EQ(SensorModel::throttlingFor(97.0), 10.0);

    // The same points read from a sensor tree.
    const std::pair<double, double> points[] = {{55.0, 0.0}, {56.0, 1320.0}, {100.0, 6600.0}, {105.0, 7200.0}};
    for (const auto& [celsius, rpm] : points) {
        PackageOnly machine(celsius);
        Random random(1);
        const SensorFigures f = SensorModel::sample(*machine.monitor, random, {});
        EXPECT_EQ(f.socTemperature, celsius);
        EXPECT_EQ(f.fanRPMs, QList<double>{rpm}) << celsius;
    }
    PackageOnly hot(97.0);
    Random random(1);
    EXPECT_EQ(SensorModel::sample(*hot.monitor, random, {}).throttlingStatus, 10.0);
}

TEST(SensorModelTest, TurboRules)
{
    PackageOnly cool(40.0);
    int scans = 0;
    auto compiling = [&scans] { return ++scans > 0; };
    auto idle = [&scans] { ++scans; return false; };

    Random random(99);
    for (int i = 0; i < 300; ++i) {
        const SensorFigures f = SensorModel::sample(*cool.monitor, random, {.forceTurboCooling = true, .isCompilerRunning = compiling});
        ASSERT_EQ(f.fanRPMs.size(), 1);
        EXPECT_GE(f.fanRPMs.first(), 6750.0);
        EXPECT_LE(f.fanRPMs.first(), 6850.0);
    }
    EXPECT_EQ(scans, 0) << "forced turbo needs no process scan";

    const SensorFigures built = SensorModel::sample(*cool.monitor, random, {.buildTurboEnabled = true, .isCompilerRunning = compiling});
    EXPECT_GE(built.fanRPMs.first(), 6750.0);
    EXPECT_EQ(scans, 1);

    const SensorFigures quiet = SensorModel::sample(*cool.monitor, random, {.buildTurboEnabled = true, .isCompilerRunning = idle});
    EXPECT_EQ(quiet.fanRPMs, QList<double>{0.0}) << "build turbo without a compiler follows the temperature";

    const SensorFigures off = SensorModel::sample(*cool.monitor, random, {.isCompilerRunning = compiling});
    EXPECT_EQ(off.fanRPMs, QList<double>{0.0});
    EXPECT_EQ(scans, 2) << "no scan when build turbo is off";
}
