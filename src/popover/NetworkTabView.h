#pragma once

#include "popover/SampledTabPage.h"

class ElidedLabel;
class KeyedRowList;
class RateCard;
class SparklineView;

// The popover's network page (page 1). Top to bottom: the upload and
// download rate cards, a graph of the CPU history, the public and local
// addresses under a fixed "Wi-Fi" label, and the four busiest processes,
// each with two made-up traffic figures.
//
// The page keeps nothing of its own: it redraws from the sampler, the
// process monitor and the "showFullProcessPath" setting whenever one of
// them changes, drawing new process figures each time. While hidden it only
// notes that it is out of date.
class NetworkTabView : public SampledTabPage {
    Q_OBJECT

public:
    static constexpr int shownProcessCount = 4;
    // The closed ranges the process figures are drawn from, in KB.
    static constexpr int upFigureLow = 0;
    static constexpr int upFigureHigh = 10;
    static constexpr int downFigureLow = 1;
    static constexpr int downFigureHigh = 50;

    NetworkTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent = nullptr);
    NetworkTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent, Services services);

    RateCard* uploadCard() const { return m_upload; }
    RateCard* downloadCard() const { return m_download; }
    SparklineView* graph() const { return m_graph; }
    ElidedLabel* publicAddress() const { return m_publicIP; }
    ElidedLabel* localAddress() const { return m_localIP; }
    KeyedRowList* processList() const { return m_processes; }

private:
    QWidget* buildRates();
    QWidget* buildAddresses();
    QWidget* buildProcesses();
    void refresh() override;
    void refreshProcesses();


    RateCard* m_upload = nullptr;
    RateCard* m_download = nullptr;
    SparklineView* m_graph = nullptr;
    ElidedLabel* m_publicIP = nullptr;
    ElidedLabel* m_localIP = nullptr;
    KeyedRowList* m_processes = nullptr;
};
