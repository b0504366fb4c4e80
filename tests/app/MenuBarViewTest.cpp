#include "app/MenuBarRenderer.h"
#include "app/MenuBarView.h"
#include "app/StatusLabelIconEngine.h"

#include <QImage>
#include <QPainter>

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

MenuBarView viewWith(double cpu, double temperature = 40, bool charging = false, int battery = 85,
                     QList<double> history = {10, 20, 30})
{
    return MenuBarView({cpu, std::move(history), temperature, charging, battery});
}

// How many pixels of the image are close to `color` (alpha ignored).
int pixelsLike(const QImage& image, const QColor& color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 160 && std::abs(c.red() - color.red()) < 40 && std::abs(c.green() - color.green()) < 40 &&
                std::abs(c.blue() - color.blue()) < 40)
                ++count;
        }
    return count;
}

QColor opaque(SystemColor color) { return systemColor(color, ColorScheme::dark); }

} // namespace

TEST(MenuBarView, TextsRoundToWholeNumbers)
{
    EXPECT_EQ(viewWith(37.6).cpuText(), QStringLiteral("38%"));
    EXPECT_EQ(viewWith(37.4).cpuText(), QStringLiteral("37%"));
    EXPECT_EQ(viewWith(150).cpuText(), QStringLiteral("150%"));
    EXPECT_EQ(viewWith(0, 52.3).temperatureText(), QStringLiteral("52°"));
    EXPECT_EQ(viewWith(0, 52.6).temperatureText(), QStringLiteral("53°"));
    EXPECT_EQ(viewWith(0, 0).temperatureText(), QStringLiteral("0°"));
    EXPECT_EQ(viewWith(0, 0, false, 100).batteryText(), QStringLiteral("100%"));
    EXPECT_EQ(viewWith(0, 0, false, 5).batteryText(), QStringLiteral("5%"));
}

TEST(MenuBarView, RingFractionAndColourAtTheEdges)
{
    EXPECT_EQ(viewWith(0).ringFraction(), 0.0);
    EXPECT_DOUBLE_EQ(viewWith(37.6).ringFraction(), 0.376);
    EXPECT_EQ(viewWith(100).ringFraction(), 1.0);
    EXPECT_EQ(viewWith(150).ringFraction(), 1.0);
    EXPECT_EQ(viewWith(-5).ringFraction(), 0.0);
    EXPECT_EQ(viewWith(std::numeric_limits<double>::quiet_NaN()).ringFraction(), 0.0);

    EXPECT_EQ(viewWith(80.0).ringColor(), UiColor(SystemColor::blue));
    EXPECT_EQ(viewWith(80.1).ringColor(), UiColor(SystemColor::red));
    EXPECT_EQ(viewWith(150).ringColor(), UiColor(SystemColor::red));
    EXPECT_EQ(viewWith(0).ringTrackColor(), UiColor(SystemColor::primary).opacity(0.2));
}

TEST(MenuBarView, TemperatureTurnsRedAboveEighty)
{
    EXPECT_EQ(viewWith(0, 0).temperatureColor(), UiColor(SystemColor::secondary));
    EXPECT_EQ(viewWith(0, 80.0).temperatureColor(), UiColor(SystemColor::secondary));
    EXPECT_EQ(viewWith(0, 80.1).temperatureColor(), UiColor(SystemColor::red));
}

TEST(MenuBarView, BatteryShowsTheBoltOnlyWhileCharging)
{
    const MenuBarView charging = viewWith(0, 0, true, 5);
    EXPECT_EQ(charging.batterySymbol(), QStringLiteral("bolt.fill"));
    EXPECT_EQ(charging.batteryColor(), UiColor(SystemColor::green));
    const MenuBarView onBattery = viewWith(0, 0, false, 5);
    EXPECT_EQ(onBattery.batterySymbol(), QStringLiteral("battery.100"));
    EXPECT_EQ(onBattery.batteryColor(), UiColor(SystemColor::primary));
    EXPECT_EQ(onBattery.historyColor(), UiColor(SystemColor::purple).opacity(0.8));
}

TEST(MenuBarView, ToolTipCarriesEveryFigure)
{
    EXPECT_EQ(viewWith(37.6, 52.3, true, 85).toolTip(),
              QStringLiteral("CPU: 38%\nTemperature: 52°\nBattery: 85%, charging"));
    EXPECT_EQ(viewWith(80.1, 0, false, 100).toolTip(), QStringLiteral("CPU: 80%\nTemperature: 0°\nBattery: 100%"));
}

TEST(MenuBarRenderer, LabelIsSeventyByTwentyTwoAndShowsTheRingColour)
{
    const QPixmap label = MenuBarRenderer::label(viewWith(90), ColorScheme::dark, 2.0);
    EXPECT_EQ(label.deviceIndependentSize().toSize(), QSize(70, 22));
    EXPECT_EQ(label.size(), QSize(140, 44));
    const QImage hot = label.toImage();
    EXPECT_GT(pixelsLike(hot, opaque(SystemColor::red)), 20);
    EXPECT_EQ(pixelsLike(hot, opaque(SystemColor::blue)), 0);

    const QImage cool = MenuBarRenderer::label(viewWith(50), ColorScheme::dark, 2.0).toImage();
    EXPECT_GT(pixelsLike(cool, opaque(SystemColor::blue)), 10);
    EXPECT_EQ(pixelsLike(cool, opaque(SystemColor::red)), 0);
    // Nothing is drawn outside the label's area, and its natural row is wider.
    EXPECT_GT(MenuBarRenderer::naturalWidth(viewWith(50)), 70);
}

TEST(MenuBarRenderer, ZeroLoadDrawsOnlyTheTrackAndShortHistoryNoLine)
{
    const QImage idle = MenuBarRenderer::label(viewWith(0, 0, false, 85, {5}), ColorScheme::dark, 2.0).toImage();
    EXPECT_EQ(pixelsLike(idle, opaque(SystemColor::blue)), 0);
    EXPECT_EQ(pixelsLike(idle, opaque(SystemColor::purple)), 0);
    const QImage history =
        MenuBarRenderer::label(viewWith(0, 0, false, 85, {10, 90, 40}), ColorScheme::dark, 2.0).toImage();
    EXPECT_GT(pixelsLike(history, opaque(SystemColor::purple)), 5);
    const QImage charging = MenuBarRenderer::label(viewWith(0, 0, true), ColorScheme::dark, 2.0).toImage();
    EXPECT_GT(pixelsLike(charging, opaque(SystemColor::green)), 5);
}

TEST(MenuBarRenderer, SquareSlotsGetTheCompactRingAndWideOnesTheLabel)
{
    const MenuBarView hot = viewWith(95, 85, false, 50, {});
    const QIcon icon = StatusLabelIconEngine::icon(hot, ColorScheme::dark);
    EXPECT_EQ(icon.actualSize(QSize(22, 22)), QSize(22, 22));
    EXPECT_EQ(icon.actualSize(QSize(140, 22)), QSize(70, 22));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(70, 22)));

    QImage square(22, 22, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    {
        QPainter painter(&square);
        icon.paint(&painter, QRect(0, 0, 22, 22));
    }
    EXPECT_GT(pixelsLike(square, opaque(SystemColor::red)), 20);
    // Same as drawing the compact form directly.
    EXPECT_EQ(square, MenuBarRenderer::compact(hot, ColorScheme::dark, 22).toImage().convertToFormat(square.format()));

    QImage wide(70, 22, QImage::Format_ARGB32_Premultiplied);
    wide.fill(Qt::transparent);
    {
        QPainter painter(&wide);
        icon.paint(&painter, QRect(0, 0, 70, 22));
    }
    EXPECT_EQ(wide, MenuBarRenderer::label(hot, ColorScheme::dark).toImage().convertToFormat(wide.format()));
}
