#include "platform/CpuTopologyReader.h"

#include <gtest/gtest.h>

namespace {

std::optional<CpuClusters> readFixture(const char* name)
{
    return CpuTopologyReader(QStringLiteral(KESTROVA_TEST_DATA "/telemetry/") + QLatin1String(name) +
                             QStringLiteral("/sys"))
        .read();
}

TEST(CpuTopologyReader, IntelHybridListsNameTheHighNumberedEfficiencyCores)
{
    const auto clusters = readFixture("intel-hybrid");
    ASSERT_TRUE(clusters);
    EXPECT_EQ(clusters->efficiency, (std::vector<int>{8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(clusters->performance, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(CpuTopologyReader, CapacityClustersPutTheLowestCapacityOnTheEfficiencySide)
{
    const auto clusters = readFixture("arm-biglittle");
    ASSERT_TRUE(clusters);
    EXPECT_EQ(clusters->efficiency, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(clusters->performance, (std::vector<int>{4, 5, 6, 7}));
}

TEST(CpuTopologyReader, NothingKnownWithoutASplit)
{
    EXPECT_FALSE(readFixture("uniform-desktop")); // all capacities equal
    EXPECT_FALSE(readFixture("broken-topology")); // malformed lists, no capacities
    EXPECT_FALSE(readFixture("no-such-machine"));
}

TEST(CpuTopologyReader, ParsesKernelCpuLists)
{
    using List = std::vector<int>;
    EXPECT_EQ(CpuTopologyReader::parseCpuList("0-3,8,10-11\n"), (List{0, 1, 2, 3, 8, 10, 11}));
    EXPECT_EQ(CpuTopologyReader::parseCpuList("5"), (List{5}));
    EXPECT_EQ(CpuTopologyReader::parseCpuList(""), List{});
    EXPECT_EQ(CpuTopologyReader::parseCpuList("3,1-2,2"), (List{1, 2, 3}));
    EXPECT_FALSE(CpuTopologyReader::parseCpuList("3-1"));
    EXPECT_FALSE(CpuTopologyReader::parseCpuList("0-3,x"));
    EXPECT_FALSE(CpuTopologyReader::parseCpuList("0-99999999"));
    EXPECT_FALSE(CpuTopologyReader::parseCpuList("1,,2"));
}

} // namespace
