#include "popover/ai/AITabView.h"

#include "core/SettingsStore.h"
#include "localai/BuildCacheService.h"
#include "localai/LocalAIService.h"
#include "localai/LocalAPILatencyService.h"
#include "popover/ai/CachesSubTab.h"
#include "popover/ai/OptimizerSubTab.h"
#include "popover/ai/ServersSubTab.h"
#include "popover/ai/TelemetrySubTab.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"
#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/ModelServerStatusCapsule.h"
#include "widgets/PlainLabel.h"
#include "widgets/SubTabButton.h"
#include "widgets/SymbolView.h"
#include "widgets/TabSelection.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

struct Pill {
    const char* title;
    const char* icon;
};

constexpr Pill kPills[] = {
    {"Telemetry", "chart.bar.xaxis"},
    {"Optimizer", "bolt.fill"},
    {"Caches", "trash.fill"},
    {"Servers", "network"},
};

} // namespace

AITabView::AITabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent)
    : AITabView(stats, processMonitor, parent, Services())
{
}

AITabView::AITabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent, Services services)
    : QWidget(parent), m_stats(stats), m_processMonitor(processMonitor),
      m_settings(services.settings ? services.settings : &SettingsStore::shared()),
      m_themeManager(services.themeManager ? services.themeManager : &ThemeManager::shared()),
      m_localAI(services.localAI), m_buildCache(services.buildCache), m_latency(services.latency),
      m_selection(new TabSelection(0, this))
{
    // The page scrolls inside itself; whatever holds it need not.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(buildHeader());
    page->addWidget(buildSubTabBar());

    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("aiContent"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    auto* holder = new QWidget;
    holder->setAutoFillBackground(false);
    m_contentColumn = new QVBoxLayout(holder);
    m_contentColumn->setContentsMargins(0, 0, 0, 12);
    m_contentColumn->setSpacing(0);
    m_contentColumn->addStretch(1);
    m_scroll->setWidget(holder);
    page->addWidget(m_scroll, 1);

    connect(m_selection, &TabSelection::valueChanged, this, &AITabView::showSubTab);
    connect(m_themeManager, &ThemeManager::currentThemeChanged, this, &AITabView::applyTheme);
    if (m_localAI)
        connect(m_localAI, &LocalAIService::statusChanged, this, &AITabView::refreshStatus);
    applyTheme();
    refreshStatus();
    showSubTab(m_selection->value());
}

QWidget* AITabView::buildHeader()
{
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(10, 10, 10, 0);
    row->setSpacing(6);
    m_headerSymbol = new SymbolView(QStringLiteral("sparkles"), SystemColor::blue, 14);
    row->addWidget(m_headerSymbol, 0, Qt::AlignVCenter);
    m_title = new PlainLabel(QStringLiteral("LOCAL AI MONITOR"), Fonts::system(10, QFont::Bold), SystemColor::blue);
    m_title->setObjectName(QStringLiteral("pageTitle"));
    row->addWidget(m_title, 0, Qt::AlignVCenter);
    row->addStretch(1);
    m_capsule = new ModelServerStatusCapsule;
    m_capsule->setObjectName(QStringLiteral("statusCapsule"));
    row->addWidget(m_capsule, 0, Qt::AlignVCenter);
    return header;
}

QWidget* AITabView::buildSubTabBar()
{
    auto* outer = new QWidget;
    auto* margins = new QVBoxLayout(outer);
    margins->setContentsMargins(10, 8, 10, 12);
    auto* bar = new CardFrame(UiColor(SystemColor::black).opacity(0.3), 8);
    bar->setObjectName(QStringLiteral("subTabBar"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(2);
    for (int i = 0; i < int(std::size(kPills)); ++i) {
        auto* pill = new SubTabButton(QLatin1String(kPills[i].title), QLatin1String(kPills[i].icon), i, m_selection,
                                      SystemColor::blue);
        m_pills << pill;
        row->addWidget(pill, 1);
    }
    margins->addWidget(bar);
    return outer;
}

AITabView::SubTab AITabView::subTabFor(int selectedIndex)
{
    switch (selectedIndex) {
    case optimizer: return optimizer;
    case caches: return caches;
    case servers: return servers;
    default: return telemetry;
    }
}

int AITabView::selectedSubTab() const { return m_selection->value(); }

void AITabView::setSelectedSubTab(int index) { m_selection->setValue(index); }

void AITabView::showSubTab(int index)
{
    const SubTab tab = subTabFor(index);
    if (m_content && tab == m_shown)
        return;
    if (m_content) {
        m_contentColumn->removeWidget(m_content);
        m_content->hide();
        m_content->deleteLater();
        m_content = nullptr;
    }
    m_shown = tab;
    m_content = makeContent(tab);
    if (m_content)
        m_contentColumn->insertWidget(0, m_content);
}

QWidget* AITabView::makeContent(SubTab tab)
{
    if (!m_localAI || !m_stats || !m_processMonitor)
        return nullptr;
    switch (tab) {
    case telemetry:
        return new TelemetrySubTab(m_stats, m_processMonitor, m_localAI, m_themeManager, m_settings);
    case optimizer: return new OptimizerSubTab(m_localAI, m_themeManager, m_settings);
    case caches:
        return m_buildCache ? new CachesSubTab(m_localAI, m_buildCache, m_themeManager) : nullptr;
    case servers:
        return m_latency ? new ServersSubTab(m_localAI, m_latency, m_themeManager) : nullptr;
    }
    return nullptr;
}

void AITabView::applyTheme()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    m_headerSymbol->setTint(accent);
    m_title->setTextColor(accent);
    for (SubTabButton* pill : m_pills)
        pill->setAccentColor(accent);
}

void AITabView::refreshStatus()
{
    m_capsule->setStatus(m_localAI ? m_localAI->status() : OllamaStatus(OllamaStatus::offline));
}
