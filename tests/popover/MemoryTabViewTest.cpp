#include "core/Format.h"
#include "popover/MemoryTabView.h"
#include "support/InertServices.h"
#include "widgets/ElidedLabel.h"
#include "widgets/KeyedRowList.h"
#include "widgets/LegendItem.h"
#include "widgets/LinearProgressView.h"
#include "widgets/PlainLabel.h"
#include "widgets/ProcessRow.h"
#include "widgets/RingChart.h"
#include "widgets/SymbolButton.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

QList<ProcessInfoData> processes(int count)
{
    QList<ProcessInfoData> list;
    for (int i = 0; i < count; ++i) {
        ProcessInfoData p;
        p.id = 700 + i;
        p.name = QStringLiteral("worker%1").arg(i);
        p.fullPath = QStringLiteral("/opt/tools/bin/") + p.name;
        list << p;
    }
    return list;
}

QStringList legendValues(const MemoryTabView& page)
{
    QStringList values;
    for (const LegendItem* item : page.legendItems())
        values << item->label() + '=' + item->value();
    return values;
}

class MemoryTabViewTest : public ::testing::Test {
protected:
    std::unique_ptr<MemoryTabView> make()
    {
        auto page = std::make_unique<MemoryTabView>(s.stats.get(), s.processMonitor.get(), nullptr,
                                                    MemoryTabView::Services{&s.settings, &s.random});
        page->resize(320, 800);
        page->show();
        return page;
    }

    InertServices s;
};

TEST_F(MemoryTabViewTest, FiguresFromTheSampler)
{
    struct Case {
        double pressure, used, total, app, wired, compressed, swap;
        QString pressureTitle, memoryTitle, free, swapText;
        double memoryPercent, swapFill;
    };
    const Case cases[] = {
        // Before the first sample everything reads zero.
        {0, 0, 0, 0, 0, 0, 0, "0%", "0%", "0.0 GB", "0.0 GB of 4.0 GB", 0, 0},
        // A total of 1 GB or less counts as 1.
        {20, 0.4, 0.5, 0.2, 0.1, 0.1, 1, "20%", "40%", "0.1 GB", "1.0 GB of 4.0 GB", 40, 0.25},
        // More in use than installed: Free stays at zero; the pressure text
        // keeps its figure while the ring caps.
        {130, 20.8, 16, 12, 4.5, 4.3, 6.0, "130%", "130%", "0.0 GB", "6.0 GB of 4.0 GB", 130, 1},
    };
    auto page = make();
    for (const Case& c : cases) {
        s.stats->setMemoryPressure(c.pressure);
        s.stats->setMemoryUsed(c.used);
        s.stats->setMemoryTotal(c.total);
        s.stats->setMemoryApp(c.app);
        s.stats->setMemoryWired(c.wired);
        s.stats->setMemoryCompressed(c.compressed);
        s.stats->setMemorySwap(c.swap);
        page->refreshNow();
        EXPECT_EQ(page->pressureRing()->title(), c.pressureTitle);
        EXPECT_DOUBLE_EQ(page->pressureRing()->percentage(), c.pressure);
        EXPECT_EQ(page->memoryRing()->title(), c.memoryTitle);
        EXPECT_NEAR(page->memoryRing()->percentage(), c.memoryPercent, 1e-9);
        EXPECT_EQ(legendValues(*page).mid(0, 4),
                  QStringList({"App=" + kestrova::format("%.1f GB", c.app),
                               "Wired=" + kestrova::format("%.1f GB", c.wired),
                               "Compressed=" + kestrova::format("%.1f GB", c.compressed), "Free=" + c.free}));
        EXPECT_EQ(page->swapLabel()->text(), c.swapText);
        EXPECT_DOUBLE_EQ(page->swapBar()->currentFraction(), c.swapFill);
    }
    EXPECT_DOUBLE_EQ(RingChart::trimEnd(page->pressureRing()->percentage()), 1.0);
    EXPECT_EQ(page->pressureRing()->label(), "PRESSURE");
    EXPECT_EQ(page->memoryRing()->label(), "MEMORY");
    EXPECT_EQ(page->swapBar()->toolTip(), QString::fromLatin1(MemoryTabView::swapHelp));
}

TEST_F(MemoryTabViewTest, AdvancedModeAddsTheTwoFixedLinesLive)
{
    auto page = make();
    EXPECT_TRUE(page->advancedRows()->isHidden());
    s.settings.setAdvancedMode(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(page->advancedRows()->isVisible());
    EXPECT_EQ(legendValues(*page).mid(4), QStringList({"Kernel Memory=844 MB", "Page Outs=1.2 GB"}));
    s.settings.setAdvancedMode(false);
    QCoreApplication::processEvents();
    EXPECT_TRUE(page->advancedRows()->isHidden());
}

TEST_F(MemoryTabViewTest, FourRowsWithNewFiguresInRangeAtEveryRefreshAndNoFreeze)
{
    auto page = make();
    EXPECT_EQ(page->processList()->count(), 0);

    QList<ProcessInfoData> twelve = processes(12);
    twelve[1].isSuspended = true;
    s.processMonitor->setTopProcesses(twelve);
    page->refreshNow();
    EXPECT_EQ(page->processList()->keys(), QStringList({"700", "701", "702", "703"}));

    const auto figures = [&] {
        QStringList texts;
        for (QWidget* row : page->processList()->rows())
            texts << row->findChild<PlainLabel*>(QStringLiteral("value"))->text();
        return texts;
    };
    const QList<double> drawn = s.random.values.mid(s.random.values.size() - 4);
    QStringList expected;
    for (double value : drawn) {
        EXPECT_GE(value, 0.1);
        EXPECT_LE(value, 2.5);
        expected << kestrova::format("%.1f GB", value);
    }
    EXPECT_EQ(figures(), expected);
    EXPECT_EQ(s.random.ranges.last(), qMakePair(0.1, 2.5));

    // A suspended process looks like any other; no row offers a freeze.
    for (QWidget* row : page->processList()->rows()) {
        EXPECT_FALSE(static_cast<ProcessRow*>(row)->isSuspended());
        EXPECT_TRUE(row->findChild<SymbolButton*>(QStringLiteral("freezeButton"))->isHidden());
    }

    const qsizetype before = s.random.values.size();
    page->grab(); // painting draws nothing
    EXPECT_EQ(s.random.values.size(), before);

    s.settings.setShowFullProcessPath(true);
    s.processMonitor->setTopProcesses(twelve.mid(0, 2));
    QCoreApplication::processEvents();
    EXPECT_EQ(s.random.values.size(), before + 2);
    EXPECT_EQ(page->processList()->keys(), QStringList({"700", "701"}));
    EXPECT_EQ(static_cast<ProcessRow*>(page->processList()->row("700"))->name(), "/opt/tools/bin/worker0");
}

TEST_F(MemoryTabViewTest, HiddenPageDrawsNothingUntilShownAgain)
{
    auto page = make();
    s.processMonitor->setTopProcesses(processes(3));
    page->hide();
    const qsizetype before = s.random.values.size();
    s.stats->setMemorySwap(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(s.random.values.size(), before);
    EXPECT_EQ(page->swapLabel()->text(), "0.0 GB of 4.0 GB");

    page->show();
    EXPECT_EQ(page->swapLabel()->text(), "2.0 GB of 4.0 GB");
    EXPECT_EQ(page->processList()->count(), 3);
}

} // namespace
