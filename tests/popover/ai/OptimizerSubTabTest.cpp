#include "popover/ai/OptimizerSubTab.h"

#include "AISubTabFixture.h"
#include "widgets/Badge.h"
#include "widgets/CheckboxToggle.h"
#include "widgets/PlainLabel.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class OptimizerSubTabTest : public ::testing::Test, protected AISubTabFixture {
protected:
    std::unique_ptr<OptimizerSubTab> make()
    {
        return show(std::make_unique<OptimizerSubTab>(ai.localAI.get(), &s.themes, &s.settings));
    }
};

TEST_F(OptimizerSubTabTest, SwitchesMirrorAndWriteTheirFlagsOncePerChange)
{
    s.settings.setSmartPauseEnabled(true);
    auto tab = make();
    LocalAIService& service = *ai.localAI;
    const struct {
        OptimizerSubTab::Switch which;
        std::function<bool()> read;
        std::function<void(bool)> write;
        void (LocalAIService::*changed)();
        const char* badge;
    } cases[] = {
        {OptimizerSubTab::compileShield, [&] { return service.compileAutoSuspendEnabled(); },
         [&](bool on) { service.setCompileAutoSuspendEnabled(on); }, &LocalAIService::compileAutoSuspendEnabledChanged,
         "AUTO-PAUSE"},
        {OptimizerSubTab::buildTurbo, [&] { return service.buildTurboEnabled(); },
         [&](bool on) { service.setBuildTurboEnabled(on); }, &LocalAIService::buildTurboEnabledChanged, "PRIMING"},
        {OptimizerSubTab::vmAutoSleep, [&] { return service.vmAutoSleepEnabled(); },
         [&](bool on) { service.setVmAutoSleepEnabled(on); }, &LocalAIService::vmAutoSleepEnabledChanged,
         "AUTO-SLEEP"},
        {OptimizerSubTab::batteryShield, [&] { return service.batteryShieldEnabled(); },
         [&](bool on) { service.setBatteryShieldEnabled(on); }, &LocalAIService::batteryShieldEnabledChanged,
         "DC POWER"},
    };
    for (const auto& c : cases) {
        CheckboxToggle* toggle = tab->toggle(c.which);
        EXPECT_FALSE(toggle->isChecked()) << c.badge;
        EXPECT_EQ(tab->badge(c.which)->text(), c.badge);
        QSignalSpy spy(&service, c.changed);
        QTest::mouseClick(toggle, Qt::LeftButton);
        EXPECT_TRUE(c.read()) << c.badge;
        EXPECT_EQ(spy.size(), 1) << c.badge;
        tab->refreshNow(); // redrawing writes nothing back
        EXPECT_EQ(spy.size(), 1) << c.badge;
        c.write(false);
        tab->refreshNow();
        EXPECT_FALSE(toggle->isChecked()) << c.badge;
        EXPECT_EQ(spy.size(), 2) << c.badge;
    }

    CheckboxToggle* smart = tab->toggle(OptimizerSubTab::smartPause);
    EXPECT_EQ(tab->badge(OptimizerSubTab::smartPause), nullptr);
    EXPECT_TRUE(smart->isChecked());
    EXPECT_EQ(smart->toolTip(), "Automatically suspends background model processes if core CPU temperatures exceed "
                                "88\u00b0C to prevent thermal stress");
    QTest::mouseClick(smart, Qt::LeftButton);
    EXPECT_FALSE(s.settings.smartPauseEnabled());
}

TEST_F(OptimizerSubTabTest, ShieldBannerCountsHeldProcessesInTheAccent)
{
    auto tab = make();
    EXPECT_FALSE(tab->shieldBanner()->isVisibleTo(tab.get()));
    ai.localAI->setSuspendedPIDs({4242});
    tab->refreshNow();
    EXPECT_TRUE(tab->shieldBanner()->isVisibleTo(tab.get()));
    EXPECT_EQ(tab->shieldLabel()->text(), "VRAM Shield Active: Suspending 1 local AI process(es)");

    s.themes.setCurrentTheme(AppTheme::nordic);
    tab->refreshNow();
    const UiColor nordic = AppTheme(AppTheme::nordic).accentColor();
    EXPECT_EQ(tab->shieldLabel()->textColor(), nordic);
    EXPECT_EQ(tab->badge(OptimizerSubTab::buildTurbo)->background(), nordic.opacity(0.2));
    EXPECT_EQ(tab->toggle(OptimizerSubTab::compileShield)->tint(), nordic);

    ai.localAI->setSuspendedPIDs({});
    tab->refreshNow();
    EXPECT_FALSE(tab->shieldBanner()->isVisibleTo(tab.get()));
}

} // namespace
