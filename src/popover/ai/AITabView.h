#pragma once

#include <QPointer>
#include <QWidget>

class ProcessMonitor;
class SystemStatsProvider;

// The popover's AI page (page 4): the local model server, its automations,
// caches and servers.
// For now it shows the page's title line only.
class AITabView : public QWidget {
    Q_OBJECT

public:
    AITabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent = nullptr);

private:
    QPointer<SystemStatsProvider> m_stats;
    QPointer<ProcessMonitor> m_processMonitor;
};
