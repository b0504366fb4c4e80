#pragma once

#include <QPointer>
#include <QWidget>

class ProcessMonitor;
class SystemStatsProvider;

// The popover's network page (page 1): throughput, addresses and the
// processes that hold connections.
// For now it shows the page's title line only.
class NetworkTabView : public QWidget {
    Q_OBJECT

public:
    NetworkTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent = nullptr);

private:
    QPointer<SystemStatsProvider> m_stats;
    QPointer<ProcessMonitor> m_processMonitor;
};
