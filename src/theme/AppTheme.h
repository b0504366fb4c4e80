#pragma once

#include "core/RawEnum.h"
#include "theme/VisualEffectMaterial.h"
#include "theme/ColorScheme.h"
#include "theme/UiColor.h"

#include <QMetaType>

// The five colour themes. The raw value is the display name and the stored
// form; every colour a view paints with comes from here.
class AppTheme : public RawEnum<AppTheme, 5> {
public:
    enum Case { standard, cyberpunk, nordic, ink, light };

    constexpr AppTheme(Case value = standard) : m_case(value) {}
    constexpr operator Case() const { return m_case; }

    static const char* rawText(Case value);
    // The theme after this one in allCases order, wrapping to the first.
    AppTheme next() const;

    bool isLight() const { return m_case == light; }
    // The scheme windows painted in this theme use (the popover stays dark).
    ColorScheme colorScheme() const { return isLight() ? ColorScheme::light : ColorScheme::dark; }

    UiColor accentColor() const;
    UiColor secondaryAccent() const;
    VisualEffectMaterial backgroundMaterial() const;
    UiColor sidebarBackground() const;
    UiColor contentBackground() const;
    UiColor textColor() const;
    UiColor secondaryTextColor() const;
    UiColor cardBackground() const;
    UiColor dividerColor() const;

private:
    Case m_case;
};

Q_DECLARE_METATYPE(AppTheme)
