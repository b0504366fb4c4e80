#include "dashboard/pages/PerformancePresetsView.h"
#include "dashboard/pages/PresetCard.h"
#include "dashboard/pages/PresetIconDisc.h"
#include "dashboard/pages/TelemetryRow.h"
#include "fakes/FakePowerSource.h"
#include "fakes/FakeRunningApplications.h"
#include "fakes/FakeSleepInhibitor.h"
#include "fakes/FakeTerminalLauncher.h"
#include "telemetry/PresetManager.h"
#include "theme/ThemeManager.h"
#include "core/SettingsStore.h"
#include "support/TaskRunner.h"
#include "widgets/Badge.h"
#include "widgets/ElidedLabel.h"
#include "widgets/PlainLabel.h"
#include "widgets/Spinner.h"
#include "widgets/SymbolView.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kDash = QStringLiteral(" \u2014 ");

class PerformancePresetsViewTest : public ::testing::Test {
protected:
    std::unique_ptr<PerformancePresetsView> make()
    {
        auto page = std::make_unique<PerformancePresetsView>(&manager, &theme);
        page->resize(700, 900);
        page->show();
        return page;
    }

    // Clicks a card and waits until its two lines are in the log.
    void click(PerformancePresetsView& page, PerformancePreset preset)
    {
        const qsizetype before = page.executionLogs().size();
        QTest::mouseClick(page.presetCards()[int(PerformancePreset::Case(preset))], Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return page.executionLogs().size() == before + 2; }, std::chrono::seconds(2)));
        page.refreshNow();
    }

    QStringList activeCards(const PerformancePresetsView& page)
    {
        QStringList active;
        for (const PresetCard* card : page.presetCards())
            if (card->isActive())
                active << card->preset().rawValue();
        return active;
    }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    ThemeManager theme{settings};
    FakeSleepInhibitor inhibitor;
    FakeTerminalLauncher terminal;
    FakePowerSource power;
    FakeRunningApplications applications;
    PresetManager manager{{&inhibitor, &terminal, &power, &applications}};
};

TEST_F(PerformancePresetsViewTest, StartsFromTheSeedLinesOnVanillaMac)
{
    auto page = make();
    EXPECT_EQ(page->executionLogs(), PerformancePresetsView::seedLogs());
    EXPECT_EQ(page->executionLogs(), QStringList({"macOS watchdog kernel daemon active.",
                                                  "Awaiting target performance selection...",
                                                  "Current profile: Vanilla Mac"}));
    EXPECT_EQ(page->logPrompts().size(), 3);
    EXPECT_EQ(activeCards(*page), QStringList({"Vanilla Mac"}));
    EXPECT_TRUE(page->activeBadge()->isVisible());
    EXPECT_FALSE(page->spinner()->isVisible());
    EXPECT_EQ(page->activeBadge()->text(), "Active Profile: Vanilla Mac");
    EXPECT_EQ(page->bannerTitle()->text(), "VANILLA MAC");
    EXPECT_EQ(page->bannerDescription()->text(), PerformancePreset(PerformancePreset::vanillaMac).description());
    EXPECT_EQ(page->bannerIcon()->color(), UiColor(SystemColor::blue));
    // No battery: the manager reads 100% at creation.
    EXPECT_EQ(page->batteryCapsule()->text(), "\U0001F50B 100%");
    QStringList values;
    for (const TelemetryRow* row : page->modifierRows())
        values << row->value();
    EXPECT_EQ(values, QStringList({"AUTO", "AUTO", "NORMAL", "DEFAULT"}));
    EXPECT_EQ(page->logArea()->height(), 62);

    // The cards stand in declaration order, two to a row.
    QStringList order;
    for (const PresetCard* card : page->presetCards())
        order << card->preset().rawValue();
    EXPECT_EQ(order, QStringList({"Inference Max", "Local Training", "Compile Max", "Creative Max", "Game Mode",
                                  "Eco Dev", "Vanilla Mac"}));
    EXPECT_EQ(page->presetCards()[0]->y(), page->presetCards()[1]->y());
    EXPECT_LT(page->presetCards()[0]->x(), page->presetCards()[1]->x());
    EXPECT_EQ(page->presetCards()[6]->x(), page->presetCards()[0]->x());
}

TEST_F(PerformancePresetsViewTest, ModifiersFollowTheActivePresetAlone)
{
    using P = PerformancePreset;
    const QList<QPair<P, QStringList>> table = {
        {P::inferenceMax, {"ACTIVE (SMC KEY)", "AUTO", "NORMAL", "DEFAULT"}},
        {P::localTraining, {"AUTO", "ACTIVE (NO SHUTDOWN)", "NORMAL", "HIGH (NICE -5)"}},
        {P::compileMax, {"AUTO", "AUTO", "NORMAL", "DEFAULT"}},
        {P::creativeMax, {"AUTO", "AUTO", "NORMAL", "DEFAULT"}},
        {P::gameMode, {"AUTO", "AUTO", "NORMAL", "DEFAULT"}},
        {P::ecoDev, {"AUTO", "AUTO", "SUSPENDED (SIGSTOP)", "DEFAULT"}},
        {P::vanillaMac, {"AUTO", "AUTO", "NORMAL", "DEFAULT"}},
    };
    auto page = make();
    for (const auto& [preset, values] : table) {
        EXPECT_EQ(PerformancePresetsView::modifierValues(preset), values) << preset.rawValue().toStdString();
        manager.setActivePreset(preset);
        page->refreshNow();
        QStringList shown;
        for (const TelemetryRow* row : page->modifierRows())
            shown << row->value();
        EXPECT_EQ(shown, values);
        EXPECT_EQ(activeCards(*page), QStringList({preset.rawValue()}));
        EXPECT_EQ(page->activeBadge()->background(), PerformancePresetsView::presetColor(preset).opacity(0.15));
    }
    EXPECT_EQ(page->modifierRows()[0]->label(), "Turbofan Maximum Override");
}

TEST_F(PerformancePresetsViewTest, EachClickLogsTwoLinesAroundTheApplication)
{
    auto page = make();
    click(*page, PerformancePreset::ecoDev);
    EXPECT_EQ(page->executionLogs().mid(3), QStringList({"Applying Eco Dev system properties...",
                                                         "No active AI daemons detected"}));
    EXPECT_EQ(activeCards(*page), QStringList({"Eco Dev"}));
    EXPECT_EQ(page->bannerTitle()->text(), "ECO DEV");

    // The active card again: two more lines, repeated texts each on a row,
    // and the highlight stays.
    power.value = BatteryInfo{64};
    click(*page, PerformancePreset::ecoDev);
    EXPECT_EQ(page->executionLogs().mid(5), page->executionLogs().mid(3, 2));
    EXPECT_EQ(page->logPrompts().size(), 7);
    EXPECT_EQ(activeCards(*page), QStringList({"Eco Dev"}));
    // The battery is read again at the end of an application only.
    EXPECT_EQ(page->batteryCapsule()->text(), "\U0001F50B 64%");
    power.value = BatteryInfo{12};
    page->refreshNow();
    EXPECT_EQ(page->batteryCapsule()->text(), "\U0001F50B 64%");

    click(*page, PerformancePreset::gameMode);
    EXPECT_EQ(page->executionLogs().last(), "Game Mode active" + kDash + "system RAM optimized");
    // The log stays 62 high; the newest lines lie below, reached by scrolling.
    EXPECT_EQ(page->logArea()->height(), 62);
    EXPECT_EQ(page->logArea()->verticalScrollBar()->value(), 0);
}

TEST_F(PerformancePresetsViewTest, SpinnerReplacesTheBadgeWhileExecuting)
{
    auto page = make();
    manager.setIsExecuting(true);
    page->refreshNow();
    EXPECT_TRUE(page->spinner()->isVisible());
    EXPECT_TRUE(page->activeBadge()->isHidden());

    // A preset that waits for its sleep inhibitor shows the spinner until
    // the answer comes, and logs its final text after.
    manager.setIsExecuting(false);
    inhibitor.answerLater = true;
    inhibitor.refuse = true;
    page->applyPreset(PerformancePreset::localTraining);
    page->refreshNow();
    EXPECT_TRUE(page->spinner()->isVisible());
    EXPECT_EQ(activeCards(*page), QStringList({"Local Training"}));
    ASSERT_TRUE(waitUntil([&] { return page->executionLogs().size() == 5; }, std::chrono::seconds(2)));
    page->refreshNow();
    EXPECT_FALSE(page->spinner()->isVisible());
    EXPECT_EQ(page->executionLogs().last(), "Local Training active (sleep assertion unavailable)");
}

TEST_F(PerformancePresetsViewTest, ThemeRecoloursOnlyTheShieldAndThePrompts)
{
    auto page = make();
    const AppTheme cyberpunk = AppTheme::cyberpunk;
    theme.setCurrentTheme(cyberpunk);
    EXPECT_EQ(page->headerIcon()->tint(), cyberpunk.accentColor());
    for (const PlainLabel* prompt : page->logPrompts())
        EXPECT_EQ(prompt->textColor(), cyberpunk.accentColor());
    EXPECT_EQ(page->bannerIcon()->color(), UiColor(SystemColor::blue));
    page->applyPreset(PerformancePreset::compileMax);
    ASSERT_TRUE(waitUntil([&] { return page->executionLogs().size() == 5; }, std::chrono::seconds(2)));
    EXPECT_EQ(page->logPrompts().last()->textColor(), cyberpunk.accentColor());
}

TEST_F(PerformancePresetsViewTest, PageGoneBeforeTheAnswerLeavesTheManagerToFinish)
{
    inhibitor.answerLater = true;
    {
        auto page = make();
        page->applyPreset(PerformancePreset::localTraining);
    }
    ASSERT_TRUE(waitUntil([&] { return !manager.isExecuting(); }, std::chrono::seconds(2)));
    EXPECT_EQ(manager.activePreset(), PerformancePreset::localTraining);
}

TEST_F(PerformancePresetsViewTest, WithoutAManagerNothingIsActiveAndClicksApplyNothing)
{
    PerformancePresetsView page(nullptr, &theme);
    page.resize(700, 900);
    page.show();
    page.refreshNow();
    EXPECT_EQ(activeCards(page), QStringList());
    EXPECT_FALSE(page.spinner()->isVisible());
    EXPECT_FALSE(page.spinner()->isSpinning());
    EXPECT_FALSE(page.activeBadge()->isVisible());

    QTest::mouseClick(page.presetCards()[0], Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(page.executionLogs(), PerformancePresetsView::seedLogs());
}

} // namespace
