#include "support/ScratchTree.h"

#include "core/SettingsStore.h"
#include "fakes/FakeDesktopNotifier.h"
#include "fakes/FakeLocalAIStateSource.h"
#include "fakes/RecordingRandom.h"
#include "support/PrintCapture.h"
#include "telemetry/SystemStatsProvider.h"
#include "support/SamplerDeps.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

class SamplerSensorsTest : public ::testing::Test {
protected:
    std::unique_ptr<SystemStatsProvider> make()
    {
        SystemStatsProvider::Deps deps = samplerDeps(tree.root(), settings, random, localAI, notifier);
        deps.paths.etcRoot = tree.root() + QStringLiteral("/etc");
        deps.physicalMemory = [] { return quint64(16) << 30; };
        return std::make_unique<SystemStatsProvider>(std::move(deps), false);
    }

    void sysfs(const QString& relative, const QByteArray& value) const
    {
        tree.write(QStringLiteral("sys/class/") + relative, value + '\n');
    }

    // A desktop's NVMe drive listed first, then the CPU and the GPU.
    void writeSensors() const
    {
        sysfs(QStringLiteral("hwmon/hwmon0/name"), "nvme");
        sysfs(QStringLiteral("hwmon/hwmon0/temp1_label"), "Composite");
        sysfs(QStringLiteral("hwmon/hwmon0/temp1_input"), "41850");
        sysfs(QStringLiteral("hwmon/hwmon1/name"), "k10temp");
        sysfs(QStringLiteral("hwmon/hwmon1/temp1_label"), "Tctl");
        sysfs(QStringLiteral("hwmon/hwmon1/temp1_input"), "65500");
        sysfs(QStringLiteral("hwmon/hwmon2/name"), "amdgpu");
        sysfs(QStringLiteral("hwmon/hwmon2/temp1_label"), "edge");
        sysfs(QStringLiteral("hwmon/hwmon2/temp1_input"), "47000");
    }

    // A headset battery listed before the machine's own, and a charger.
    void writeBattery() const
    {
        const QString headset = QStringLiteral("power_supply/hid-f0:b3:ec:1c:a6:2e-battery/");
        sysfs(headset + QStringLiteral("type"), "Battery");
        sysfs(headset + QStringLiteral("scope"), "Device");
        sysfs(headset + QStringLiteral("capacity"), "30");
        const QString own = QStringLiteral("power_supply/macsmc-battery/");
        sysfs(own + QStringLiteral("type"), "Battery");
        sysfs(own + QStringLiteral("status"), "Charging");
        sysfs(own + QStringLiteral("charge_now"), "4000000");
        sysfs(own + QStringLiteral("charge_full"), "5000000");
        sysfs(own + QStringLiteral("voltage_now"), "12000000");
        sysfs(own + QStringLiteral("current_now"), "-1500000");
        sysfs(QStringLiteral("power_supply/macsmc-ac/type"), "Mains");
        sysfs(QStringLiteral("power_supply/macsmc-ac/online"), "1");
    }

    ScratchTree tree;
    QTemporaryDir settingsDir;
    SettingsStore settings{settingsDir.path() + QStringLiteral("/settings.ini")};
    RecordingRandom random;
    FakeLocalAIStateSource localAI;
    FakeDesktopNotifier notifier;
};

} // namespace

TEST_F(SamplerSensorsTest, NoSensorsAndNoBatteryLeaveMeasuredFiguresAndModelTheRest)
{
    PrintCapture capture;
    auto s = make();
    s->setCpuUsage(42.0);
    for (int i = 0; i < 3; ++i) {
        s->tick();
        EXPECT_EQ(s->socTemperature(), 0.0);
        EXPECT_GE(s->gpuTemperature(), -2.0);
        EXPECT_LE(s->gpuTemperature(), 2.0);
        EXPECT_GE(s->ssdTemperature(), 34.0);
        EXPECT_LE(s->ssdTemperature(), 38.0);
        EXPECT_EQ(s->throttlingStatus(), 0.0);
        EXPECT_EQ(s->fanRPMs(), QList<double>{0.0});
    }
    EXPECT_EQ(capture.lines().count(QStringLiteral("HIDMonitor: No thermal services found.")), 1)
        << "once, not three times a tick";
    EXPECT_FALSE(s->getBatteryInfo().has_value());
    EXPECT_EQ(s->batteryPercentage(), 0);
    EXPECT_FALSE(s->batteryIsCharging());
    EXPECT_EQ(s->batteryTimeToEmpty(), 0);
    EXPECT_FALSE(s->isUnplugged());
    EXPECT_EQ(s->powerDraw(), 0.0);
    EXPECT_EQ(s->efficiencyRatio(), 42.0);

    // Low power floors the kept SoC figure at 38, and it stays there.
    s->setIsLowPowerModeEnabled(true);
    s->tick();
    EXPECT_EQ(s->socTemperature(), 38.0);
    s->setIsLowPowerModeEnabled(false);
    s->tick();
    EXPECT_EQ(s->socTemperature(), 38.0);
}

TEST_F(SamplerSensorsTest, SensorsAndBatteryFillTheFigures)
{
    writeSensors();
    writeBattery();
    auto s = make();
    s->tick();
    EXPECT_DOUBLE_EQ(s->socTemperature(), 65.5);
    EXPECT_DOUBLE_EQ(s->gpuTemperature(), 65.5) << "the CPU sensor is listed before the GPU";
    EXPECT_DOUBLE_EQ(s->ssdTemperature(), 41.85);
    EXPECT_EQ(s->fanRPMs(), QList<double>{2460.0});
    EXPECT_FALSE(random.ranges.contains({-2.0, 2.0})) << "nothing modelled when every reading answers";

    EXPECT_EQ(s->batteryPercentage(), 80);
    EXPECT_TRUE(s->batteryIsCharging());
    EXPECT_DOUBLE_EQ(s->powerDraw(), 18.0);
    EXPECT_FALSE(s->isUnplugged());
    EXPECT_DOUBLE_EQ(s->efficiencyRatio(), s->cpuUsage() / 18.0);

    // Unplugged: the adapter's state and the status are re-read each tick.
    sysfs(QStringLiteral("power_supply/macsmc-ac/online"), "0");
    sysfs(QStringLiteral("power_supply/macsmc-battery/status"), "Discharging");
    s->setIsLowPowerModeEnabled(true);
    s->tick();
    EXPECT_TRUE(s->isUnplugged());
    EXPECT_FALSE(s->batteryIsCharging());
    EXPECT_EQ(s->batteryTimeToEmpty(), 160) << "4 Ah x 12 V at 18 W";
    EXPECT_DOUBLE_EQ(s->powerDraw(), 4.5) << "a quarter in low-power mode";
}

TEST_F(SamplerSensorsTest, TurboFromTheSwitchOrFromABuildOutsideDemoMode)
{
    tree.write(QStringLiteral("proc/4242/comm"), "cargo\n");
    auto s = make();
    s->setForceTurboCooling(true);
    s->tick();
    ASSERT_EQ(s->fanRPMs().size(), 1);
    EXPECT_GE(s->fanRPMs().first(), 6750.0);
    EXPECT_LE(s->fanRPMs().first(), 6850.0);

    s->setForceTurboCooling(false);
    localAI.turbo = true;
    s->tick();
    EXPECT_EQ(s->fanRPMs(), QList<double>{0.0}) << "demo mode: no build is seen";
    localAI.demo = false;
    s->tick();
    EXPECT_GE(s->fanRPMs().first(), 6750.0) << "a cargo process runs";
    QDir(tree.proc() + QStringLiteral("/4242")).removeRecursively();
    s->tick();
    EXPECT_EQ(s->fanRPMs(), QList<double>{0.0});
}

TEST_F(SamplerSensorsTest, HardwareInfoJoinsTheMachinesDescriptionWithTheSamplersCounts)
{
    sysfs(QStringLiteral("dmi/id/product_name"), "MacBookPro18,3");
    tree.write(QStringLiteral("proc/cpuinfo"), "processor\t: 0\nmodel name\t: Apple M1 Pro\n");
    tree.write(QStringLiteral("etc/os-release"), "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    auto s = make();
    const MachineHardwareInfo info = s->getHardwareInfo();
    EXPECT_EQ(info.modelName, QStringLiteral("MacBook Pro"));
    EXPECT_EQ(info.processor, QStringLiteral("Apple M1 Pro"));
    EXPECT_EQ(info.neuralEngine, QStringLiteral("16-Core Apple Neural Engine (Up to 15.8 TOPS)"));
    EXPECT_EQ(info.memoryBandwidth, QStringLiteral("200 GB/s"));
    EXPECT_DOUBLE_EQ(info.physicalMemoryGB, 16.0);
    EXPECT_EQ(info.performanceCores, s->pCoreCount());
    EXPECT_EQ(info.efficiencyCores, s->eCoreCount());
    EXPECT_EQ(info.gpuCores, s->gpuCoreCount());
    EXPECT_TRUE(info.osVersion.startsWith(QStringLiteral("Debian GNU/Linux 12 (bookworm), kernel ")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^VKT-[0-9]{1,8}-SYS$")).match(info.serialNumber).hasMatch());
    EXPECT_EQ(s->getHardwareInfo().serialNumber, info.serialNumber);
}
