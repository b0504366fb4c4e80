#pragma once

#include "dashboard/assistant/AIHealthReportView.h"

#include <QWidget>

#include <functional>

class ActionTipsView;
class PlainLabel;
class ProcessMonitor;
class QAbstractButton;
class RefreshCoalescer;
class SystemStatsProvider;
class ThemeManager;

// The dashboard's "History" page: the newest process snapshot, the CSV
// export of the load history (the written file is then shown in the file
// manager), the daily health report card and the page's tips.
class HistoryPage : public QWidget {
    Q_OBJECT

public:
    struct Deps {
        SystemStatsProvider* stats = nullptr;
        ProcessMonitor* processMonitor = nullptr;
        ThemeManager* themeManager = nullptr;
        AIHealthReportView::Reporter reporter;
        // Shows a file selected in the file manager; empty: the desktop's.
        std::function<void(const QString& path)> reveal;
    };

    explicit HistoryPage(Deps deps, QWidget* parent = nullptr);

    // The snapshot card's texts, as shown: the time of day and "CPU: 37.5%".
    static QString timeText(const QDateTime& timestamp);
    static QString cpuText(double cpuUsage);

    QWidget* snapshotCard() const { return m_snapshotCard; }
    PlainLabel* snapshotTimeLabel() const { return m_snapshotTime; }
    PlainLabel* snapshotCpuLabel() const { return m_snapshotCpu; }
    QAbstractButton* exportButton() const { return m_export; }
    AIHealthReportView* healthReport() const { return m_health; }
    ActionTipsView* tips() const { return m_tips; }

    // What the export button does.
    void exportReport();
    void refreshNow();

private:
    void refresh();

    Deps m_deps;
    RefreshCoalescer* m_coalescer;
    QWidget* m_snapshotCard;
    PlainLabel* m_snapshotTime;
    PlainLabel* m_snapshotCpu;
    QAbstractButton* m_export;
    AIHealthReportView* m_health;
    ActionTipsView* m_tips;
};
