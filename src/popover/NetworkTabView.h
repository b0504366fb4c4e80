#pragma once

#include <QPointer>
#include <QWidget>

class ElidedLabel;
class KeyedRowList;
class ProcessMonitor;
class Random;
class RateCard;
class RefreshCoalescer;
class SettingsStore;
class SparklineView;
class SystemStatsProvider;

// The popover's network page (page 1). Top to bottom: the upload and
// download rate cards, a graph of the CPU history, the public and local
// addresses under a fixed "Wi-Fi" label, and the four busiest processes,
// each with two made-up traffic figures.
//
// The page keeps nothing of its own: it redraws from the sampler, the
// process monitor and the "showFullProcessPath" setting whenever one of
// them changes, drawing new process figures each time. While hidden it only
// notes that it is out of date.
class NetworkTabView : public QWidget {
    Q_OBJECT

public:
    static constexpr int shownProcessCount = 4;
    // The closed ranges the process figures are drawn from, in KB.
    static constexpr int upFigureLow = 0;
    static constexpr int upFigureHigh = 10;
    static constexpr int downFigureLow = 1;
    static constexpr int downFigureHigh = 50;

    // Stand-ins for tests; null members mean the application's own.
    struct Services {
        SettingsStore* settings = nullptr;
        Random* random = nullptr; // the process figures
    };

    NetworkTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent = nullptr);
    NetworkTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent, Services services);

    RateCard* uploadCard() const { return m_upload; }
    RateCard* downloadCard() const { return m_download; }
    SparklineView* graph() const { return m_graph; }
    ElidedLabel* publicAddress() const { return m_publicIP; }
    ElidedLabel* localAddress() const { return m_localIP; }
    KeyedRowList* processList() const { return m_processes; }

    // Redraws now instead of at the end of the event-loop turn.
    void refreshNow();

private:
    QWidget* buildRates();
    QWidget* buildAddresses();
    QWidget* buildProcesses();
    void refresh();
    void refreshProcesses();

    QPointer<SystemStatsProvider> m_stats;
    QPointer<ProcessMonitor> m_processMonitor;
    SettingsStore* m_settings;
    Random* m_random;
    RefreshCoalescer* m_coalescer;

    RateCard* m_upload = nullptr;
    RateCard* m_download = nullptr;
    SparklineView* m_graph = nullptr;
    ElidedLabel* m_publicIP = nullptr;
    ElidedLabel* m_localIP = nullptr;
    KeyedRowList* m_processes = nullptr;
};
