#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class ActionTipsView;
class CardFrame;
class CoreUsageGraphView;
class KeyedRowList;
class PlainLabel;
class ProcessMonitor;
class Random;
class RefreshCoalescer;
class SensorCircle;
class SensorRow;
class SettingsStore;
class SparklineView;
class SymbolView;
class SystemStatsProvider;
class ThemeManager;

// The dashboard's "Sensors" page. Left, on a dark navy panel: the SoC band,
// three gauges, the readings (three more in advanced mode) and a one-line
// thermal forecast. Right: the load history, the per-core view, the ten
// busiest processes with freeze and resume, and the tips. It redraws when
// the sampler, the process list, advanced mode or the theme change.
class SensorsPage : public QWidget {
    Q_OBJECT

public:
    struct Deps {
        SystemStatsProvider* stats = nullptr;
        ProcessMonitor* processMonitor = nullptr;
        SettingsStore* settings = nullptr;
        ThemeManager* themeManager = nullptr;
        Random* random = nullptr; // the per-core rings; null: the application's
    };

    static constexpr int shownProcessCount = 10;

    explicit SensorsPage(Deps deps, QWidget* parent = nullptr);

    // The advice under the readings; the first rule that holds wins.
    static QString forecastText(double cpuUsage, double socTemperature);

    PlainLabel* socLabel() const { return m_soc; }
    const QList<SensorCircle*>& gauges() const { return m_gauges; }
    // Every reading row, the advanced ones last.
    const QList<SensorRow*>& readings() const { return m_readings; }
    QWidget* advancedReadings() const { return m_advanced; }
    PlainLabel* forecastLabel() const { return m_forecast; }
    SparklineView* historyGraph() const { return m_history; }
    CoreUsageGraphView* coreUsageView() const { return m_cores; }
    KeyedRowList* processList() const { return m_processes; }
    QWidget* processArea() const { return m_processArea; }
    ActionTipsView* tips() const { return m_tips; }

    void refreshNow();

private:
    QWidget* buildReadingsPanel();
    QWidget* buildActivityPanel(Random* random);
    void refresh();
    void refreshProcesses();

    Deps m_deps;
    QPointer<ProcessMonitor> m_monitor;
    RefreshCoalescer* m_coalescer;
    PlainLabel* m_soc = nullptr;
    QList<SensorCircle*> m_gauges;
    QList<SensorRow*> m_readings;
    QWidget* m_advanced = nullptr;
    SymbolView* m_forecastIcon = nullptr;
    CardFrame* m_forecastBar = nullptr;
    PlainLabel* m_forecast = nullptr;
    SparklineView* m_history = nullptr;
    CoreUsageGraphView* m_cores = nullptr;
    QWidget* m_processArea = nullptr;
    KeyedRowList* m_processes = nullptr;
    ActionTipsView* m_tips = nullptr;
};
