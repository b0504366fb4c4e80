#include "core/SettingsStore.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class BaselineSettingsTest : public ::testing::Test {
protected:
    QString file() const { return dir.path() + QStringLiteral("/settings.ini"); }
    QTemporaryDir dir;
};

TEST_F(BaselineSettingsTest, NewValuesAreReadBackAtOnceButReachTheFileOnlyOnFlush)
{
    SettingsStore store(file());
    QSignalSpy changed(&store, &SettingsStore::changed);
    EXPECT_FALSE(store.baselineCpuUsage());
    EXPECT_FALSE(store.contains(QStringLiteral("baselineCpuUsage")));

    store.setBaselineCpuUsage(12.5);
    store.setBaselineTemp(0.0); // a stored 0 is still a stored value
    EXPECT_EQ(store.baselineCpuUsage(), 12.5);
    EXPECT_EQ(store.baselineTemp(), 0.0);
    EXPECT_TRUE(store.contains(QStringLiteral("baselineTemp")));
    EXPECT_EQ(changed.count(), 2);
    store.setBaselineCpuUsage(12.5);
    EXPECT_EQ(changed.count(), 2);

    EXPECT_FALSE(SettingsStore(file()).baselineCpuUsage());
    store.flush();
    SettingsStore reopened(file());
    EXPECT_EQ(reopened.baselineCpuUsage(), 12.5);
    EXPECT_EQ(reopened.baselineTemp(), 0.0);
}

TEST_F(BaselineSettingsTest, DestructionWritesAndRemovalForgetsHeldValues)
{
    {
        SettingsStore store(file());
        store.setBaselineTemp(44.25);
        store.setBaselineCpuUsage(3.0);
        store.remove(QStringLiteral("baselineCpuUsage"));
        EXPECT_FALSE(store.baselineCpuUsage());
    }
    SettingsStore reopened(file());
    EXPECT_EQ(reopened.baselineTemp(), 44.25);
    EXPECT_FALSE(reopened.baselineCpuUsage());
}

} // namespace
