#include "popover/ai/AITabView.h"

#include "popover/PopoverPageTitle.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/SystemColor.h"

AITabView::AITabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent)
    : QWidget(parent), m_stats(stats), m_processMonitor(processMonitor)
{
    layOutTitleOnlyPage(this, QStringLiteral("sparkles"), SystemColor::purple, QStringLiteral("LOCAL AI MONITOR"));
}
