#include "app/MenuBarView.h"

#include "core/Format.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/RingChart.h"

MenuBarView::MenuBarView() = default;

MenuBarView::MenuBarView(Figures figures) : m_figures(std::move(figures)) {}

MenuBarView MenuBarView::of(const SystemStatsProvider& stats)
{
    return MenuBarView({stats.cpuUsage(), stats.cpuHistory(), stats.socTemperature(), stats.batteryIsCharging(),
                        stats.batteryPercentage()});
}

double MenuBarView::ringFraction() const { return RingChart::trimEnd(m_figures.cpuUsage); }

UiColor MenuBarView::ringColor() const
{
    return m_figures.cpuUsage > kHotThreshold ? SystemColor::red : SystemColor::blue;
}

UiColor MenuBarView::ringTrackColor() const { return UiColor(SystemColor::primary).opacity(0.2); }

QString MenuBarView::cpuText() const { return kestrova::format("%.0f%%", m_figures.cpuUsage); }

QString MenuBarView::temperatureText() const { return kestrova::format("%.0f°", m_figures.socTemperature); }

UiColor MenuBarView::temperatureColor() const
{
    return m_figures.socTemperature > kHotThreshold ? SystemColor::red : SystemColor::secondary;
}

UiColor MenuBarView::historyColor() const { return UiColor(SystemColor::purple).opacity(0.8); }

QString MenuBarView::batterySymbol() const
{
    return m_figures.batteryIsCharging ? QStringLiteral("bolt.fill") : QStringLiteral("battery.100");
}

UiColor MenuBarView::batteryColor() const
{
    return m_figures.batteryIsCharging ? SystemColor::green : SystemColor::primary;
}

QString MenuBarView::batteryText() const { return QString::number(m_figures.batteryPercentage) + u'%'; }

QString MenuBarView::toolTip() const
{
    return QStringLiteral("CPU: %1\nTemperature: %2\nBattery: %3%4")
        .arg(cpuText(), temperatureText(), batteryText(),
             m_figures.batteryIsCharging ? QStringLiteral(", charging") : QString());
}
