#include "popover/NetworkTabView.h"

#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

NetworkTabView::NetworkTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent)
    : QWidget(parent), m_stats(stats), m_processMonitor(processMonitor)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(16);
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(6);
    titleLine->addWidget(new SymbolView(QStringLiteral("network"), SystemColor::green, 12));
    auto* title = new PlainLabel(QStringLiteral("NETWORK"));
    title->setObjectName(QStringLiteral("pageTitle"));
    title->setFont(Fonts::system(10, QFont::Bold));
    title->setTextColor(SystemColor::green);
    titleLine->addWidget(title);
    titleLine->addStretch(1);
    column->addLayout(titleLine);
    column->addStretch(1);
}
