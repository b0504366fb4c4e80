#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class LegendItem;
class Random;
class RefreshCoalescer;
class RingGauge;
class SystemStatsProvider;
class ThemeManager;

// The per-core view: four efficiency and seven performance rings and the
// two cluster legends. Only the legends are measured; the rings are a fixed
// count whatever the machine has, and their fills are drawn afresh at every
// redraw (cluster figures or theme changed), so they move about once a
// second. Used by the popover's CPU page and the dashboard's sensors page.
class CoreUsageGraphView : public QWidget {
    Q_OBJECT

public:
    static constexpr int efficiencyRingCount = 4;
    static constexpr int performanceRingCount = 7;
    // The closed ranges the ring fills are drawn from.
    static constexpr double efficiencyFillLow = 0.1;
    static constexpr double efficiencyFillHigh = 0.9;
    static constexpr double performanceFillLow = 0.05;
    static constexpr double performanceFillHigh = 0.4;

    // Stand-ins for tests; null members mean the application's own.
    struct Services {
        ThemeManager* themeManager = nullptr;
        Random* random = nullptr;
    };

    explicit CoreUsageGraphView(SystemStatsProvider* stats, QWidget* parent = nullptr);
    CoreUsageGraphView(SystemStatsProvider* stats, QWidget* parent, Services services);

    const QList<RingGauge*>& efficiencyRings() const { return m_efficiencyRings; }
    const QList<RingGauge*>& performanceRings() const { return m_performanceRings; }
    LegendItem* efficiencyLegend() const { return m_efficiencyLegend; }
    LegendItem* performanceLegend() const { return m_performanceLegend; }

    // Redraws now instead of at the end of the event-loop turn.
    void refreshNow();

private:
    void refresh();

    QPointer<SystemStatsProvider> m_stats;
    ThemeManager* m_themeManager;
    Random* m_random;
    RefreshCoalescer* m_coalescer;
    QList<RingGauge*> m_efficiencyRings;
    QList<RingGauge*> m_performanceRings;
    LegendItem* m_efficiencyLegend;
    LegendItem* m_performanceLegend;
};
