#include "dashboard/pages/SettingsPage.h"

#include "core/NotificationCenter.h"
#include "services/LaunchAtLoginManager.h"
#include "core/SettingsStore.h"
#include "dashboard/SettingsView.h"
#include "fakes/InertStatsProvider.h"
#include "dashboard/DashboardPageState.h"
#include "fakes/FakeLoginItem.h"
#include "support/PrintCapture.h"
#include "theme/ThemeManager.h"
#include "widgets/AccentPillButton.h"
#include "widgets/PlainLabel.h"
#include "widgets/SegmentedPicker.h"
#include "widgets/ToggleSwitch.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct SettingsFixture {
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("s.ini"))};
    ThemeManager themes{settings};
    FakeLoginItem item;
    PrintCapture print;
    LaunchAtLoginManager launch{item};
    DashboardPageState state{QStringLiteral("Settings")};
    SettingsPage page{{&state, &settings, &themes, &launch}};

    void click(SegmentedPicker* picker, int index)
    {
        QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(index).center());
    }
};

} // namespace

TEST(SettingsPage, TourButtonWritesStepZeroThenShowsTheTour)
{
    SettingsFixture f;
    f.settings.setOnboardingTourStep(4);
    QStringList order;
    QObject::connect(&f.settings, &SettingsStore::changed, [&](const QString& key) { order << key; });
    f.page.tourButton()->click();
    EXPECT_EQ(order, QStringList({"onboardingTourStep", "showOnboardingTour"}));
    EXPECT_EQ(f.settings.onboardingTourStep(), 0);
    EXPECT_TRUE(f.settings.showOnboardingTour());
}

TEST(SettingsPage, OnlyARealPersonaChangeMovesTheWindow)
{
    struct Case {
        const char* stored;
        int picked;
        const char* page;
        const char* persona;
    };
    const Case cases[] = {
        {"AI Engineer", 2, "Performance Presets", "Content Creator"},
        {"Gamer", 0, "AI Hardware", "AI Engineer"},
        {"Software Developer", 3, "Performance Presets", "Gamer"},
        {"Software Developer", 1, "Settings", "Software Developer"}, // the same persona: nothing moves
        {"no such persona", 0, "Settings", "AI Engineer"},           // reads as AI Engineer already
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        QTemporaryDir dir;
        SettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
        settings.setWorkspacePersona(QString::fromUtf8(c.stored));
        ThemeManager themes(settings);
        FakeLoginItem item;
        LaunchAtLoginManager launch(item);
        DashboardPageState state(QStringLiteral("Settings"));
        SettingsPage page({&state, &settings, &themes, &launch});
        QSignalSpy moves(&state, &DashboardPageState::selectedSidebarItemChanged);
        QTest::mouseClick(page.personaPicker(), Qt::LeftButton, {},
                          page.personaPicker()->segmentRect(c.picked).center());
        EXPECT_EQ(state.selectedSidebarItem(), QString::fromUtf8(c.page));
        EXPECT_EQ(moves.count(), QString::fromUtf8(c.page) == "Settings" ? 0 : 1);
        EXPECT_EQ(page.personaPicker()->selectedIndex(), c.picked);
        EXPECT_EQ(settings.workspacePersona(), QString::fromUtf8(c.persona));
    }
}

TEST(SettingsPage, ThresholdTextIsTheWholePartAndFollowsTheSlider)
{
    SettingsFixture f;
    for (const auto& [value, text] : {std::pair{50.0, "50%"}, std::pair{67.8, "67%"}, std::pair{100.0, "100%"},
                                      std::pair{90.0, "90%"}}) {
        f.settings.setCpuAlertThreshold(value);
        EXPECT_EQ(f.page.thresholdLabel()->text(), text);
        EXPECT_EQ(SettingsPage::thresholdText(value), text);
    }
    f.page.thresholdSlider()->setValue(f.page.thresholdSlider()->minimum());
    EXPECT_EQ(f.settings.cpuAlertThreshold(), 50.0);
    EXPECT_EQ(f.page.thresholdLabel()->text(), "50%");
    f.page.thresholdSlider()->setValue(1780); // hundredths above 50
    EXPECT_DOUBLE_EQ(f.settings.cpuAlertThreshold(), 67.8);
    EXPECT_EQ(f.page.thresholdLabel()->text(), "67%");
}

TEST(SettingsPage, AlertSwitchesStayOnAndStoreNothing)
{
    SettingsFixture f;
    QSignalSpy stored(&f.settings, &SettingsStore::changed);
    ASSERT_EQ(f.page.alertSwitches().size(), 3);
    for (ToggleSwitch* toggle : f.page.alertSwitches()) {
        EXPECT_TRUE(toggle->isChecked());
        toggle->click();
        EXPECT_TRUE(toggle->isChecked());
    }
    EXPECT_EQ(stored.count(), 0);
}

TEST(SettingsPage, SwitchesActOnlyOnTheirOwnSettingOrService)
{
    SettingsFixture f;
    EXPECT_FALSE(f.page.launchSwitch()->isChecked());
    f.page.launchSwitch()->click();
    EXPECT_EQ(f.item.registers, 1);
    EXPECT_TRUE(f.launch.isEnabled());
    // Storing the value the registration already has calls no backend.
    f.launch.setIsEnabled(true);
    EXPECT_EQ(f.item.registers, 1);
    EXPECT_TRUE(f.page.launchSwitch()->isChecked());
    f.page.launchSwitch()->click();
    EXPECT_EQ(f.item.unregisters, 1);
    EXPECT_EQ(f.item.registers, 1);

    f.page.fullPathSwitch()->click();
    EXPECT_TRUE(f.settings.showFullProcessPath());
    f.page.advancedSwitch()->click();
    EXPECT_TRUE(f.settings.advancedMode());
    f.settings.setAdvancedMode(false);
    EXPECT_FALSE(f.page.advancedSwitch()->isChecked());
}

TEST(SettingsPage, ThemePickerSetsAndFollowsTheTheme)
{
    SettingsFixture f;
    EXPECT_EQ(f.page.themePicker()->labels(), QStringList({"Standard", "Cyberpunk", "Nordic", "Ink", "Light"}));
    EXPECT_EQ(f.page.personaPicker()->labels(),
              QStringList({"AI Engineer", "Software Developer", "Content Creator", "Gamer"}));
    EXPECT_EQ(f.page.themePicker()->selectedIndex(), 0);
    f.click(f.page.themePicker(), 4);
    EXPECT_EQ(f.themes.currentTheme(), AppTheme::light);
    EXPECT_EQ(f.settings.appTheme(), "Light");
    f.themes.setCurrentTheme(AppTheme::nordic);
    EXPECT_EQ(f.page.themePicker()->selectedIndex(), 2);
}

TEST(SettingsPage, PersonaChangeMovesTheWindowItSitsIn)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("s.ini")));
    settings.setHasCompletedOnboardingTour(true);
    ThemeManager themes(settings);
    FakeLoginItem item;
    LaunchAtLoginManager launch(item);
    NotificationCenter notifications;
    SettingsView::Deps deps;
    deps.themeManager = &themes;
    deps.settings = &settings;
    deps.notifications = &notifications;
    deps.launchManager = &launch;
    InertStatsProvider stats;
    deps.statsProvider = stats.get();
    SettingsView window(deps, QStringLiteral("Settings"));
    auto* page = qobject_cast<SettingsPage*>(window.contentView());
    ASSERT_NE(page, nullptr);
    QTest::mouseClick(page->personaPicker(), Qt::LeftButton, {}, page->personaPicker()->segmentRect(2).center());
    EXPECT_EQ(window.selectedSidebarItem(), "Performance Presets");
    EXPECT_EQ(window.titleText(), "Performance Presets");
    QCoreApplication::processEvents(); // the old page goes at the end of the turn
    EXPECT_NE(window.contentView(), page);
}
