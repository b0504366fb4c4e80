#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class ColorDot;
class CoreUsageGraphView;
class KeyedRowList;
class PlainLabel;
class ProcessMonitor;
class Random;
class RefreshCoalescer;
class RingGauge;
class SettingsStore;
class SparklineView;
class SystemStatsProvider;
class ThemeManager;

// The popover's CPU page (page 0). Top to bottom: the title line with the
// SoC temperature, the load of the last 60 seconds, a user/system split of
// the load, the per-core view, the advanced hardware card (only in advanced
// mode), the GPU card and the four busiest processes, each with a freeze
// button where the process may be frozen.
//
// The clock text, the 60/40 split and the whole GPU card are fixed figures,
// not measurements. The page keeps nothing of its own: it redraws from the
// sampler, the process monitor, the "showFullProcessPath" and
// "advancedMode" settings and the theme whenever one of them changes.
class CPUTabView : public QWidget {
    Q_OBJECT

public:
    static constexpr int shownProcessCount = 4;
    static constexpr auto processRowHelp =
        "Click the freeze icon to suspend this process's execution thread and release CPU resources, or "
        "double-click to view path detail.";

    // Stand-ins for tests; null members mean the application's own.
    struct Services {
        SettingsStore* settings = nullptr;
        ThemeManager* themeManager = nullptr;
        Random* random = nullptr; // the per-core view's ring fills
    };

    CPUTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent = nullptr);
    CPUTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent, Services services);

    PlainLabel* titleLabel() const { return m_title; }
    PlainLabel* temperatureLabel() const { return m_temperature; }
    SparklineView* loadGraph() const { return m_loadGraph; }
    PlainLabel* userLabel() const { return m_user; }
    PlainLabel* systemLabel() const { return m_system; }
    CoreUsageGraphView* coreUsageView() const { return m_cores; }
    QWidget* advancedCard() const { return m_advancedCard; }
    PlainLabel* fanSpeedLabel() const { return m_fanSpeed; }
    PlainLabel* throttlingLabel() const { return m_throttling; }
    PlainLabel* gpuTemperatureLabel() const { return m_gpuTemperature; }
    const QList<RingGauge*>& gpuGauges() const { return m_gpuGauges; }
    PlainLabel* pausedNote() const { return m_pausedNote; }
    KeyedRowList* processList() const { return m_processes; }

    // Redraws now instead of at the end of the event-loop turn.
    void refreshNow();

private:
    QWidget* buildTitleLine();
    QWidget* buildUserSystemSplit();
    QWidget* buildAdvancedCard();
    QWidget* buildGpuCard();
    QWidget* buildProcesses();
    void refresh();
    void refreshProcesses();

    QPointer<SystemStatsProvider> m_stats;
    QPointer<ProcessMonitor> m_processMonitor;
    SettingsStore* m_settings;
    ThemeManager* m_themeManager;
    RefreshCoalescer* m_coalescer;

    PlainLabel* m_title = nullptr;
    PlainLabel* m_temperature = nullptr;
    SparklineView* m_loadGraph = nullptr;
    ColorDot* m_userDot = nullptr;
    ColorDot* m_systemDot = nullptr;
    PlainLabel* m_user = nullptr;
    PlainLabel* m_system = nullptr;
    CoreUsageGraphView* m_cores = nullptr;
    QWidget* m_advancedCard = nullptr;
    PlainLabel* m_fanSpeed = nullptr;
    PlainLabel* m_throttling = nullptr;
    PlainLabel* m_gpuTemperature = nullptr;
    PlainLabel* m_gpuTitle = nullptr;
    QList<RingGauge*> m_gpuGauges;
    PlainLabel* m_processesTitle = nullptr;
    PlainLabel* m_pausedNote = nullptr;
    KeyedRowList* m_processes = nullptr;
};
