#include "dashboard/pages/MemoryPage.h"

#include "dashboard/DashboardPageState.h"
#include "fakes/InertStatsProvider.h"
#include "fakes/ManualScheduler.h"
#include "support/InertServices.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"

#include <QAbstractButton>
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <limits>

using namespace std::chrono_literals;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct MemoryFixture {
    ManualScheduler scheduler{false};
    InertStatsProvider stats{&scheduler};
    InertServices s;
    DashboardPageState state{QStringLiteral("Memory")};

    MemoryPage* make() { return new MemoryPage({stats.get(), s.processMonitor.get(), &s.settings, &s.themes, &state, &scheduler}); }
};

} // namespace

TEST(MemoryPage, PurgeRunsThroughItsStatesEvenWhenThePageGoes)
{
    MemoryFixture f;
    f.stats->setMemoryUsed(9.0);
    auto* page = f.make();
    page->purgeButton()->click();
    EXPECT_TRUE(f.state.isOptimizingMemory());
    EXPECT_FALSE(f.state.showMemorySuccess());
    page->refreshNow();
    EXPECT_FALSE(page->purgeButton()->isEnabled());
    delete page; // the user looks at another page meanwhile

    f.stats->setMemoryUsed(9.12); // grew during the run: a negative amount
    f.scheduler.advance(1500ms);
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.state.isOptimizingMemory());
    EXPECT_TRUE(f.state.showMemorySuccess());
    EXPECT_EQ(MemoryPage::bannerText(f.state.purgedAmount()),
              "Successfully optimized memory! Freed -0.12 GB of inactive RAM.");

    // Coming back shows the banner still due.
    std::unique_ptr<MemoryPage> back(f.make());
    back->show();
    EXPECT_FALSE(back->banner()->isHidden());
    EXPECT_TRUE(back->purgeButton()->isEnabled());
    f.scheduler.advance(4999ms);
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.state.showMemorySuccess());
    f.scheduler.advance(1ms);
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.state.showMemorySuccess());
    QCoreApplication::processEvents();
    EXPECT_TRUE(back->banner()->isHidden());
    EXPECT_EQ(f.scheduler.delays(), (QList<std::chrono::milliseconds>{1500ms, 5000ms}));
    EXPECT_EQ(MemoryPage::bannerText(0), "Successfully optimized memory! Freed 0.00 GB of inactive RAM.");
}

TEST(MemoryPage, PressureBarColourAndWidthStayInBounds)
{
    struct Case {
        double pressure;
        SystemColor color;
        double width; // in a 200-wide track
        const char* text;
    };
    for (const Case& c : {Case{70.0, SystemColor::green, 140, "70%"}, Case{70.1, SystemColor::red, 140.2, "70%"},
                          Case{150, SystemColor::red, 200, "150%"}, Case{-5, SystemColor::green, 0, "-5%"},
                          Case{kNaN, SystemColor::green, 0, "--%"}}) {
        EXPECT_EQ(MemoryPage::pressureColor(c.pressure), UiColor(c.color)) << c.pressure;
        EXPECT_DOUBLE_EQ(MemoryPage::pressureFillWidth(200, c.pressure), c.width) << c.pressure;
        EXPECT_EQ(MemoryPage::pressureText(c.pressure), c.text);
    }
    EXPECT_EQ(MemoryPage::usedOfTotalText(9.83, 16.0), "9.8 GB / 16 GB");
    EXPECT_EQ(MemoryPage::usedOfTotalText(9.8, std::numeric_limits<double>::infinity()), "9.8 GB / -- GB");
}

TEST(MemoryPage, FiveHighestPidsFirstAndAdvancedRowsLive)
{
    MemoryFixture f;
    std::unique_ptr<MemoryPage> page(f.make());
    page->show();
    QList<ProcessInfoData> list;
    for (const qint32 pid : {300, 12, 4000, 1, 77, 950, 4000, 5}) {
        ProcessInfoData p;
        p.id = pid;
        p.name = QStringLiteral("p%1").arg(pid);
        list << p;
    }
    QList<qint32> ids;
    for (const ProcessInfoData& p : MemoryPage::shownProcesses(list))
        ids << p.id;
    EXPECT_EQ(ids, (QList<qint32>{4000, 4000, 950, 300, 77}));
    // A frozen row is never pushed out of view by higher pids.
    QList<ProcessInfoData> frozen = list;
    frozen[1].isSuspended = true;
    EXPECT_EQ(MemoryPage::shownProcesses(frozen).value(0).id, 12);
    f.s.processMonitor->setTopProcesses(list.mid(0, 3));
    page->refreshNow();
    EXPECT_EQ(page->processList()->keys(), QStringList({"4000", "300", "12"}));

    EXPECT_TRUE(page->advancedRows()->isHidden());
    f.s.settings.setAdvancedMode(true);
    QCoreApplication::processEvents();
    EXPECT_FALSE(page->advancedRows()->isHidden());
}
