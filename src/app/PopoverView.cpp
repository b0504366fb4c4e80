#include "app/PopoverView.h"

#include "widgets/ColorScheme.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

PopoverView::PopoverView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, PingService* pingService,
                         ThemeManager* themeManager, int selectedTab, QWidget* parent)
    : QWidget(parent), m_stats(stats), m_processMonitor(processMonitor), m_pingService(pingService),
      m_themeManager(themeManager), m_selectedTab(selectedTab)
{
    // The popover is dark in every theme.
    setAutoFillBackground(true);
    applyColorScheme(this, ColorScheme::dark);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 8);
    auto* header = new QHBoxLayout;
    header->addWidget(new SymbolView(QStringLiteral("shield.fill"), SystemColor::blue, Fonts::size(TextStyle::title2)));
    auto* name = new PlainLabel(QStringLiteral("Kestrova"));
    name->setFont(Fonts::system(Fonts::size(TextStyle::headline), QFont::Bold));
    header->addWidget(name);
    header->addStretch();
    layout->addLayout(header);
    layout->addStretch();
}
