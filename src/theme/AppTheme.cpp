#include "theme/AppTheme.h"

const char* AppTheme::rawText(Case value)
{
    static constexpr const char* texts[] = {"Standard", "Cyberpunk", "Nordic", "Ink", "Light"};
    return texts[value];
}

AppTheme AppTheme::next() const
{
    const auto& cases = allCases();
    for (size_t i = 0; i < cases.size(); ++i)
        if (cases[i] == m_case)
            return cases[(i + 1) % cases.size()];
    return standard;
}

UiColor AppTheme::accentColor() const
{
    switch (m_case) {
    case standard: return SystemColor::blue;
    case cyberpunk: return UiColor::rgb(0, 0.95, 1);
    case nordic: return UiColor::rgb(0.53, 0.75, 0.82);
    case ink: return SystemColor::primary;
    case light: return SystemColor::blue;
    }
    return SystemColor::blue;
}

UiColor AppTheme::secondaryAccent() const
{
    switch (m_case) {
    case standard: return SystemColor::purple;
    case cyberpunk: return UiColor::rgb(0.74, 0, 1);
    case nordic: return UiColor::rgb(0.56, 0.64, 0.51);
    case ink: return SystemColor::secondary;
    case light: return SystemColor::indigo;
    }
    return SystemColor::purple;
}

VisualEffectMaterial AppTheme::backgroundMaterial() const
{
    switch (m_case) {
    case standard: return VisualEffectMaterial::popover;
    case cyberpunk: return VisualEffectMaterial::underWindowBackground;
    case nordic: return VisualEffectMaterial::hudWindow;
    case ink: return VisualEffectMaterial::contentBackground;
    case light: return VisualEffectMaterial::titlebar;
    }
    return VisualEffectMaterial::popover;
}

UiColor AppTheme::sidebarBackground() const
{
    return isLight() ? UiColor::rgb(0.94, 0.94, 0.96) : UiColor::rgb(0.04, 0.04, 0.06);
}

UiColor AppTheme::contentBackground() const
{
    return isLight() ? UiColor::rgb(0.98, 0.98, 1.0) : UiColor::rgb(0.06, 0.07, 0.10);
}

UiColor AppTheme::textColor() const { return isLight() ? UiColor(Qt::black) : UiColor(Qt::white); }

UiColor AppTheme::secondaryTextColor() const { return SystemColor::secondary; }

UiColor AppTheme::cardBackground() const
{
    return isLight() ? UiColor(Qt::black).opacity(0.04) : UiColor(Qt::white).opacity(0.05);
}

UiColor AppTheme::dividerColor() const
{
    return isLight() ? UiColor(Qt::black).opacity(0.08) : UiColor(Qt::white).opacity(0.15);
}
