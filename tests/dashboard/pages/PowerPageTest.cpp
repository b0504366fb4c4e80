#include "dashboard/pages/PowerPage.h"

#include "dashboard/pages/SwitchCard.h"
#include "support/InertServices.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/ToggleSwitch.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

QStringList names(const QList<PowerPage::Tally>& tallies)
{
    QStringList result;
    for (const PowerPage::Tally& t : tallies)
        result << t.first;
    return result;
}

} // namespace

TEST(PowerPage, SwitchStoresTheFlagThenSamplesEvenWhenUnchanged)
{
    InertServices s;
    s.processMonitor->setBatteryShameList({{QStringLiteral("chrome"), 9.0}, {QStringLiteral("node"), 3.0}});
    PowerPage page({s.stats.get(), s.processMonitor.get(), &s.themes});
    page.show();
    const auto shown = s.stats->showConnections(); // so that each sample announces its rows
    // Each sample rebuilds the connection list and says so.
    QSignalSpy samples(s.stats.get(), &SystemStatsProvider::activeConnectionsChanged);
    EXPECT_TRUE(page.lowPowerCard()->banner()->isHidden());

    page.setLowPowerMode(false);
    EXPECT_EQ(samples.count(), 1);
    EXPECT_FALSE(s.stats->isLowPowerModeEnabled());

    page.lowPowerCard()->toggle()->click();
    EXPECT_EQ(samples.count(), 2);
    EXPECT_TRUE(s.stats->isLowPowerModeEnabled());
    EXPECT_FALSE(page.lowPowerCard()->banner()->isHidden()); // at once, no tick needed
    EXPECT_EQ(PowerPage::rowAmount(page.shameList()->row("chrome")), "3.00 units");

    page.setLowPowerMode(true);
    EXPECT_EQ(samples.count(), 3);
    page.lowPowerCard()->toggle()->click();
    EXPECT_FALSE(s.stats->isLowPowerModeEnabled());
    EXPECT_TRUE(page.lowPowerCard()->banner()->isHidden());
    EXPECT_EQ(PowerPage::rowAmount(page.shameList()->row("chrome")), "9.00 units");
}

TEST(PowerPage, WallOfShameIsTopThreeWithTiesByNameAndNaNLast)
{
    struct Case {
        QHash<QString, double> tallies;
        QStringList shown;
    };
    const Case cases[] = {
        {{}, {}},
        {{{"a", 1.0}}, {"a"}},
        {{{"b", 5.0}, {"a", 5.0}, {"c", 9.0}, {"d", 0.5}}, {"c", "a", "b"}},
        {{{"nan", kNaN}, {"x", 2.0}, {"y", 1.0}}, {"x", "y", "nan"}},
        {{{"n2", kNaN}, {"n1", kNaN}, {"z", -1.0}, {"w", 7.0}}, {"w", "z", "n1"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(names(PowerPage::wallOfShame(c.tallies)), c.shown);

    InertServices s;
    s.processMonitor->setBatteryShameList(cases[2].tallies);
    PowerPage page({s.stats.get(), s.processMonitor.get(), &s.themes});
    EXPECT_EQ(page.shameList()->keys(), QStringList({"c", "a", "b"}));
    s.processMonitor->setBatteryShameList({});
    page.refreshNow();
    EXPECT_EQ(page.shameList()->count(), 0);

    s.processMonitor->setBatteryShameList({{QStringLiteral("a\u202Eb\nc"), 1.0}}); // a process names itself
    page.refreshNow();
    ASSERT_EQ(page.shameList()->count(), 1);
    EXPECT_EQ(page.shameList()->rows().first()->findChildren<PlainLabel*>().value(0)->text(), "ab c");
}

TEST(PowerPage, FiguresAsFormatted)
{
    EXPECT_EQ(PowerPage::efficiencyText(3.456), "Efficiency: 3.5 ops/W");
    EXPECT_EQ(PowerPage::amountText(4.5, true), "1.50 units");
    InertServices s;
    PowerPage page({s.stats.get(), s.processMonitor.get(), &s.themes});
    s.stats->setCpuUsage(12.0);
    s.stats->setPowerDraw(0);
    s.stats->setBatteryPercentage(100);
    s.stats->setBatteryIsCharging(true);
    page.refreshNow();
    EXPECT_EQ(page.efficiencyLabel()->text(), "Efficiency: 12.0 ops/W");
    EXPECT_EQ(page.batteryLabel()->text() + ' ' + page.chargingLabel()->text(), "100% Charging");
    EXPECT_EQ(page.powerLabel()->text(), "0.00 W");
}
