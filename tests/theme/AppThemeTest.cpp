#include "theme/AppTheme.h"

#include <gtest/gtest.h>

namespace {

QColor dark(const UiColor& c) { return c.resolve(ColorScheme::dark); }

TEST(AppTheme, CasesRawValuesAndExactLookup)
{
    QStringList raws;
    for (AppTheme theme : AppTheme::allCases())
        raws << theme.rawValue();
    EXPECT_EQ(raws, QStringList({"Standard", "Cyberpunk", "Nordic", "Ink", "Light"}));
    EXPECT_EQ(AppTheme::fromRaw("Nordic"), AppTheme(AppTheme::nordic));
    EXPECT_EQ(AppTheme(AppTheme::ink).id(), "Ink");
    EXPECT_FALSE(AppTheme::fromRaw("nordic"));
    EXPECT_FALSE(AppTheme::fromRaw(" Nordic"));
    EXPECT_FALSE(AppTheme::fromRaw(""));
}

TEST(AppTheme, CycleVisitsEveryThemeAndWraps)
{
    AppTheme theme = AppTheme::standard;
    QStringList seen;
    for (int i = 0; i < 5; ++i) {
        theme = theme.next();
        seen << theme.rawValue();
    }
    EXPECT_EQ(seen, QStringList({"Cyberpunk", "Nordic", "Ink", "Light", "Standard"}));
}

TEST(AppTheme, AccentsAndMaterials)
{
    EXPECT_EQ(AppTheme(AppTheme::standard).accentColor(), UiColor(SystemColor::blue));
    EXPECT_EQ(AppTheme(AppTheme::light).accentColor(), UiColor(SystemColor::blue));
    EXPECT_EQ(dark(AppTheme(AppTheme::cyberpunk).accentColor()), QColor::fromRgbF(0, 0.95f, 1));
    EXPECT_EQ(dark(AppTheme(AppTheme::nordic).accentColor()), QColor::fromRgbF(0.53f, 0.75f, 0.82f));
    EXPECT_EQ(AppTheme(AppTheme::ink).accentColor(), UiColor(SystemColor::primary));

    EXPECT_EQ(AppTheme(AppTheme::standard).secondaryAccent(), UiColor(SystemColor::purple));
    EXPECT_EQ(dark(AppTheme(AppTheme::cyberpunk).secondaryAccent()), QColor::fromRgbF(0.74f, 0, 1));
    EXPECT_EQ(dark(AppTheme(AppTheme::nordic).secondaryAccent()), QColor::fromRgbF(0.56f, 0.64f, 0.51f));
    EXPECT_EQ(AppTheme(AppTheme::ink).secondaryAccent(), UiColor(SystemColor::secondary));
    EXPECT_EQ(AppTheme(AppTheme::light).secondaryAccent(), UiColor(SystemColor::indigo));

    const auto material = [](AppTheme::Case c) { return int(AppTheme(c).backgroundMaterial()); };
    EXPECT_EQ(material(AppTheme::standard), 6);
    EXPECT_EQ(material(AppTheme::cyberpunk), 21);
    EXPECT_EQ(material(AppTheme::nordic), 13);
    EXPECT_EQ(material(AppTheme::ink), 18);
    EXPECT_EQ(material(AppTheme::light), 3);
}

TEST(AppTheme, OnlyLightIsLight)
{
    const AppTheme light = AppTheme::light;
    EXPECT_TRUE(light.isLight());
    EXPECT_EQ(light.colorScheme(), ColorScheme::light);
    EXPECT_EQ(dark(light.textColor()), QColor(Qt::black));
    EXPECT_EQ(light.cardBackground(), UiColor(Qt::black).opacity(0.04));
    EXPECT_EQ(dark(light.sidebarBackground()), QColor::fromRgbF(0.94f, 0.94f, 0.96f));
    EXPECT_EQ(dark(light.contentBackground()), QColor::fromRgbF(0.98f, 0.98f, 1.0f));
    EXPECT_EQ(light.dividerColor(), UiColor(Qt::black).opacity(0.08));

    for (AppTheme theme : {AppTheme::standard, AppTheme::cyberpunk, AppTheme::nordic, AppTheme::ink}) {
        SCOPED_TRACE(theme.rawValue().toStdString());
        EXPECT_FALSE(theme.isLight());
        EXPECT_EQ(dark(theme.textColor()), QColor(Qt::white));
        EXPECT_EQ(theme.cardBackground(), UiColor(Qt::white).opacity(0.05));
        EXPECT_EQ(theme.dividerColor(), UiColor(Qt::white).opacity(0.15));
        EXPECT_EQ(dark(theme.sidebarBackground()), QColor::fromRgbF(0.04f, 0.04f, 0.06f));
        EXPECT_EQ(dark(theme.contentBackground()), QColor::fromRgbF(0.06f, 0.07f, 0.10f));
        EXPECT_EQ(theme.secondaryTextColor(), UiColor(SystemColor::secondary));
    }
}

} // namespace
