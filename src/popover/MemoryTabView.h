#pragma once

#include "popover/SampledTabPage.h"

class KeyedRowList;
class LegendItem;
class LinearProgressView;
class PlainLabel;
class RingChart;

// The popover's memory page (page 3). Top to bottom: the pressure and
// memory rings, the breakdown (App, Wired, Compressed, Free, and two fixed
// lines in advanced mode), the four busiest processes, each with a made-up
// memory figure and no freeze button, and the swap line with its bar.
//
// The page keeps nothing of its own: it redraws from the sampler, the
// process monitor and the "showFullProcessPath" and "advancedMode" settings
// whenever one of them changes, drawing new process figures each time.
// While hidden it only notes that it is out of date.
class MemoryTabView : public SampledTabPage {
    Q_OBJECT

public:
    static constexpr int shownProcessCount = 4;
    // Swap shown against this fixed capacity, in GB.
    static constexpr double swapCapacity = 4.0;
    // The closed range the process figures are drawn from, in GB.
    static constexpr double processFigureLow = 0.1;
    static constexpr double processFigureHigh = 2.5;

    static constexpr auto pressureHelp =
        "Memory Pressure indicates how heavily your Mac depends on virtual swap. Red/Yellow zones indicate "
        "physical RAM saturation.";
    static constexpr auto memoryHelp =
        "Total active physical memory pages loaded. Includes wired kernel pages, compressed memory, and active "
        "apps.";
    static constexpr auto swapHelp =
        "Swap space represents virtual memory written to the SSD. High swap usage on high-pressure systems "
        "degrades performance.";

    MemoryTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent = nullptr);
    MemoryTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent, Services services);

    RingChart* pressureRing() const { return m_pressure; }
    RingChart* memoryRing() const { return m_memory; }
    // App, Wired, Compressed, Free, then Kernel Memory and Page Outs.
    QList<LegendItem*> legendItems() const;
    QWidget* advancedRows() const { return m_advanced; }
    KeyedRowList* processList() const { return m_processes; }
    PlainLabel* swapLabel() const { return m_swapText; }
    LinearProgressView* swapBar() const { return m_swapBar; }

private:
    QWidget* buildRings();
    QWidget* buildBreakdown();
    QWidget* buildProcesses();
    QWidget* buildSwap();
    void refresh() override;
    void refreshProcesses();


    RingChart* m_pressure = nullptr;
    RingChart* m_memory = nullptr;
    LegendItem* m_app = nullptr;
    LegendItem* m_wired = nullptr;
    LegendItem* m_compressed = nullptr;
    LegendItem* m_free = nullptr;
    QWidget* m_advanced = nullptr;
    LegendItem* m_kernel = nullptr;
    LegendItem* m_pageOuts = nullptr;
    KeyedRowList* m_processes = nullptr;
    PlainLabel* m_swapText = nullptr;
    LinearProgressView* m_swapBar = nullptr;
};
