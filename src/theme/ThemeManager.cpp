#include "theme/ThemeManager.h"

#include "core/SettingsStore.h"

#include <QCoreApplication>

ThemeManager& ThemeManager::shared()
{
    static ThemeManager* manager = new ThemeManager(SettingsStore::shared(), QCoreApplication::instance());
    return *manager;
}

ThemeManager::ThemeManager(SettingsStore& settings, QObject* parent)
    : ObservableObject(parent), m_settings(settings),
      m_currentTheme(settings.contains(QLatin1String(SettingsStore::kAppTheme))
                         ? AppTheme::fromRaw(settings.appTheme()).value_or(AppTheme::standard)
                         : AppTheme(AppTheme::standard))
{
}

void ThemeManager::setCurrentTheme(AppTheme theme)
{
    m_settings.setAppTheme(theme.rawValue());
    assign(m_currentTheme, theme, &ThemeManager::currentThemeChanged);
}
