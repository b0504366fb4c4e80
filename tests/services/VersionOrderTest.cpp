#include "services/VersionOrder.h"

#include <gtest/gtest.h>

using kestrova::compareVersions;

TEST(VersionOrder, DigitRunsCompareByValue)
{
    EXPECT_GT(compareVersions("1.10.0", "1.9.2"), 0);
    EXPECT_LT(compareVersions("1.9.2", "1.10.0"), 0);
    EXPECT_EQ(compareVersions("2.0.0", "2.0.0"), 0);
    EXPECT_GT(compareVersions("10.0", "9.99"), 0);
    // Longer than any integer type: still ordered by value.
    EXPECT_GT(compareVersions("1.123456789012345678901234567890", "1.99999999999999999999"), 0);
    EXPECT_EQ(compareVersions("1.007", "1.7"), 0);
}

TEST(VersionOrder, OtherCharactersCompareOneByOne)
{
    EXPECT_GT(compareVersions("1.0.0", "1.0"), 0); // a prefix orders first
    EXPECT_LT(compareVersions("1.0.0-beta", "1.0.0-rc"), 0);
    EXPECT_GT(compareVersions("1.0.0b", "1.0.0a"), 0);
    EXPECT_LT(compareVersions("", "0"), 0);
    EXPECT_EQ(compareVersions("", ""), 0);
}
