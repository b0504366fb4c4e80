#include "popover/DiskTabView.h"

#include "popover/PopoverPageTitle.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/SystemColor.h"

DiskTabView::DiskTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent)
    : QWidget(parent), m_stats(stats), m_processMonitor(processMonitor)
{
    layOutTitleOnlyPage(this, QStringLiteral("externaldrive.fill"), SystemColor::orange, QStringLiteral("DISK"));
}
