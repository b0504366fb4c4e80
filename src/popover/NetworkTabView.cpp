#include "popover/NetworkTabView.h"

#include "popover/PopoverPageTitle.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/SystemColor.h"

NetworkTabView::NetworkTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent)
    : QWidget(parent), m_stats(stats), m_processMonitor(processMonitor)
{
    layOutTitleOnlyPage(this, QStringLiteral("network"), SystemColor::green, QStringLiteral("NETWORK"));
}
