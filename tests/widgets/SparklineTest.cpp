#include "widgets/SparklineGeometry.h"
#include "widgets/SparklineView.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const QSizeF kArea(120, 40);

TEST(SparklineGeometry, FewerThanTwoValuesDrawNothing)
{
    EXPECT_TRUE(SparklineGeometry::points({}, kArea).isEmpty());
    EXPECT_TRUE(SparklineGeometry::points({42}, kArea).isEmpty());
    EXPECT_TRUE(SparklineGeometry::path({42}, kArea).isEmpty());
}

TEST(SparklineGeometry, TwoValuesSpanTheWidth)
{
    const auto pts = SparklineGeometry::points({0, 100}, kArea);
    ASSERT_EQ(pts.size(), 2);
    EXPECT_EQ(pts[0], QPointF(0, 40));
    EXPECT_EQ(pts[1], QPointF(120, 0));
}

TEST(SparklineGeometry, SixtyEqualValuesMakeAFlatLineAtHalfHeight)
{
    const auto pts = SparklineGeometry::points(QList<double>(60, 50.0), kArea);
    ASSERT_EQ(pts.size(), 60);
    for (const QPointF& p : pts)
        EXPECT_DOUBLE_EQ(p.y(), 20.0);
    EXPECT_DOUBLE_EQ(pts.first().x(), 0.0);
    EXPECT_DOUBLE_EQ(pts[1].x(), 120.0 / 59);
    EXPECT_DOUBLE_EQ(pts.last().x(), 120.0);
}

TEST(SparklineGeometry, ValuesAreNotClamped)
{
    const auto pts = SparklineGeometry::points({150, -25}, kArea);
    ASSERT_EQ(pts.size(), 2);
    EXPECT_DOUBLE_EQ(pts[0].y(), -20.0); // above the top edge
    EXPECT_DOUBLE_EQ(pts[1].y(), 50.0);  // below the bottom edge
}

TEST(SparklineGeometry, NonFiniteValuesAreSkippedKeepingTheirSlot)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto pts = SparklineGeometry::points({10, nan, 30, inf, 50}, kArea);
    ASSERT_EQ(pts.size(), 3);
    EXPECT_DOUBLE_EQ(pts[0].x(), 0.0);
    EXPECT_DOUBLE_EQ(pts[1].x(), 60.0);
    EXPECT_DOUBLE_EQ(pts[2].x(), 120.0);
    // Only one finite value left: no line at all.
    EXPECT_TRUE(SparklineGeometry::path({nan, 10, nan}, kArea).isEmpty());
}

TEST(SparklineGeometry, PathStartsAtTheOriginOffsetAndBoundsWildValues)
{
    const QPainterPath path = SparklineGeometry::path({0, 1e300, 0}, kArea, QPointF(5, 7));
    ASSERT_EQ(path.elementCount(), 3);
    EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(5, 47));
    EXPECT_TRUE(std::isfinite(path.elementAt(1).y));
    EXPECT_LT(path.elementAt(1).y, 0);
    EXPECT_GT(path.elementAt(1).y, -1e6);
}

TEST(SparklineView, StrokesOnlyWhenThereIsALine)
{
    SparklineView view({}, QColor(255, 0, 0));
    view.resize(60, 20);
    const auto redPixels = [&] {
        const QImage image = view.grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 80;
        return count;
    };
    EXPECT_EQ(redPixels(), 0);
    view.setData({50});
    EXPECT_EQ(redPixels(), 0);
    view.setData({50, 50});
    EXPECT_GE(redPixels(), 55);
    EXPECT_EQ(view.linePath().elementCount(), 2);
}

} // namespace
