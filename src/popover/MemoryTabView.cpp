#include "popover/MemoryTabView.h"

#include "popover/PopoverPageTitle.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/SystemColor.h"

MemoryTabView::MemoryTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent)
    : QWidget(parent), m_stats(stats), m_processMonitor(processMonitor)
{
    layOutTitleOnlyPage(this, QStringLiteral("memorychip"), SystemColor::purple, QStringLiteral("MEMORY"));
}
