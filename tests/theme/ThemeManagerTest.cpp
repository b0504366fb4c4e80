#include "theme/ThemeManager.h"
#include "core/SettingsStore.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ThemeManagerTest : public ::testing::Test {
protected:
    QString file() const { return m_dir.filePath("settings.ini"); }
    QTemporaryDir m_dir;
};

TEST_F(ThemeManagerTest, NothingStoredMeansStandardAndNoWrite)
{
    SettingsStore settings(file());
    ThemeManager manager(settings);
    EXPECT_EQ(manager.currentTheme(), AppTheme(AppTheme::standard));
    EXPECT_FALSE(settings.contains("appTheme"));
}

TEST_F(ThemeManagerTest, StoredRawValueIsLoaded)
{
    SettingsStore settings(file());
    settings.setAppTheme("Nordic");
    ThemeManager manager(settings);
    EXPECT_EQ(manager.currentTheme(), AppTheme(AppTheme::nordic));
}

TEST_F(ThemeManagerTest, UnknownTextGivesStandardAndStaysStoredUntilAWrite)
{
    for (const QString& stored : {QStringLiteral("nordic"), QStringLiteral("Solarized"), QString()}) {
        SCOPED_TRACE(stored.toStdString());
        SettingsStore settings(file());
        settings.setAppTheme(stored);
        ThemeManager manager(settings);
        EXPECT_EQ(manager.currentTheme(), AppTheme(AppTheme::standard));
        EXPECT_EQ(settings.appTheme(), stored);

        // Assigning the theme it already shows still stores it, silently.
        QSignalSpy spy(&manager, &ThemeManager::currentThemeChanged);
        manager.setCurrentTheme(AppTheme::standard);
        EXPECT_EQ(spy.count(), 0);
        EXPECT_EQ(settings.appTheme(), "Standard");
    }
}

TEST_F(ThemeManagerTest, EveryAssignmentStoresButOnlyChangesNotify)
{
    SettingsStore settings(file());
    ThemeManager manager(settings);
    QSignalSpy changed(&manager, &ThemeManager::currentThemeChanged);
    QSignalSpy general(&manager, &ObservableObject::changed);

    manager.setCurrentTheme(AppTheme::cyberpunk);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(general.count(), 1);
    EXPECT_EQ(settings.appTheme(), "Cyberpunk");

    // Someone else rewrites the file; the same assignment writes it back.
    SettingsStore other(file());
    other.setAppTheme("Ink");
    SettingsStore reread(file());
    ASSERT_EQ(reread.appTheme(), "Ink");
    manager.setCurrentTheme(AppTheme::cyberpunk);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(general.count(), 1);
    EXPECT_EQ(SettingsStore(file()).appTheme(), "Cyberpunk");
}

TEST_F(ThemeManagerTest, FiveCyclesReturnToStandard)
{
    SettingsStore settings(file());
    ThemeManager manager(settings);
    QSignalSpy spy(&manager, &ThemeManager::currentThemeChanged);
    QStringList stored;
    for (int i = 0; i < 5; ++i) {
        manager.cycleTheme();
        stored << settings.appTheme();
    }
    EXPECT_EQ(stored, QStringList({"Cyberpunk", "Nordic", "Ink", "Light", "Standard"}));
    EXPECT_EQ(manager.currentTheme(), AppTheme(AppTheme::standard));
    EXPECT_EQ(spy.count(), 5);
}

TEST_F(ThemeManagerTest, ThemeSurvivesARestart)
{
    {
        SettingsStore settings(file());
        ThemeManager manager(settings);
        manager.setCurrentTheme(AppTheme::light);
    }
    SettingsStore settings(file());
    EXPECT_EQ(ThemeManager(settings).currentTheme(), AppTheme(AppTheme::light));
}

} // namespace
