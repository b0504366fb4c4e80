#include "telemetry/HIDMonitor.h"

#include "support/ScratchTree.h"
#include "support/PrintCapture.h"

#include <gtest/gtest.h>

namespace {

HIDMonitor monitorOn(const QString& root, std::chrono::milliseconds rescan = std::chrono::seconds(10))
{
    return HIDMonitor(std::make_unique<ThermalSensorReader>(root, rescan));
}

HIDMonitor fixtureMonitor(const char* machine)
{
    return monitorOn(testDataPath(QStringLiteral("sensors/") + QLatin1String(machine)));
}

} // namespace

TEST(HIDMonitorTest, FirstListedSensorWithAnyCandidateNameAnswers)
{
    // A CPU core sensor listed before the GPU answers a request for the GPU.
    HIDMonitor quirk = fixtureMonitor("core-before-gpu");
    EXPECT_EQ(quirk.readTemperature(QStringLiteral("Tg05")), 52.0);
    EXPECT_EQ(quirk.readTemperature(QStringLiteral("tg05")), 52.0);

    // On a laptop whose ACPI zone comes first, the zone answers the SoC and
    // SSD requests too: Ta01 is a fallback name for every request.
    HIDMonitor laptop = fixtureMonitor("intel-laptop");
    EXPECT_EQ(laptop.readTemperature(QStringLiteral("Tp09")), 27.8);
    EXPECT_EQ(laptop.readTemperature(QStringLiteral("Ts01")), 27.8);

    // A request for a name only: the first sensor carrying that name or a
    // fallback name. The NVMe drive comes first but carries neither for Tp09.
    HIDMonitor desktop = fixtureMonitor("amd-desktop");
    EXPECT_EQ(desktop.readTemperature(QStringLiteral("Tp09")), 65.5);
    EXPECT_EQ(desktop.readTemperature(QStringLiteral("Tg05")), 65.5);
    EXPECT_EQ(desktop.readTemperature(QStringLiteral("Ts01")), 41.85);
    EXPECT_EQ(desktop.readTemperature(QStringLiteral("Tx99")), 65.5) << "unknown names still get the fallbacks";
}

TEST(HIDMonitorTest, ZeroOrMissingReadingsPassToTheNextCandidate)
{
    HIDMonitor monitor = fixtureMonitor("gpu-asleep");
    EXPECT_EQ(monitor.readTemperature(QStringLiteral("Tg05")), 30.0);

    ScratchTree tree;
    tree.write(QStringLiteral("class/hwmon/hwmon0/name"), "nvme\n");
    tree.write(QStringLiteral("class/hwmon/hwmon0/temp1_input"), "0\n");
    HIDMonitor storageOnly = monitorOn(tree.root());
    EXPECT_FALSE(storageOnly.readTemperature(QStringLiteral("Ts01")).has_value());
    EXPECT_FALSE(storageOnly.readTemperature(QStringLiteral("Tp09")).has_value());
}

TEST(HIDMonitorTest, NoSensorListIsReportedOncePerChangeOfState)
{
    PrintCapture capture;
    ScratchTree tree;
    HIDMonitor monitor = monitorOn(tree.root(), std::chrono::milliseconds(0));
    for (int i = 0; i < 6; ++i)
        EXPECT_FALSE(monitor.readTemperature(QStringLiteral("Tp09")).has_value());
    EXPECT_EQ(capture.lines(), QStringList{QStringLiteral("HIDMonitor: No thermal services found.")});

    tree.write(QStringLiteral("class/hwmon/hwmon0/name"), "acpitz\n");
    tree.write(QStringLiteral("class/hwmon/hwmon0/temp1_input"), "44000\n");
    EXPECT_EQ(monitor.readTemperature(QStringLiteral("Tp09")), 44.0);
    tree.remove(QStringLiteral("class"));
    monitor.readTemperature(QStringLiteral("Tp09"));
    monitor.readTemperature(QStringLiteral("Tg05"));
    // Printed again when the sensors went away, once: as a repeat of the
    // line before, it is counted, and the count goes out with the next line.
    kestrova::print(QStringLiteral("next"));
    EXPECT_EQ(capture.lines(), (QStringList{QStringLiteral("HIDMonitor: No thermal services found."),
                                            kestrova::repeatedLine(1), QStringLiteral("next")}));
}

TEST(HIDMonitorTest, AnEmptySensorListIsSilent)
{
    PrintCapture capture;
    HIDMonitor monitor = fixtureMonitor("virtual-machine");
    EXPECT_FALSE(monitor.readTemperature(QStringLiteral("Tp09")).has_value());
    EXPECT_TRUE(capture.lines().isEmpty());
}

TEST(HIDMonitorTest, ThisMachineAnswersOrFallsBackQuietly)
{
    HIDMonitor monitor;
    for (const char* name : {"Tp09", "Tg05", "Ts01"}) {
        const auto celsius = monitor.readTemperature(QString::fromLatin1(name));
        if (celsius) {
            EXPECT_GT(*celsius, 0.0);
            EXPECT_LT(*celsius, 200.0);
        }
    }
}
