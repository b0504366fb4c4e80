#include "dashboard/SettingsView.h"

#include "app/AutoUpdater.h"
#include "app/LaunchAtLoginManager.h"
#include "app/ThemeManager.h"
#include "localai/BuildCacheService.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/ColorScheme.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"

#include <QHash>
#include <QVBoxLayout>

SettingsView::SettingsView(ThemeManager* themeManager, ProcessMonitor* processMonitor, QString initialTab,
                           QWidget* parent)
    : QWidget(parent), m_themeManager(themeManager), m_processMonitor(processMonitor),
      m_selectedSidebarItem(std::move(initialTab)), m_statsProvider(&SystemStatsProvider::shared()),
      m_launchManager(&LaunchAtLoginManager::shared()), m_updater(&AutoUpdater::shared()),
      m_buildCache(&BuildCacheService::shared()), m_page(new PlainLabel(QString(), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    m_page->setFont(Fonts::style(TextStyle::title));
    m_page->setAlignment(Qt::AlignCenter);
    const QString page = pageFor(m_selectedSidebarItem);
    m_page->setText(page.isEmpty() ? QStringLiteral("Select a page") : page);
    layout->addWidget(m_page);
    setAutoFillBackground(true);
    applyTheme();
    if (m_themeManager)
        connect(m_themeManager, &ThemeManager::currentThemeChanged, this, &SettingsView::applyTheme);
}

QString SettingsView::pageFor(const QString& title)
{
    static const QHash<QString, QString> pages = {
        {QStringLiteral("Settings"), QStringLiteral("Settings")},
        {QStringLiteral("History"), QStringLiteral("History")},
        {QStringLiteral("Sensors"), QStringLiteral("Sensors")},
        {QStringLiteral("Memory"), QStringLiteral("Memory")},
        {QStringLiteral("VRAM Shield"), QStringLiteral("Memory")},
        {QStringLiteral("Disk"), QStringLiteral("Disk")},
        {QStringLiteral("Developer Caches"), QStringLiteral("Disk")},
        {QStringLiteral("Creator Caches"), QStringLiteral("Disk")},
        {QStringLiteral("Game Caches"), QStringLiteral("Disk")},
        {QStringLiteral("Power"), QStringLiteral("Power")},
        {QStringLiteral("Network"), QStringLiteral("Network")},
        {QStringLiteral("Fans"), QStringLiteral("Fans")},
        {QStringLiteral("Fans & Cooling"), QStringLiteral("Fans")},
        {QStringLiteral("AI Hardware"), QStringLiteral("AI Hardware")},
        {QStringLiteral("AI Models"), QStringLiteral("AI Models")},
        {QStringLiteral("Performance Presets"), QStringLiteral("Performance Presets")},
        {QStringLiteral("API Sentinel"), QStringLiteral("API Sentinel")},
        {QStringLiteral("AI Co-Pilot"), QStringLiteral("AI Co-Pilot")},
        {QStringLiteral("Help Guide"), QStringLiteral("Help Guide")},
        {QStringLiteral("System Info"), QStringLiteral("System Info")},
    };
    return pages.value(title);
}

void SettingsView::applyTheme()
{
    const AppTheme theme = m_themeManager ? m_themeManager->currentTheme() : AppTheme(AppTheme::standard);
    applyColorScheme(this, theme.colorScheme(), theme.contentBackground().resolve(theme.colorScheme()));
    m_page->setTextColor(theme.textColor());
}
