#include "dashboard/ai/AIHardwareView.h"

#include "dashboard/ai/AIPageHeader.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"
#include "widgets/Badge.h"
#include "widgets/CardFrame.h"
#include "widgets/CircularProgressView.h"
#include "widgets/Fonts.h"
#include "widgets/NeuralEngineCard.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/SymbolView.h"
#include "widgets/UnifiedMemoryBlock.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

const UiColor kCardFill = UiColor(SystemColor::contrast).opacity(0.04);

} // namespace

AIHardwareView::AIHardwareView(SystemStatsProvider* stats, ThemeManager* themeManager, QWidget* parent)
    : QWidget(parent), m_stats(stats), m_themeManager(themeManager ? themeManager : &ThemeManager::shared()),
      m_coalescer(new RefreshCoalescer([this] { refresh(); }, this))
{
    Q_ASSERT(m_stats);
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    m_badge = new Badge(QStringLiteral("Active"), accent, accent.opacity(0.15));
    m_badge->setFont(Fonts::system(8, QFont::Bold));
    m_badge->setPadding(6, 2);
    m_badge->setCornerRadius(4);
    m_ane = new NeuralEngineCard(accent);
    m_memory = new UnifiedMemoryBlock(accent, 12);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(10, 4, 10, 20);
    page->setSpacing(18);

    auto* header = new AIPageHeader(QStringLiteral("cpu.fill"), accent, QStringLiteral("AI HARDWARE & NEURAL ENGINE"));
    m_headerIcon = header->symbol();
    header->addWidget(m_badge);
    page->addLayout(header);

    page->addWidget(m_ane);

    auto* memoryCard = new CardFrame(kCardFill, 12);
    auto* memoryColumn = new QVBoxLayout(memoryCard);
    memoryColumn->setContentsMargins(12, 12, 12, 12);
    memoryColumn->addWidget(m_memory);
    page->addWidget(memoryCard);

    page->addWidget(gpuLoadSection());
    page->addStretch(1);

    for (auto signal : {&SystemStatsProvider::anePowerDrawChanged, &SystemStatsProvider::aneUsageChanged,
                        &SystemStatsProvider::memoryUsedChanged, &SystemStatsProvider::memoryTotalChanged,
                        &SystemStatsProvider::aiVramUsedChanged, &SystemStatsProvider::aiVramTotalChanged,
                        &SystemStatsProvider::gpuUsageChanged, &SystemStatsProvider::gpuCoreCountChanged})
        m_coalescer->watch(m_stats, signal);
    connect(m_themeManager, &ThemeManager::currentThemeChanged, this, &AIHardwareView::applyTheme);
    refresh();
}

CardFrame* AIHardwareView::gpuLoadSection()
{
    auto* card = new CardFrame(kCardFill, 12);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);
    column->addWidget(new PlainLabel(QStringLiteral("GRAPHICS CORES (GPU)"), Fonts::system(9, QFont::Bold),
                                     SystemColor::secondary));

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    m_cores = new PlainLabel(QString(), Fonts::system(14, QFont::DemiBold), SystemColor::primary);
    texts->addWidget(m_cores);
    texts->addWidget(new PlainLabel(QStringLiteral("Metal Hardware Acceleration"), Fonts::system(8),
                                    SystemColor::secondary));
    row->addLayout(texts);
    row->addStretch(1);
    m_gauge = new CircularProgressView(0, m_themeManager->currentTheme().accentColor());
    m_gauge->setFixedSize(40, 40);
    row->addWidget(m_gauge);
    column->addLayout(row);
    return card;
}

void AIHardwareView::refreshNow() { m_coalescer->flush(); }

void AIHardwareView::refresh()
{
    m_ane->setFigures(m_stats->anePowerDraw(), m_stats->aneUsage());
    m_memory->setFigures(m_stats->memoryUsed(), m_stats->memoryTotal(), m_stats->aiVramUsed(), m_stats->aiVramTotal());
    m_cores->setText(QString::number(m_stats->gpuCoreCount()) + QStringLiteral(" Cores"));
    m_gauge->setProgress(m_stats->gpuUsage() / 100.0);
}

void AIHardwareView::applyTheme()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    m_headerIcon->setTint(accent);
    m_badge->setColors(accent, accent.opacity(0.15));
    m_ane->setAccent(accent);
    m_memory->setAccent(accent);
    m_gauge->setColor(accent);
}

QString AIHardwareView::coresText() const { return m_cores->text(); }

QString AIHardwareView::badgeText() const { return m_badge->text(); }
