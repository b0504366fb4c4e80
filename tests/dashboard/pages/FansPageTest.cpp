#include "dashboard/pages/FansPage.h"

#include "dashboard/pages/SwitchCard.h"
#include "support/InertServices.h"
#include "widgets/Animations.h"
#include "widgets/PlainLabel.h"
#include "widgets/SpinningSymbolView.h"
#include "widgets/ToggleSwitch.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(FansPage, StillFanAtZeroAndForAnEmptyList)
{
    InertServices s;
    FansPage page(s.stats.get(), &s.themes);
    for (const QList<double>& rpms : {QList<double>{0.0}, QList<double>{}}) {
        s.stats->setFanRPMs(rpms);
        page.refreshNow();
        EXPECT_FALSE(page.fan()->isSpinning());
        EXPECT_EQ(page.fan()->tint(), UiColor(SystemColor::secondary));
        EXPECT_EQ(page.speedLabel()->text(), "Fan Speed: 0 RPM");
        EXPECT_EQ(page.curveLabel()->text(), "macOS System Auto");
    }
    EXPECT_EQ(FansPage::speedText(3060.4), "Fan Speed: 3060 RPM");
    s.stats->setFanRPMs({3060.4});
    page.refreshNow();
    EXPECT_TRUE(page.fan()->isSpinning());
    EXPECT_EQ(page.fan()->periodMs(), 1200);
    EXPECT_EQ(page.fan()->tint(), UiColor(SystemColor::blue));
}

TEST(FansPage, TurboSwitchSamplesAtOnceAndSpinsFaster)
{
    InertServices s;
    FansPage page(s.stats.get(), &s.themes);
    page.show();
    const auto shown = s.stats->showConnections(); // so that each sample announces its rows
    QSignalSpy samples(s.stats.get(), &SystemStatsProvider::activeConnectionsChanged);
    page.setForceTurboCooling(false); // unchanged, still one sample
    EXPECT_EQ(samples.count(), 1);

    page.turboCard()->toggle()->click();
    EXPECT_EQ(samples.count(), 2);
    EXPECT_TRUE(s.stats->forceTurboCooling());
    const double rpm = s.stats->fanRPMs().first();
    EXPECT_GE(rpm, 6750);
    EXPECT_LE(rpm, 6850);
    EXPECT_EQ(page.curveLabel()->text(), "TURBO OVERRIDE");
    EXPECT_EQ(page.curveLabel()->textColor(), UiColor(SystemColor::orange));
    EXPECT_FALSE(page.turboCard()->banner()->isHidden());
    EXPECT_EQ(page.fan()->periodMs(), FansPage::turboPeriodMs);
    EXPECT_EQ(FansPage::turboPeriodMs, 400);
}

TEST(FansPage, FanDrawsNothingWhileHidden)
{
    Animations::setEnabled(true);
    InertServices s;
    {
        FansPage page(s.stats.get(), &s.themes);
        s.stats->setFanRPMs({2000});
        page.refreshNow();
        EXPECT_FALSE(page.fan()->isAnimating()); // not on screen yet
        page.show();
        EXPECT_TRUE(page.fan()->isAnimating());
        page.hide();
        EXPECT_FALSE(page.fan()->isAnimating());
        page.show();
        s.stats->setFanRPMs({0});
        page.refreshNow();
        EXPECT_FALSE(page.fan()->isAnimating());
    }
    Animations::setEnabled(false);
}
