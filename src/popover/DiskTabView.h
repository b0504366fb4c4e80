#pragma once

#include <QPointer>
#include <QWidget>

class ProcessMonitor;
class SystemStatsProvider;

// The popover's disk page (page 2): the home volume, read and write rates and
// the busiest processes.
// For now it shows the page's title line only.
class DiskTabView : public QWidget {
    Q_OBJECT

public:
    DiskTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent = nullptr);

private:
    QPointer<SystemStatsProvider> m_stats;
    QPointer<ProcessMonitor> m_processMonitor;
};
