#include "dashboard/tour/TourButton.h"
#include "dashboard/tour/TourCardFrame.h"
#include "theme/InkOnFill.h"

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
