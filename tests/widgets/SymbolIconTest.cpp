#include "telemetry/PerformancePreset.h"
#include "telemetry/WorkspacePersona.h"
#include "widgets/SymbolIcon.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// Every symbol name the views name, gathered from their descriptions.
const QStringList kNamesUsedByViews = {
    "app.fill", "arrow.down", "arrow.down.circle.fill", "arrow.up", "arrow.up.circle.fill", "battery.100",
    "battery.100.bolt", "battery.25", "bolt.fill", "bolt.horizontal.circle.fill", "bolt.horizontal.fill",
    "bolt.shield.fill", "book.fill", "brain", "brain.head.profile", "brain.headset", "chart.bar.xaxis", "checkmark",
    "checkmark.circle.fill", "checkmark.shield.fill", "checkmark.square.fill", "clock.fill", "cpu", "cpu.fill",
    "desktopcomputer", "doc.on.doc", "eject.fill", "exclamationmark.triangle", "exclamationmark.triangle.fill",
    "externaldrive.fill", "eye.trianglebadge.exclamationmark", "fanblades.fill", "folder.fill",
    "folder.fill.badge.minus", "gamecontroller", "gamecontroller.fill", "gauge.badge.minus", "gauge.with.needle.fill",
    "gearshape.fill", "globe", "hammer.fill", "hand.point.left.fill", "hare.fill", "info.circle.fill",
    "internaldrive", "leaf.fill", "lightbulb.fill", "link", "list.bullet.rectangle.portrait",
    "list.bullet.rectangle.portrait.fill", "lock.shield", "macbook", "macstudio", "macwindow.and.cursorarrow",
    "magnifyingglass", "magnifyingglass.radar", "memorychip", "menubar.arrow.up.rectangle", "network",
    "network.badge.shield.half.filled", "paintbrush.fill", "paintpalette.fill", "paperplane.fill",
    "play.desktopcomputer", "play.fill", "play.rectangle", "power", "safari.fill", "server.rack", "shield.checkered",
    "shield.fill", "shippingbox.circle.fill", "shippingbox.fill", "slider.horizontal.3", "snowflake", "sparkles",
    "speedometer", "square", "square.and.arrow.up", "terminal", "terminal.fill", "thermometer.high",
    "thermometer.medium", "trash", "trash.circle.fill", "trash.fill", "waveform.path.ecg", "wifi",
    "wifi.router.fill", "wind", "xmark.circle.fill",
};

QImage render(const QString& name, const QColor& color)
{
    return SymbolIcon::pixmap(name, color, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

int inkPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

TEST(SymbolIcon, FontIsLoaded)
{
    ASSERT_TRUE(SymbolIcon::loadFont());
    EXPECT_TRUE(SymbolIcon::isFontLoaded());
    EXPECT_EQ(SymbolIcon::fontFamily(), "Material Icons");
}

TEST(SymbolIcon, EveryNameTheViewsUseResolvesToAGlyph)
{
    QStringList names = kNamesUsedByViews;
    for (PerformancePreset preset : PerformancePreset::allCases())
        names << preset.icon();
    for (WorkspacePersona persona : WorkspacePersona::allCases())
        names << persona.icon();
    for (const QString& name : names) {
        EXPECT_TRUE(SymbolIcon::resolves(name)) << name.toStdString();
        EXPECT_GT(inkPixels(render(name, Qt::black)), 20) << name.toStdString();
    }
}

TEST(SymbolIcon, EveryMappedGlyphExistsInTheFont)
{
    for (const QString& name : SymbolIcon::knownNames())
        EXPECT_TRUE(SymbolIcon::resolves(name)) << name.toStdString();
}

TEST(SymbolIcon, UnknownNameDrawsAVisiblePlaceholder)
{
    EXPECT_FALSE(SymbolIcon::codepoint("no.such.symbol"));
    EXPECT_FALSE(SymbolIcon::resolves("no.such.symbol"));
    EXPECT_FALSE(SymbolIcon::resolves("Sparkles"));
    EXPECT_GT(inkPixels(render("no.such.symbol", Qt::red)), 20);
}

TEST(SymbolIcon, TintIsChosenWhenPainting)
{
    const QImage red = render("cpu", QColor(255, 0, 0));
    const QImage green = render("cpu", QColor(0, 200, 0));
    EXPECT_EQ(inkPixels(red), inkPixels(green));
    for (int y = 0; y < red.height(); ++y) {
        for (int x = 0; x < red.width(); ++x) {
            const QRgb p = red.pixel(x, y);
            if (qAlpha(p) == 0)
                continue;
            // Premultiplied edges scale all channels alike: red only.
            ASSERT_EQ(qGreen(p), 0);
            ASSERT_EQ(qBlue(p), 0);
        }
    }
}

TEST(SymbolIcon, SymbolsAreCentredInTheirBox)
{
    // A symmetric glyph's ink is centred in the box, not hanging off the
    // baseline.
    const QImage image = render("info.circle.fill", Qt::black);
    int top = image.height(), bottom = -1, left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_LE(std::abs((top + bottom) - (image.height() - 1)), 2);
    EXPECT_LE(std::abs((left + right) - (image.width() - 1)), 2);
}

} // namespace
