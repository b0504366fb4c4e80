#include "core/SettingsStore.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("Kestrova.conf")); }
};

TEST_F(SettingsStoreTest, FreshStoreReadsEveryDefault)
{
    SettingsStore store(path());
    EXPECT_FALSE(store.showFullProcessPath());
    EXPECT_FALSE(store.advancedMode());
    EXPECT_DOUBLE_EQ(store.cpuAlertThreshold(), 90.0);
    EXPECT_EQ(store.workspacePersona(), QStringLiteral("AI Engineer"));
    EXPECT_FALSE(store.hasCompletedOnboardingTour());
    EXPECT_FALSE(store.showOnboardingTour());
    EXPECT_EQ(store.onboardingTourStep(), 0);
    EXPECT_FALSE(store.smartPauseEnabled());
    EXPECT_EQ(store.appTheme(), QStringLiteral("Standard"));
    EXPECT_FALSE(store.baselineCpuUsage().has_value());
    EXPECT_FALSE(store.baselineTemp().has_value());
    EXPECT_FALSE(QFile::exists(path())) << "reading must not create the file";
}

TEST_F(SettingsStoreTest, ValuesSurviveReopenAndChangeSignalsOnlyOnRealChange)
{
    {
        SettingsStore store(path());
        QSignalSpy spy(&store, &SettingsStore::changed);
        store.setAdvancedMode(true);
        store.setAdvancedMode(true);
        store.setOnboardingTourStep(3);
        store.setBaselineCpuUsage(12.5);
        store.setAppTheme(QStringLiteral("Nordic"));
        ASSERT_EQ(spy.count(), 4);
        EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("advancedMode"));
        EXPECT_EQ(spy.at(3).at(0).toString(), QStringLiteral("appTheme"));
    }
    SettingsStore reopened(path());
    EXPECT_TRUE(reopened.advancedMode());
    EXPECT_EQ(reopened.onboardingTourStep(), 3);
    EXPECT_DOUBLE_EQ(reopened.baselineCpuUsage().value_or(-1), 12.5);
    EXPECT_EQ(reopened.appTheme(), QStringLiteral("Nordic"));
}

TEST_F(SettingsStoreTest, WrongTypesReadAsDefaults)
{
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\nadvancedMode=maybe\ncpuAlertThreshold=hot\nonboardingTourStep=x\nbaselineTemp=nan\n");
    file.close();
    SettingsStore store(path());
    EXPECT_FALSE(store.advancedMode());
    EXPECT_DOUBLE_EQ(store.cpuAlertThreshold(), 90.0);
    EXPECT_EQ(store.onboardingTourStep(), 0);
    EXPECT_FALSE(store.baselineTemp().has_value());
}

TEST_F(SettingsStoreTest, CorruptFileGivesDefaultsAndIsKeptUntilAWrite)
{
    static const char raw[] = "\x00\xff[[[General\nadvancedMode=true\n\x01\x02";
    const QByteArray garbage(raw, sizeof raw - 1);
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(garbage);
    file.close();
    {
        SettingsStore store(path());
        EXPECT_FALSE(store.showFullProcessPath());
        EXPECT_DOUBLE_EQ(store.cpuAlertThreshold(), 90.0);
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage) << "an unread store must leave the file alone";
    file.close();

    SettingsStore store(path());
    store.setShowFullProcessPath(true);
    SettingsStore reopened(path());
    EXPECT_TRUE(reopened.showFullProcessPath());
}

} // namespace
