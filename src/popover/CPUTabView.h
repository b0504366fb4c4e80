#pragma once

#include <QPointer>
#include <QWidget>

class ProcessMonitor;
class SystemStatsProvider;

// The popover's CPU page (page 0): the machine's load, its history, the cores
// and the busiest processes, from the sampler and the process monitor.
// For now it shows the page's title line only.
class CPUTabView : public QWidget {
    Q_OBJECT

public:
    CPUTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent = nullptr);

private:
    QPointer<SystemStatsProvider> m_stats;
    QPointer<ProcessMonitor> m_processMonitor;
};
