#include "popover/DiskTabView.h"

#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

DiskTabView::DiskTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent)
    : QWidget(parent), m_stats(stats), m_processMonitor(processMonitor)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(16);
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(6);
    titleLine->addWidget(new SymbolView(QStringLiteral("externaldrive.fill"), SystemColor::orange, 12));
    auto* title = new PlainLabel(QStringLiteral("DISK"));
    title->setObjectName(QStringLiteral("pageTitle"));
    title->setFont(Fonts::system(10, QFont::Bold));
    title->setTextColor(SystemColor::orange);
    titleLine->addWidget(title);
    titleLine->addStretch(1);
    column->addLayout(titleLine);
    column->addStretch(1);
}
