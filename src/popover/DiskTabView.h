#pragma once

#include "popover/SampledTabPage.h"

class KeyedRowList;
class PlainLabel;
class RateCard;
class RingGauge;

// The popover's disk page (page 2). Top to bottom: the usage ring of the
// home volume with its free space, the read and write rate cards, the
// activity band, a one-line read/write summary, and the four busiest
// processes, each with a made-up read and write figure.
//
// The volume name, the band and the process figures are not measurements.
// The page keeps nothing of its own: it redraws from the sampler, the
// process monitor and the "showFullProcessPath" setting whenever one of
// them changes, drawing new process figures each time. While hidden it only
// notes that it is out of date.
class DiskTabView : public SampledTabPage {
    Q_OBJECT

public:
    static constexpr int shownProcessCount = 4;
    // The closed ranges the process figures are drawn from (MB and KB).
    static constexpr int readFigureLow = 1;
    static constexpr int readFigureHigh = 50;
    static constexpr int writeFigureLow = 1;
    static constexpr int writeFigureHigh = 200;

    static constexpr auto ringHelp =
        "Shows current SSD utilization of Macintosh HD. High disk saturation degrades virtual swap speeds.";
    static constexpr auto readHelp =
        "Real-time sequential disk read transfer rate. Spikes indicate compiler asset loading or starting "
        "container images.";
    static constexpr auto writeHelp =
        "Real-time sequential disk write transfer rate. Spikes indicate compilation build writes or cache "
        "updates.";

    DiskTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent = nullptr);
    DiskTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent, Services services);

    // The share of the volume in use: used / total, a total of 1 GB or
    // less counting as 1.
    static double usedFraction(double diskUsed, double diskTotal);

    RingGauge* usageRing() const { return m_ring; }
    PlainLabel* availableLabel() const { return m_available; }
    RateCard* readCard() const { return m_readCard; }
    RateCard* writeCard() const { return m_writeCard; }
    PlainLabel* readSummary() const { return m_readSummary; }
    PlainLabel* writeSummary() const { return m_writeSummary; }
    KeyedRowList* processList() const { return m_processes; }

private:
    QWidget* buildVolume();
    QWidget* buildRates();
    QWidget* buildSummary();
    QWidget* buildProcesses();
    void refresh() override;
    void refreshProcesses();


    RingGauge* m_ring = nullptr;
    PlainLabel* m_available = nullptr;
    RateCard* m_readCard = nullptr;
    RateCard* m_writeCard = nullptr;
    PlainLabel* m_readSummary = nullptr;
    PlainLabel* m_writeSummary = nullptr;
    KeyedRowList* m_processes = nullptr;
};
