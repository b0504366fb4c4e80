#include "widgets/CoreUsageGraphView.h"

#include "theme/ThemeManager.h"
#include "core/Format.h"
#include "core/Random.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/Fonts.h"
#include "widgets/LegendItem.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/RingGauge.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int kRingSide = 24;
constexpr qreal kRingLine = 4;
constexpr int kRingSpacing = 6;
constexpr int kFirstLinePerformanceRings = 4;

LegendItem* clusterLegend(const QString& label)
{
    auto* legend = new LegendItem(SystemColor::clear, label, QString());
    legend->setDotDiameter(6);
    legend->setValueFont(Fonts::system(12, QFont::Bold));
    return legend;
}

} // namespace

CoreUsageGraphView::CoreUsageGraphView(SystemStatsProvider* stats, QWidget* parent)
    : CoreUsageGraphView(stats, parent, Services())
{
}

CoreUsageGraphView::CoreUsageGraphView(SystemStatsProvider* stats, QWidget* parent, Services services)
    : QWidget(parent), m_stats(stats),
      m_themeManager(services.themeManager ? services.themeManager : &ThemeManager::shared()),
      m_random(services.random ? services.random : &Random::shared()),
      m_coalescer(new RefreshCoalescer([this] { refresh(); }, this)),
      m_efficiencyLegend(clusterLegend(QStringLiteral("Efficiency Cores"))),
      m_performanceLegend(clusterLegend(QStringLiteral("Performance Cores")))
{
    Q_ASSERT(m_stats);
    m_efficiencyLegend->setObjectName(QStringLiteral("efficiencyLegend"));
    m_performanceLegend->setObjectName(QStringLiteral("performanceLegend"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 0, 10, 0);
    column->setSpacing(8);
    // Four efficiency and four performance rings on the first line, the
    // other three performance rings on the second, both from the leading edge.
    QHBoxLayout* lines[2];
    for (QHBoxLayout*& line : lines) {
        line = new QHBoxLayout;
        line->setSpacing(kRingSpacing);
        column->addLayout(line);
    }
    for (int i = 0; i < efficiencyRingCount; ++i) {
        m_efficiencyRings << new RingGauge(0, SystemColor::clear, kRingSide, kRingLine);
        lines[0]->addWidget(m_efficiencyRings.last());
    }
    for (int i = 0; i < performanceRingCount; ++i) {
        m_performanceRings << new RingGauge(0, SystemColor::clear, kRingSide, kRingLine);
        lines[i < kFirstLinePerformanceRings ? 0 : 1]->addWidget(m_performanceRings.last());
    }
    for (QHBoxLayout* line : lines)
        line->addStretch(1);
    column->addWidget(m_efficiencyLegend);
    column->addWidget(m_performanceLegend);

    m_coalescer->watch(stats, &SystemStatsProvider::eClusterUsageChanged);
    m_coalescer->watch(stats, &SystemStatsProvider::pClusterUsageChanged);
    m_coalescer->watch(m_themeManager, &ThemeManager::currentThemeChanged);
    refresh();
}

void CoreUsageGraphView::refreshNow() { m_coalescer->flush(); }

void CoreUsageGraphView::refresh()
{
    if (!m_stats)
        return;
    const AppTheme theme = m_themeManager->currentTheme();
    const UiColor efficiency = theme.secondaryAccent();
    const UiColor performance = theme.accentColor();
    // New fills at every redraw, in a fixed order: the efficiency rings,
    // then the performance rings.
    for (RingGauge* ring : std::as_const(m_efficiencyRings)) {
        ring->setColor(efficiency);
        ring->setFraction(m_random->uniform(efficiencyFillLow, efficiencyFillHigh));
    }
    for (RingGauge* ring : std::as_const(m_performanceRings)) {
        ring->setColor(performance);
        ring->setFraction(m_random->uniform(performanceFillLow, performanceFillHigh));
    }
    m_efficiencyLegend->setColor(efficiency);
    m_efficiencyLegend->setValue(kestrova::format("%.0f%%", m_stats->eClusterUsage()));
    m_performanceLegend->setColor(performance);
    m_performanceLegend->setValue(kestrova::format("%.0f%%", m_stats->pClusterUsage()));
}
