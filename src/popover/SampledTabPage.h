#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

class ProcessMonitor;
class QVBoxLayout;
class Random;
class RefreshCoalescer;
class SettingsStore;
class SystemStatsProvider;

// What the popover's Network, Disk and Memory pages share: the sampler and
// the process list they draw from, the settings and random source of their
// process rows, the page's column, and one refresh per burst of changes that
// runs only while the page is shown (a hidden page only notes that it is out
// of date). The busiest processes and the given settings keys schedule a
// refresh; each page adds the sampler signals it shows.
class SampledTabPage : public QWidget {
    Q_OBJECT

public:
    // Stand-ins for tests; null members mean the application's own.
    struct Services {
        SettingsStore* settings = nullptr;
        Random* random = nullptr; // the process figures
    };

    // Redraws now instead of at the end of the event-loop turn.
    void refreshNow();

protected:
    SampledTabPage(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent, Services services,
                   const QStringList& settingKeys);

    // Redraws the whole page; does nothing once the sampler or the process
    // list is gone.
    virtual void refresh() = 0;

    QVBoxLayout* column() const { return m_column; }

    QPointer<SystemStatsProvider> m_stats;
    QPointer<ProcessMonitor> m_processMonitor;
    SettingsStore* m_settings;
    Random* m_random;
    RefreshCoalescer* m_coalescer;

private:
    QVBoxLayout* m_column;
};
