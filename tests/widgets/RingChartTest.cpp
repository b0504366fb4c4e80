#include "widgets/Animations.h"
#include "widgets/RingChart.h"

#include "support/TaskRunner.h"

#include <QImage>

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(RingChart, TrimIsCappedAndNeverNegative)
{
    EXPECT_DOUBLE_EQ(RingChart::trimEnd(62.5), 0.625);
    EXPECT_DOUBLE_EQ(RingChart::trimEnd(100), 1.0);
    EXPECT_DOUBLE_EQ(RingChart::trimEnd(150), 1.0);
    EXPECT_DOUBLE_EQ(RingChart::trimEnd(0), 0.0);
    EXPECT_DOUBLE_EQ(RingChart::trimEnd(-5), 0.0);
    EXPECT_DOUBLE_EQ(RingChart::trimEnd(std::numeric_limits<double>::quiet_NaN()), 0.0);
    EXPECT_DOUBLE_EQ(RingChart::trimEnd(std::numeric_limits<double>::infinity()), 0.0);
}

// The arc's colour at a point on the ring, as the alpha the ring leaves
// there: opaque on the arc, faint (the track) elsewhere.
int alphaAt(RingChart& ring, QPoint point)
{
    QImage image(ring.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    ring.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return qAlpha(image.pixel(point));
}

TEST(RingChart, DrawsTrackAndArc)
{
    RingChart ring(0, "PRESSURE", QColor(255, 0, 0), "0%");
    ring.resize(100, 100);
    const QPoint right(96, 50), left(4, 50);
    EXPECT_LT(alphaAt(ring, right), 80); // only the track
    ring.setPercentage(150);
    EXPECT_DOUBLE_EQ(ring.displayedTrim(), 1.0);
    EXPECT_GT(alphaAt(ring, right), 240);
    EXPECT_GT(alphaAt(ring, left), 240);
    ring.setPercentage(30); // a quarter and a bit: the right side only
    EXPECT_GT(alphaAt(ring, right), 240);
    EXPECT_LT(alphaAt(ring, left), 80);
    ring.setPercentage(-5);
    EXPECT_DOUBLE_EQ(ring.displayedTrim(), 0.0);
    EXPECT_LT(alphaAt(ring, right), 80);
}

TEST(RingChart, SpringSettlesOnTheTargetAndTextsChangeAtOnce)
{
    Animations::setEnabled(true);
    RingChart ring(20, "PRESSURE", QColor(255, 0, 0), "20%");
    ring.show();
    ring.setPercentage(80);
    ring.setTitle("80%");
    EXPECT_EQ(ring.title(), "80%");
    EXPECT_LT(ring.displayedTrim(), 0.8);
    double peak = 0;
    const bool settled = waitUntil([&] {
        peak = std::max(peak, ring.displayedTrim());
        return ring.displayedTrim() == 0.8;
    }, std::chrono::seconds(3));
    Animations::setEnabled(false);
    EXPECT_TRUE(settled);
    EXPECT_GT(peak, 0.8); // an underdamped spring overshoots a little
    EXPECT_LT(peak, 0.85);
}

TEST(RingChart, DriftTooSmallToSeeJumpsWithoutStartingTheSpring)
{
    Animations::setEnabled(true);
    RingChart ring(40, "MEMORY", QColor(255, 0, 0), "40%");
    ring.show();
    ring.setPercentage(40.3);
    EXPECT_DOUBLE_EQ(ring.displayedTrim(), 0.403);
    ring.setPercentage(60); // a real change still swings
    EXPECT_LT(ring.displayedTrim(), 0.6);
    Animations::setEnabled(false);
}

} // namespace
