#pragma once

#include "theme/AppTheme.h"
#include "core/ObservableObject.h"

class SettingsStore;

// The current theme of the whole process, remembered in the setting
// "appTheme". Every assignment is stored; views hear of it only when the
// theme really changes. An unknown stored text reads as Standard and stays
// stored as it is until the next assignment.
class ThemeManager final : public ObservableObject {
    Q_OBJECT
    Q_PROPERTY(AppTheme currentTheme READ currentTheme WRITE setCurrentTheme NOTIFY currentThemeChanged)

public:
    static ThemeManager& shared();

    explicit ThemeManager(SettingsStore& settings, QObject* parent = nullptr);

    AppTheme currentTheme() const { return m_currentTheme; }
    void setCurrentTheme(AppTheme theme);
    // The theme button's step: the next theme in allCases order.
    void cycleTheme() { setCurrentTheme(m_currentTheme.next()); }

signals:
    void currentThemeChanged();

private:
    SettingsStore& m_settings;
    AppTheme m_currentTheme;
};
