#include "app/StatusLabelHost.h"

#include "app/MenuBarRenderer.h"
#include "app/StatusLabelIconEngine.h"
#include "app/TrayItem.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/RefreshCoalescer.h"

StatusLabelHost::StatusLabelHost(SystemStatsProvider& stats, TrayItem& item, QObject* parent)
    : QObject(parent), m_stats(stats), m_item(item), m_coalescer(new RefreshCoalescer([this] { refresh(); }, this))
{
    m_coalescer->watch(&stats, &SystemStatsProvider::cpuUsageChanged);
    m_coalescer->watch(&stats, &SystemStatsProvider::cpuHistoryChanged);
    m_coalescer->watch(&stats, &SystemStatsProvider::socTemperatureChanged);
    m_coalescer->watch(&stats, &SystemStatsProvider::batteryIsChargingChanged);
    m_coalescer->watch(&stats, &SystemStatsProvider::batteryPercentageChanged);
    m_view = MenuBarView::of(stats);
    m_item.setIcon(StatusLabelIconEngine::icon(m_view, MenuBarRenderer::trayScheme()));
    m_item.setToolTip(m_view.toolTip());
    ++m_renders;
}

void StatusLabelHost::refresh()
{
    MenuBarView view = MenuBarView::of(m_stats);
    if (view == m_view)
        return;
    m_view = std::move(view);
    m_item.setIcon(StatusLabelIconEngine::icon(m_view, MenuBarRenderer::trayScheme()));
    m_item.setToolTip(m_view.toolTip());
    ++m_renders;
}
