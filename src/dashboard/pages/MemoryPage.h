#pragma once

#include "telemetry/ProcessInfoData.h"
#include "theme/UiColor.h"

#include <QCoroTask>
#include <QList>
#include <QPointer>
#include <QWidget>

class ActionTipsView;
class CardFrame;
class DashboardPageState;
class KeyedRowList;
class MemoryCard;
class PlainLabel;
class ProcessMonitor;
class QAbstractButton;
class RefreshCoalescer;
class Scheduler;
class SensorRow;
class SettingsStore;
class SystemStatsProvider;
class ThemeManager;

// The dashboard's "Memory" page (also "VRAM Shield"): three memory tiles,
// the "Purge RAM" cleaner with its banner, the pressure bar, the swap card
// (two more rows in advanced mode), the five processes with the highest
// pids, and the tips. The purge run and its banner live in the window's
// page state, so they go on while another page is shown.
class MemoryPage : public QWidget {
    Q_OBJECT

public:
    struct Deps {
        SystemStatsProvider* stats = nullptr;
        ProcessMonitor* processMonitor = nullptr;
        SettingsStore* settings = nullptr;
        ThemeManager* themeManager = nullptr;
        DashboardPageState* state = nullptr;
        Scheduler* scheduler = nullptr; // the banner's 5 seconds; null: real time
    };

    static constexpr int shownProcessCount = 5;
    static constexpr int bannerMs = 5000;

    explicit MemoryPage(Deps deps, QWidget* parent = nullptr);

    // One "Purge RAM" run, from the button to the banner's end. It holds
    // only the window's state and the sampler, never the page.
    static QCoro::Task<> purgeRam(QPointer<DashboardPageState> state, QPointer<SystemStatsProvider> stats,
                                  Scheduler* scheduler);

    static QString bannerText(double purgedAmount);
    // "46%" left, "9.8 GB / 16 GB" right.
    static QString pressureText(double memoryPressure);
    static QString usedOfTotalText(double memoryUsed, double memoryTotal);
    // Red above 70 %, green up to it.
    static UiColor pressureColor(double memoryPressure);
    // The fill's width in a track: never negative, never past the track.
    static double pressureFillWidth(double trackWidth, double memoryPressure);
    // Frozen rows first, then highest pid first; at most five.
    static QList<ProcessInfoData> shownProcesses(const QList<ProcessInfoData>& topProcesses);

    const QList<MemoryCard*>& memoryCards() const { return m_cards; }
    QAbstractButton* purgeButton() const { return m_purge; }
    QWidget* banner() const { return m_banner; }
    PlainLabel* bannerLabel() const { return m_bannerText; }
    QWidget* pressureBar() const { return m_bar; }
    PlainLabel* pressureLabel() const { return m_pressure; }
    PlainLabel* usedLabel() const { return m_used; }
    SensorRow* swapRow() const { return m_swap; }
    QWidget* advancedRows() const { return m_advanced; }
    KeyedRowList* processList() const { return m_processes; }
    ActionTipsView* tips() const { return m_tips; }

    // What the purge button does.
    void purge();
    void refreshNow();

private:
    CardFrame* card(int spacing);
    QWidget* buildCleaner();
    QWidget* buildPressure();
    QWidget* buildSwap();
    QWidget* buildProcesses();
    void refresh();

    Deps m_deps;
    QPointer<ProcessMonitor> m_monitor;
    RefreshCoalescer* m_coalescer;
    QList<MemoryCard*> m_cards;
    QAbstractButton* m_purge = nullptr;
    QWidget* m_banner = nullptr;
    PlainLabel* m_bannerText = nullptr;
    QWidget* m_bar = nullptr;
    PlainLabel* m_pressure = nullptr;
    PlainLabel* m_used = nullptr;
    SensorRow* m_swap = nullptr;
    QWidget* m_advanced = nullptr;
    KeyedRowList* m_processes = nullptr;
    ActionTipsView* m_tips = nullptr;
};
