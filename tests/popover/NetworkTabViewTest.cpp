#include "popover/NetworkTabView.h"
#include "core/Format.h"
#include "popover/ProcessTrafficRow.h"
#include "popover/RateCard.h"
#include "support/InertServices.h"
#include "widgets/ElidedLabel.h"
#include "widgets/FitLabel.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/SparklineView.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

class NetworkTabViewTest : public ::testing::Test {
protected:
    std::unique_ptr<NetworkTabView> make()
    {
        auto page = std::make_unique<NetworkTabView>(s.stats.get(), s.processMonitor.get(), nullptr,
                                                     NetworkTabView::Services{&s.settings, &s.random});
        page->resize(320, 700);
        page->show();
        return page;
    }

    InertServices s;
};

TEST_F(NetworkTabViewTest, RatesGraphAndAddresses)
{
    auto page = make();
    EXPECT_EQ(page->uploadCard()->value(), "0.0 KB/s");
    EXPECT_EQ(page->downloadCard()->value(), "0.0 KB/s");
    EXPECT_EQ(page->publicAddress()->text(), "Checking...");
    EXPECT_EQ(page->localAddress()->text(), "127.0.0.1");
    // The graph is the CPU history: 60 zeros at start, a flat bottom line.
    EXPECT_EQ(page->graph()->data(), QList<double>(60, 0.0));
    EXPECT_EQ(page->graph()->color(), UiColor(SystemColor::pink));

    s.stats->setNetworkDownload(2048.0);
    s.stats->setNetworkUpload(0.04);
    s.stats->setPublicIP(QStringLiteral("<b>198.51.100.7</b>"));
    s.stats->setLocalIP(QStringLiteral("10.0.0.5"));
    QCoreApplication::processEvents();
    EXPECT_EQ(page->downloadCard()->value(), "2048.0 KB/s"); // no switch to MB/s
    EXPECT_EQ(page->uploadCard()->value(), "0.0 KB/s");
    EXPECT_EQ(page->publicAddress()->text(), "<b>198.51.100.7</b>"); // shown as typed
    EXPECT_EQ(page->localAddress()->text(), "10.0.0.5");
    EXPECT_EQ(page->uploadCard()->label(), "Upload");
    EXPECT_EQ(page->downloadCard()->color(), UiColor(SystemColor::blue));
}

TEST_F(NetworkTabViewTest, RowsCarryTwoFiguresInTheirRanges)
{
    auto page = make();
    ProcessInfoData p;
    p.id = 4000;
    p.name = QStringLiteral("curl");
    p.fullPath = QStringLiteral("/usr/bin/curl");
    s.processMonitor->setTopProcesses({p});
    page->refreshNow();
    ASSERT_EQ(page->processList()->keys(), QStringList({"4000"}));
    auto* row = static_cast<ProcessTrafficRow*>(page->processList()->row("4000"));
    EXPECT_EQ(row->nameLabel()->text(), "curl");
    EXPECT_EQ(row->nameLabel()->fixedToolTip(), "/usr/bin/curl");
    EXPECT_EQ(s.random.intRanges.mid(s.random.intRanges.size() - 2),
              (QList<QPair<qint64, qint64>>{{0, 10}, {1, 50}}));
    const QList<qint64> drawn = s.random.intValues.mid(s.random.intValues.size() - 2);
    EXPECT_EQ(row->firstFigure()->text(), QString::number(drawn[0]) + " K");
    EXPECT_EQ(row->secondFigure()->text(), QString::number(drawn[1]) + " K");

    for (int refresh = 0; refresh < 60; ++refresh)
        page->refreshNow();
    for (int i = 0; i < s.random.intValues.size(); ++i) {
        const qint64 v = s.random.intValues[i];
        EXPECT_GE(v, i % 2 ? 1 : 0);
        EXPECT_LE(v, i % 2 ? 50 : 10);
    }
}

} // namespace

// At the popover's width the two figures shrink into their own halves, from
// an idle link to a saturated one, and keep their text; at ordinary rates
// they keep their full size.
TEST_F(NetworkTabViewTest, RateFiguresKeepApartAndInsideThePage)
{
    struct Case {
        double up;
        double down;
    };
    const QList<Case> cases = {{0.0, 0.0},           {48.3, 1264.7},       {9999.9, 9999.9},
                               {49488.0, 49488.0},   {0.0, 999999.9},      {999999.9, 0.0},
                               {999999.9, 999999.9}, {9999999.9, 9999999.9}};
    auto page = make();
    for (const Case& c : cases) {
        s.stats->setNetworkUpload(c.up);
        s.stats->setNetworkDownload(c.down);
        page->refreshNow();
        // A new size reaches the page's layout one nesting level per turn.
        for (int turn = 0; turn < 4; ++turn)
            QCoreApplication::processEvents();
        QList<QRectF> boxes;
        for (RateCard* card : {page->uploadCard(), page->downloadCard()}) {
            const FitLabel* figure = card->valueLabel();
            EXPECT_EQ(figure->displayedText(), card->value()) << c.up << ' ' << c.down;
            boxes << figure->textRect().translated(figure->mapTo(page.get(), QPoint(0, 0)));
        }
        EXPECT_EQ(page->uploadCard()->value(), kestrova::format("%.1f KB/s", c.up));
        EXPECT_FALSE(boxes[0].intersects(boxes[1])) << c.up << ' ' << c.down;
        for (const QRectF& box : boxes)
            EXPECT_TRUE(QRectF(page->rect()).contains(box)) << c.up << ' ' << c.down << ' ' << box.right();
        if (c.up < 2000 && c.down < 2000) {
            EXPECT_EQ(page->downloadCard()->valueLabel()->fittedFont().pixelSize(), 20) << c.down;
        }
    }
}
