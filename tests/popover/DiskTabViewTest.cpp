#include "popover/DiskTabView.h"
#include "popover/ProcessTrafficRow.h"
#include "popover/RateCard.h"
#include "support/InertServices.h"
#include "widgets/ElidedLabel.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/ProcessIconView.h"
#include "widgets/RingGauge.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <limits>

namespace {

ProcessInfoData process(qint32 pid, const QString& fullPath, const QIcon& icon = QIcon())
{
    ProcessInfoData p;
    p.id = pid;
    p.fullPath = fullPath;
    p.name = fullPath.section(QLatin1Char('/'), -1);
    p.icon = icon;
    return p;
}

ProcessTrafficRow* rowOf(const DiskTabView& page, const QString& key)
{
    return static_cast<ProcessTrafficRow*>(page.processList()->row(key));
}

class DiskTabViewTest : public ::testing::Test {
protected:
    std::unique_ptr<DiskTabView> make()
    {
        auto page = std::make_unique<DiskTabView>(s.stats.get(), s.processMonitor.get(), nullptr,
                                                  DiskTabView::Services{&s.settings, &s.random});
        page->resize(320, 700);
        page->show();
        return page;
    }

    InertServices s;
};

TEST_F(DiskTabViewTest, RingAndFreeSpace)
{
    struct Case {
        double used, total;
        double fraction;
        QString ringText, available;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {0, 0, 0, "0", "0.0 GB available"},
        {250, 500, 0.5, "50", "250.0 GB available"},
        {499.5, 1000, 0.4995, "49", "500.5 GB available"}, // truncated, not rounded
        {0.4, 0.8, 0.4, "40", "0.4 GB available"},         // a total under 1 GB counts as 1
        // An unreadable volume: the used figure at its floor over a zero
        // total never shows negative free space.
        {5, 0, 5, "500", "0.0 GB available"},
        {nan, 100, nan, "0", "0.0 GB available"},
    };
    auto page = make();
    for (const Case& c : cases) {
        s.stats->setDiskUsed(c.used);
        s.stats->setDiskTotal(c.total);
        page->refreshNow();
        if (std::isnan(c.fraction))
            EXPECT_TRUE(std::isnan(page->usageRing()->fraction()));
        else
            EXPECT_DOUBLE_EQ(page->usageRing()->fraction(), c.fraction) << c.used << '/' << c.total;
        EXPECT_EQ(page->usageRing()->text(), c.ringText);
        EXPECT_EQ(page->availableLabel()->text(), c.available);
    }
    EXPECT_EQ(page->usageRing()->toolTip(), QString::fromLatin1(DiskTabView::ringHelp));
}

TEST_F(DiskTabViewTest, RatesInCardsAndSummary)
{
    auto page = make();
    EXPECT_EQ(page->readCard()->value(), "0.0 MB/s");
    s.stats->setDiskRead(3.46);
    s.stats->setDiskWrite(0.1);
    QCoreApplication::processEvents();
    EXPECT_EQ(page->readCard()->value(), "3.5 MB/s");
    EXPECT_EQ(page->writeCard()->value(), "0.1 MB/s");
    EXPECT_EQ(page->readSummary()->text(), "Read 3.5 MB/s");
    EXPECT_EQ(page->writeSummary()->text(), "Write 0.1 MB/s");
    EXPECT_EQ(page->readCard()->label(), "Read");
    EXPECT_EQ(page->writeCard()->color(), UiColor(SystemColor::blue));
    EXPECT_EQ(page->writeCard()->toolTip(), QString::fromLatin1(DiskTabView::writeHelp));
}

TEST_F(DiskTabViewTest, RowsWithTooltipsElisionAndFiguresDrawnPerRefresh)
{
    auto page = make();
    EXPECT_EQ(page->processList()->count(), 0); // the header alone

    QPixmap image(16, 16);
    image.fill(Qt::red);
    const QString longPath = QStringLiteral("/home/dev/projects/a/very/deep/tree/of/folders/build/bin/compiler-driver");
    s.processMonitor->setTopProcesses(
        {process(801, longPath), process(802, "/usr/bin/make", QIcon(image)), process(803, "/usr/bin/ld")});
    page->refreshNow();
    EXPECT_EQ(page->processList()->keys(), QStringList({"801", "802", "803"}));

    ProcessTrafficRow* first = rowOf(*page, "801");
    EXPECT_EQ(first->nameLabel()->text(), "compiler-driver");
    EXPECT_EQ(first->nameLabel()->fixedToolTip(), longPath);
    EXPECT_FALSE(first->iconView()->showsImage());
    EXPECT_EQ(first->iconView()->symbol(), "app.fill");
    EXPECT_EQ(first->iconView()->tint(), UiColor(SystemColor::white));
    EXPECT_TRUE(rowOf(*page, "802")->iconView()->showsImage());
    EXPECT_EQ(first->iconView()->width(), rowOf(*page, "802")->iconView()->width());

    // Two draws per row, read then write, in list order.
    const QList<qint64> drawn = s.random.intValues.mid(s.random.intValues.size() - 6);
    EXPECT_EQ(s.random.intRanges.mid(s.random.intRanges.size() - 2),
              (QList<QPair<qint64, qint64>>{{1, 50}, {1, 200}}));
    for (int i = 0; i < 3; ++i) {
        ProcessTrafficRow* row = static_cast<ProcessTrafficRow*>(page->processList()->rows()[i]);
        EXPECT_EQ(row->firstFigure()->text(), QString::number(drawn[2 * i]) + 'M');
        EXPECT_EQ(row->secondFigure()->text(), QString::number(drawn[2 * i + 1]) + 'K');
        EXPECT_EQ(row->firstFigure()->width(), 30);
    }

    // The full path keeps its end when cut; the tooltip stays the path.
    s.settings.setShowFullProcessPath(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(rowOf(*page, "801"), first);
    EXPECT_EQ(first->nameLabel()->text(), longPath);
    ASSERT_TRUE(first->nameLabel()->isElided());
    EXPECT_TRUE(first->nameLabel()->displayedText().endsWith("compiler-driver"));
    EXPECT_TRUE(first->nameLabel()->toolTip().contains(longPath));

    s.processMonitor->setTopProcesses({});
    QCoreApplication::processEvents();
    EXPECT_EQ(page->processList()->count(), 0);
}

TEST_F(DiskTabViewTest, FiguresStayInRangeUnderASeededGenerator)
{
    QList<ProcessInfoData> four;
    for (int i = 0; i < 4; ++i)
        four << process(900 + i, QStringLiteral("/bin/p%1").arg(i));
    s.processMonitor->setTopProcesses(four);
    auto page = make();
    for (int refresh = 0; refresh < 50; ++refresh)
        page->refreshNow();
    ASSERT_EQ(s.random.intValues.size(), 50 * 8 + 8);
    for (int i = 0; i < s.random.intValues.size(); ++i) {
        const qint64 v = s.random.intValues[i];
        EXPECT_GE(v, 1);
        EXPECT_LE(v, i % 2 ? 200 : 50);
    }
}

} // namespace
