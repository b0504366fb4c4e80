#include "dashboard/tour/TourButton.h"
#include "dashboard/tour/TourCardFrame.h"
#include "theme/InkOnFill.h"

#include <QImage>

#include <gtest/gtest.h>

// "Next" and "Get Started" read on the gradient of every theme: their text
// contrasts at least 3:1 with both ends of it, over the card it sits on.
TEST(TourButton, PrimaryTextReadsOnEveryThemesGradient)
{
    const struct {
        AppTheme theme;
        QColor ink;
    } cases[] = {
        {AppTheme::standard, Qt::white}, {AppTheme::cyberpunk, Qt::black}, {AppTheme::nordic, Qt::black},
        {AppTheme::ink, Qt::black},      {AppTheme::light, Qt::white},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.theme.rawValue().toStdString());
        const QColor ink = TourButton::primaryInk(c.theme);
        EXPECT_EQ(ink, c.ink);
        for (const UiColor& end : {c.theme.accentColor(), c.theme.secondaryAccent()}) {
            const QColor shown = composedOver(end.resolve(ColorScheme::dark), TourCardFrame::background());
            EXPECT_GE(contrastRatio(ink, shown), 3.0) << shown.name().toStdString();
        }
    }
}

// Drawn in the Ink theme, the label's pixels are dark on the light fill.
TEST(TourButton, InkPrimaryIsDrawnDarkOnLight)
{
    TourButton next(TourButton::Role::primary, QStringLiteral("Next"));
    next.setTheme(AppTheme::ink);
    next.resize(next.sizeHint());
    QImage image(next.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(TourCardFrame::background());
    next.render(&image);
    int dark = 0;
    const QRect inside = image.rect().adjusted(8, 4, -8, -4);
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            dark += qGray(image.pixel(x, y)) < 60;
    EXPECT_GT(dark, 10) << "no dark text on the Ink gradient";
}
