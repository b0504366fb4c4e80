#pragma once

#include <QPointer>
#include <QWidget>

class ProcessMonitor;
class SystemStatsProvider;

// The popover's memory page (page 3): pressure, the memory split and the
// busiest processes.
// For now it shows the page's title line only.
class MemoryTabView : public QWidget {
    Q_OBJECT

public:
    MemoryTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent = nullptr);

private:
    QPointer<SystemStatsProvider> m_stats;
    QPointer<ProcessMonitor> m_processMonitor;
};
