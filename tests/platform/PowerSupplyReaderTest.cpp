#include "platform/PowerSupplyReader.h"

#include "support/ScratchTree.h"

#include <gtest/gtest.h>

namespace {

std::optional<BatteryInfo> readFixture(const char* name)
{
    PowerSupplyReader reader(testDataPath(QStringLiteral("power/") + QLatin1String(name)));
    return reader.battery();
}

// A battery folder with the given attributes, in a temp tree.
void writeBattery(const ScratchTree& tree, const QString& name, std::initializer_list<std::pair<const char*, const char*>> attributes)
{
    for (const auto& [key, value] : attributes)
        tree.write(QStringLiteral("class/power_supply/%1/%2").arg(name, QLatin1String(key)), QByteArray(value) + '\n');
}

} // namespace

TEST(PowerSupplyReaderTest, LaptopOnBatteryWithEnergyFigures)
{
    const auto info = readFixture("laptop-on-battery");
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->percentage, 80);
    EXPECT_FALSE(info->isCharging);
    EXPECT_DOUBLE_EQ(info->wattage, 10.0) << "power_now is taken as reported";
    EXPECT_EQ(info->timeToEmpty, 240) << "40 Wh at 10 W";
    EXPECT_TRUE(info->isUnplugged) << "the mains adapter is offline";
}

TEST(PowerSupplyReaderTest, PeripheralBatteryListedFirstIsPassedOver)
{
    const auto info = readFixture("peripheral-first");
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->percentage, 80) << "charge 4000 of 5000, not the mouse's 30";
    EXPECT_TRUE(info->isCharging);
    EXPECT_DOUBLE_EQ(info->wattage, 18.0) << "12000 mV x -1500 mA: the sign does not matter";
    EXPECT_EQ(info->timeToEmpty, 0) << "nothing to estimate while charging";
    EXPECT_FALSE(info->isUnplugged);
}

TEST(PowerSupplyReaderTest, WithoutAnAdapterTheStatusDecidesAndTheKernelEstimateIsUsed)
{
    const auto info = readFixture("no-adapter-listed");
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->percentage, 57);
    EXPECT_TRUE(info->isUnplugged);
    EXPECT_EQ(info->timeToEmpty, 90);
    EXPECT_DOUBLE_EQ(info->wattage, 18.0);
}

TEST(PowerSupplyReaderTest, DesktopWithoutBatteryHasNone)
{
    EXPECT_FALSE(readFixture("desktop").has_value()) << "a wireless mouse's battery is not the machine's";
    EXPECT_FALSE(readFixture("does-not-exist").has_value());
}

TEST(PowerSupplyReaderTest, PercentageIsClampedAndSurvivesAZeroFullFigure)
{
    EXPECT_EQ(PowerSupplyReader::percentageFrom(57, 100), 57);
    EXPECT_EQ(PowerSupplyReader::percentageFrom(4000, 5000), 80);
    EXPECT_EQ(PowerSupplyReader::percentageFrom(2999, 3000), 99) << "truncated, not rounded";
    EXPECT_EQ(PowerSupplyReader::percentageFrom(83, 0), 83) << "no division by zero";
    EXPECT_EQ(PowerSupplyReader::percentageFrom(52000000, 0), 100);
    EXPECT_EQ(PowerSupplyReader::percentageFrom(5100, 5000), 100) << "a battery reporting more than full";
    EXPECT_EQ(PowerSupplyReader::percentageFrom(-10, 100), 0);
}

TEST(PowerSupplyReaderTest, PercentageSourcesInOrder)
{
    ScratchTree tree;
    // energy_full 0: the charge pair, then capacity, then the current figure.
    writeBattery(tree, QStringLiteral("BAT0"),
                 {{"type", "Battery"}, {"energy_now", "30000000"}, {"energy_full", "0"}, {"charge_now", "1000"},
                  {"charge_full", "4000"}, {"capacity", "61"}});
    PowerSupplyReader reader(tree.root(), std::chrono::milliseconds(0));
    EXPECT_EQ(reader.battery()->percentage, 25);
    tree.write(QStringLiteral("class/power_supply/BAT0/charge_full"), "0\n");
    EXPECT_EQ(reader.battery()->percentage, 61);
    QFile::remove(tree.path(QStringLiteral("class/power_supply/BAT0/capacity")));
    tree.write(QStringLiteral("class/power_supply/BAT0/energy_now"), "83\n");
    EXPECT_EQ(reader.battery()->percentage, 83);

    ScratchTree bare;
    writeBattery(bare, QStringLiteral("BAT0"), {{"type", "Battery"}, {"status", "Unknown"}});
    PowerSupplyReader bareReader(bare.root());
    EXPECT_EQ(bareReader.battery(), BatteryInfo{}) << "nothing readable: all figures at their defaults";
}

TEST(PowerSupplyReaderTest, TimeToEmptyIsComputedOnlyWhileDischarging)
{
    ScratchTree tree;
    writeBattery(tree, QStringLiteral("BAT0"),
                 {{"type", "Battery"}, {"status", "Discharging"}, {"charge_now", "3000000"}, {"charge_full", "6000000"},
                  {"voltage_now", "11000000"}, {"current_now", "1500000"}});
    PowerSupplyReader reader(tree.root(), std::chrono::milliseconds(0));
    auto info = reader.battery();
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->timeToEmpty, 120) << "3 Ah at 1.5 A";
    EXPECT_DOUBLE_EQ(info->wattage, 16.5);
    EXPECT_TRUE(info->isUnplugged);

    tree.write(QStringLiteral("class/power_supply/BAT0/status"), "Full\n");
    info = reader.battery();
    EXPECT_EQ(info->timeToEmpty, 0);
    EXPECT_FALSE(info->isUnplugged);
    EXPECT_FALSE(info->isCharging);

    tree.write(QStringLiteral("class/power_supply/BAT0/status"), "Discharging\n");
    tree.write(QStringLiteral("class/power_supply/BAT0/current_now"), "0\n");
    EXPECT_EQ(reader.battery()->timeToEmpty, 0) << "no power flowing: no estimate, no division by zero";
}

TEST(PowerSupplyReaderTest, AnyOnlineAdapterMeansPluggedIn)
{
    ScratchTree tree;
    writeBattery(tree, QStringLiteral("BAT0"), {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "50"}});
    tree.write(QStringLiteral("class/power_supply/AC0/type"), "Mains\n");
    tree.write(QStringLiteral("class/power_supply/AC0/online"), "0\n");
    tree.write(QStringLiteral("class/power_supply/ucsi-source-psy-USBC000:001/type"), "USB\n");
    tree.write(QStringLiteral("class/power_supply/ucsi-source-psy-USBC000:001/online"), "1\n");
    PowerSupplyReader reader(tree.root(), std::chrono::hours(1));
    EXPECT_FALSE(reader.battery()->isUnplugged) << "charging over USB-C while the status lags";
    tree.write(QStringLiteral("class/power_supply/ucsi-source-psy-USBC000:001/online"), "0\n");
    EXPECT_TRUE(reader.battery()->isUnplugged) << "online state is re-read on every call";
}

TEST(PowerSupplyReaderTest, AnEmptySlotIsNoBatteryAndTheNextOneIsRead)
{
    ScratchTree tree;
    writeBattery(tree, QStringLiteral("BAT0"), {{"type", "Battery"}, {"present", "0"}, {"capacity", "0"}});
    PowerSupplyReader reader(tree.root(), std::chrono::milliseconds(0));
    EXPECT_FALSE(reader.battery().has_value());
    writeBattery(tree, QStringLiteral("BAT1"), {{"type", "Battery"}, {"present", "1"}, {"capacity", "77"}});
    ASSERT_TRUE(reader.battery().has_value());
    EXPECT_EQ(reader.battery()->percentage, 77);
}

TEST(PowerSupplyReaderTest, ThisMachinesSuppliesReadWithoutError)
{
    PowerSupplyReader reader;
    const auto info = reader.battery();
    if (!info)
        GTEST_SKIP() << "no battery on this machine";
    EXPECT_GE(info->percentage, 0);
    EXPECT_LE(info->percentage, 100);
    EXPECT_GE(info->wattage, 0.0);
    EXPECT_GE(info->timeToEmpty, 0);
}
