#include "dashboard/tour/MenuGuideRow.h"
#include "dashboard/tour/TourCardFrame.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

QImage onCard(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(TourCardFrame::background());
    return image;
}

// A breath repaints only the symbol of a highlighted guide row, with plain
// fills for the plate behind it: the pixels must be those of a whole repaint.
TEST(TourRepaint, GuideRowBreathMatchesAWholeRepaint)
{
    const struct {
        const char* icon;
        SystemColor color;
        int width;
    } rows[] = {{"bolt.horizontal.fill", SystemColor::yellow, 400},
                {"gauge.with.needle.fill", SystemColor::cyan, 380},
                {"thermometer.medium", SystemColor::pink, 420}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.icon);
        MenuGuideRow row(QString::fromLatin1(r.icon), r.color, QStringLiteral("System Monitors"),
                         QStringLiteral("Track sensors, memory pressure, fan speed, power draw, & network."), true,
                         AppTheme());
        row.resize(r.width, row.heightForWidth(r.width));
        QImage whole = onCard(row.size());
        row.render(&whole, QPoint(), QRegion(), QWidget::DrawChildren);
        const QRect dirty = row.iconBounds();
        ASSERT_TRUE(row.rect().contains(dirty));
        QImage part = onCard(row.size());
        row.render(&part, dirty.topLeft(), QRegion(dirty), QWidget::DrawChildren);
        int largest = 0;
        for (int y = dirty.top(); y <= dirty.bottom(); ++y)
            for (int x = dirty.left(); x <= dirty.right(); ++x) {
                const QColor a = whole.pixelColor(x, y), b = part.pixelColor(x, y);
                largest = std::max({largest, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                    std::abs(a.blue() - b.blue())});
            }
        EXPECT_LE(largest, 1);
    }
}

} // namespace
