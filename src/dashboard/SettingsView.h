#pragma once

#include <QString>
#include <QWidget>

class AutoUpdater;
class BuildCacheService;
class LaunchAtLoginManager;
class PlainLabel;
class ProcessMonitor;
class SystemStatsProvider;
class ThemeManager;

// The dashboard window's root view. For now it holds the services the
// dashboard works with and shows which page its router picked for the title
// it was opened on; the sidebar and the pages themselves come later.
class SettingsView final : public QWidget {
    Q_OBJECT

public:
    // `initialTab` is a page title ("AI Hardware", "Settings", ...). A null
    // theme manager or process monitor is allowed.
    SettingsView(ThemeManager* themeManager, ProcessMonitor* processMonitor, QString initialTab,
                 QWidget* parent = nullptr);

    QString selectedSidebarItem() const { return m_selectedSidebarItem; }
    ThemeManager* themeManager() const { return m_themeManager; }
    ProcessMonitor* processMonitor() const { return m_processMonitor; }

    // The page a title opens: several titles share one page ("VRAM Shield"
    // opens "Memory"). Empty for a title the router does not know, which
    // shows the placeholder page.
    static QString pageFor(const QString& title);

private:
    void applyTheme();

    ThemeManager* m_themeManager;
    ProcessMonitor* m_processMonitor;
    QString m_selectedSidebarItem;
    SystemStatsProvider* m_statsProvider;
    LaunchAtLoginManager* m_launchManager;
    AutoUpdater* m_updater;
    BuildCacheService* m_buildCache;
    PlainLabel* m_page;
};
