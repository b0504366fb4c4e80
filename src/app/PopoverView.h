#pragma once

#include <QWidget>

class PingService;
class ProcessMonitor;
class SystemStatsProvider;
class ThemeManager;

// The popover's root view. For now a dark panel with the header; the pages
// and the tab tray come later. Any service pointer may be null.
class PopoverView final : public QWidget {
    Q_OBJECT

public:
    PopoverView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, PingService* pingService,
                ThemeManager* themeManager, int selectedTab = 0, QWidget* parent = nullptr);

    int selectedTab() const { return m_selectedTab; }

private:
    SystemStatsProvider* m_stats;
    ProcessMonitor* m_processMonitor;
    PingService* m_pingService;
    ThemeManager* m_themeManager;
    int m_selectedTab;
};
