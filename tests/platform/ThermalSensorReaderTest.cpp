#include "platform/ThermalSensorReader.h"

#include "support/ScratchTree.h"

#include <gtest/gtest.h>

namespace {

QStringList products(const QList<ThermalSensor>& sensors)
{
    QStringList list;
    for (const ThermalSensor& sensor : sensors)
        list << sensor.product + QLatin1Char('=') + sensor.source;
    return list;
}

} // namespace

TEST(ThermalSensorReaderTest, RoleKeysForKnownDriversAndZones)
{
    struct Case {
        const char* chip;
        const char* label;
        const char* product;
    };
    const Case cases[] = {
        {"coretemp", "Package id 0", "Tp09"}, {"coretemp", "Physical id 1", "Tp09"}, {"coretemp", "Core 12", "Tp01"},
        {"k10temp", "Tctl", "Tp09"},         {"k10temp", "Tdie", "Tp09"},          {"k10temp", "Tccd3", "Tp01"},
        {"k10temp", "", "Tp09"},             {"zenpower", "Tdie", "Tp09"},         {"amdgpu", "edge", "Tg05"},
        {"amdgpu", "junction", "Tg05"},      {"amdgpu", "mem", ""},                {"nouveau", "", "Tg05"},
        {"nvme", "Composite", "Ts01"},       {"nvme", "Sensor 2", ""},             {"drivetemp", "", "Ts01"},
        {"acpitz", "", "Ta01"},              {"cpu_thermal", "", "Tp09"},          {"soc_thermal", "", "Tp09"},
        {"gpu_thermal", "", "Tg05"},         {"iwlwifi_1", "", ""},                {"nct6798", "SYSTIN", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ThermalSensorReader::productForHwmon(QString::fromUtf8(c.chip), QString::fromUtf8(c.label)),
                  QString::fromUtf8(c.product))
            << c.chip << " / " << c.label;

    EXPECT_EQ(ThermalSensorReader::productForThermalZone(QStringLiteral("x86_pkg_temp")), QStringLiteral("Tp09"));
    EXPECT_EQ(ThermalSensorReader::productForThermalZone(QStringLiteral("cpu-thermal")), QStringLiteral("Tp09"));
    EXPECT_EQ(ThermalSensorReader::productForThermalZone(QStringLiteral("gpu0-thermal")), QStringLiteral("Tg05"));
    EXPECT_EQ(ThermalSensorReader::productForThermalZone(QStringLiteral("acpitz")), QStringLiteral("Ta01"));
    EXPECT_EQ(ThermalSensorReader::productForThermalZone(QStringLiteral("pch_cannonlake")), QString());
    EXPECT_EQ(ThermalSensorReader::productForThermalZone(QStringLiteral("INT3400 Thermal")), QString());
}

TEST(ThermalSensorReaderTest, ListsSensorsInTheSystemsNumericOrder)
{
    ThermalSensorReader laptop(testDataPath(QStringLiteral("sensors/intel-laptop")));
    ASSERT_TRUE(laptop.sensors().has_value());
    EXPECT_EQ(products(*laptop.sensors()),
              (QStringList{QStringLiteral("Ta01=acpitz"), QStringLiteral("Ts01=nvme Composite"),
                           QStringLiteral("Tp09=coretemp Package id 0"), QStringLiteral("Tp01=coretemp Core 0"),
                           QStringLiteral("Tp01=coretemp Core 1"), QStringLiteral("Ta01=acpitz"),
                           QStringLiteral("Tp09=x86_pkg_temp")}));
    EXPECT_EQ(laptop.readCelsius(2), 61.0);
    EXPECT_EQ(laptop.readCelsius(1), 38.85);
    EXPECT_FALSE(laptop.readCelsius(99).has_value());
    EXPECT_FALSE(laptop.readCelsius(-1).has_value());

    // hwmon10 comes after hwmon2, and a device/ folder holds old drivers' files.
    ThermalSensorReader desktop(testDataPath(QStringLiteral("sensors/amd-desktop")));
    ASSERT_TRUE(desktop.sensors().has_value());
    EXPECT_EQ(products(*desktop.sensors()),
              (QStringList{QStringLiteral("Ts01=nvme Composite"), QStringLiteral("Tp09=k10temp Tctl"),
                           QStringLiteral("Tp01=k10temp Tccd1"), QStringLiteral("Tg05=amdgpu edge"),
                           QStringLiteral("Tg05=amdgpu junction"), QStringLiteral("Ts01=drivetemp")}));
    EXPECT_EQ(desktop.readCelsius(5), 33.0);

    ThermalSensorReader board(testDataPath(QStringLiteral("sensors/arm-board")));
    EXPECT_EQ(products(board.sensors().value()),
              (QStringList{QStringLiteral("Tp09=cpu_thermal"), QStringLiteral("Tp09=cpu-thermal"),
                           QStringLiteral("Tg05=gpu-thermal")}));
}

TEST(ThermalSensorReaderTest, MissingClassesAreNoListButEmptyClassesAreAnEmptyList)
{
    ThermalSensorReader missing(testDataPath(QStringLiteral("sensors/does-not-exist")));
    EXPECT_FALSE(missing.sensors().has_value());

    ThermalSensorReader vm(testDataPath(QStringLiteral("sensors/virtual-machine")));
    ASSERT_TRUE(vm.sensors().has_value());
    EXPECT_TRUE(vm.sensors()->isEmpty());
}

TEST(ThermalSensorReaderTest, UnreadableOrMalformedValuesGiveNoReading)
{
    ScratchTree tree;
    tree.write(QStringLiteral("class/hwmon/hwmon0/name"), "amdgpu\n");
    tree.write(QStringLiteral("class/hwmon/hwmon0/temp1_label"), "edge\n");
    tree.write(QStringLiteral("class/hwmon/hwmon0/temp1_input"), "hot\n");
    tree.write(QStringLiteral("class/hwmon/hwmon0/temp2_label"), "junction\n");
    tree.write(QStringLiteral("class/hwmon/hwmon0/temp2_input"), "-5000\n");
    // Names that only look numbered are ignored rather than misparsed.
    tree.write(QStringLiteral("class/hwmon/hwmonX/name"), "k10temp\n");
    tree.write(QStringLiteral("class/hwmon/hwmonX/temp1_input"), "50000\n");
    tree.write(QStringLiteral("class/hwmon/hwmon0/temp99999999999_input"), "50000\n");
    ThermalSensorReader reader(tree.root());
    ASSERT_EQ(reader.sensors()->size(), 2);
    EXPECT_FALSE(reader.readCelsius(0).has_value());
    EXPECT_EQ(reader.readCelsius(1), -5.0);
}

TEST(ThermalSensorReaderTest, ValuesAreReReadButTheListOnlyOnRescan)
{
    ScratchTree tree;
    tree.write(QStringLiteral("class/hwmon/hwmon0/name"), "acpitz\n");
    tree.write(QStringLiteral("class/hwmon/hwmon0/temp1_input"), "40000\n");
    ThermalSensorReader reader(tree.root(), std::chrono::hours(1));
    ASSERT_EQ(reader.sensors()->size(), 1);
    EXPECT_EQ(reader.readCelsius(0), 40.0);
    tree.write(QStringLiteral("class/hwmon/hwmon0/temp1_input"), "41500\n");
    EXPECT_EQ(reader.readCelsius(0), 41.5) << "a kept descriptor still sees the new value";

    tree.write(QStringLiteral("class/hwmon/hwmon1/name"), "nvme\n");
    tree.write(QStringLiteral("class/hwmon/hwmon1/temp1_input"), "35000\n");
    EXPECT_EQ(reader.sensors()->size(), 1) << "the list is cached";
    reader.invalidate();
    EXPECT_EQ(reader.sensors()->size(), 2);

    ThermalSensorReader eager(tree.root(), std::chrono::milliseconds(0));
    ASSERT_EQ(eager.sensors()->size(), 2);
    tree.remove(QStringLiteral("class/hwmon"));
    EXPECT_FALSE(eager.sensors().has_value()) << "a zero interval discovers on every call";
}

TEST(ThermalSensorReaderTest, SensorsBeyondTheKeptLimitAreStillRead)
{
    ScratchTree tree;
    tree.write(QStringLiteral("class/hwmon/hwmon0/name"), "coretemp\n");
    const int cores = int(ThermalSensorReader::kKeptOpenLimit) + 8;
    for (int i = 1; i <= cores; ++i) {
        tree.write(QStringLiteral("class/hwmon/hwmon0/temp%1_label").arg(i), QByteArray("Core ") + QByteArray::number(i));
        tree.write(QStringLiteral("class/hwmon/hwmon0/temp%1_input").arg(i), QByteArray::number(40000 + i * 100));
    }
    ThermalSensorReader reader(tree.root());
    ASSERT_EQ(reader.sensors()->size(), cores);
    for (int i = 0; i < cores; ++i)
        EXPECT_DOUBLE_EQ(reader.readCelsius(i).value_or(0), 40.0 + (i + 1) * 0.1);
}
