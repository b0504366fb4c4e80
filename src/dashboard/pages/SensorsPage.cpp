#include "dashboard/pages/SensorsPage.h"

#include "core/Format.h"
#include "core/SettingsStore.h"
#include "dashboard/pages/PageRules.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ColorScheme.h"
#include "theme/ThemeManager.h"
#include "widgets/ActionTipsView.h"
#include "widgets/CardFrame.h"
#include "widgets/CoreUsageGraphView.h"
#include "widgets/Fonts.h"
#include "widgets/HoverPause.h"
#include "widgets/KeyedRowList.h"
#include "widgets/SlimScrollBar.h"
#include "widgets/PlainLabel.h"
#include "widgets/ProcessRow.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/SensorCircle.h"
#include "widgets/SensorRow.h"
#include "widgets/SparklineView.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

using PageRules::whole;

namespace {

const UiColor kNavy = UiColor::rgb(0.15, 0.18, 0.30);

PlainLabel* headline(const QString& text)
{
    return new PlainLabel(text, Fonts::style(TextStyle::headline), SystemColor::primary);
}

} // namespace

SensorsPage::SensorsPage(Deps deps, QWidget* parent)
    : QWidget(parent), m_deps(deps), m_monitor(deps.processMonitor),
      m_coalescer(new RefreshCoalescer([this] { refresh(); }, this))
{
    Q_ASSERT(m_deps.stats && m_deps.processMonitor && m_deps.settings && m_deps.themeManager);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 20);
    row->setSpacing(20);
    row->addWidget(buildReadingsPanel(), 1, Qt::AlignTop);
    row->addWidget(buildActivityPanel(deps.random), 0, Qt::AlignTop);

    SystemStatsProvider* stats = m_deps.stats;
    for (auto signal : {&SystemStatsProvider::cpuUsageChanged, &SystemStatsProvider::cpuHistoryChanged,
                        &SystemStatsProvider::eClusterUsageChanged, &SystemStatsProvider::pClusterUsageChanged,
                        &SystemStatsProvider::aneUsageChanged, &SystemStatsProvider::socTemperatureChanged,
                        &SystemStatsProvider::powerDrawChanged, &SystemStatsProvider::gpuTemperatureChanged,
                        &SystemStatsProvider::ssdTemperatureChanged, &SystemStatsProvider::throttlingStatusChanged})
        m_coalescer->watch(stats, signal);
    m_coalescer->watch(m_deps.processMonitor, &ProcessMonitor::topProcessesChanged);
    m_coalescer->watch(m_deps.themeManager, &ThemeManager::currentThemeChanged);
    connect(m_deps.settings, &SettingsStore::changed, this, [this](const QString& key) {
        if (key == QLatin1String(SettingsStore::kAdvancedMode))
            m_coalescer->schedule();
    });
    refresh();
}

QWidget* SensorsPage::buildReadingsPanel()
{
    auto* panel = new CardFrame(kNavy, 16);
    // The panel is dark in every theme; its texts follow the dark scheme.
    applyColorScheme(panel, ColorScheme::dark, kNavy.resolve(ColorScheme::dark));
    panel->setAutoFillBackground(false); // the frame paints its rounded fill
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(16);

    auto* band = new CardFrame(UiColor(SystemColor::white).opacity(0.1), 10);
    auto* bandLine = new QHBoxLayout(band);
    bandLine->setContentsMargins(12, 10, 12, 10);
    bandLine->addWidget(new SymbolView(QStringLiteral("cpu"), SystemColor::white, 17), 0, Qt::AlignVCenter);
    bandLine->addStretch(1);
    auto* soc = new QVBoxLayout;
    soc->setSpacing(0);
    soc->addWidget(new PlainLabel(QStringLiteral("SOC"), Fonts::style(TextStyle::caption2), SystemColor::white), 0,
                   Qt::AlignHCenter);
    QFont socFont = Fonts::style(TextStyle::caption);
    socFont.setWeight(QFont::Bold);
    m_soc = new PlainLabel(QString(), socFont, SystemColor::white);
    soc->addWidget(m_soc, 0, Qt::AlignHCenter);
    bandLine->addLayout(soc);
    bandLine->addStretch(1);
    bandLine->addWidget(new SymbolView(QStringLiteral("thermometer.medium"), SystemColor::white, 17), 0,
                        Qt::AlignVCenter);
    column->addWidget(band);

    auto* gauges = new QHBoxLayout;
    gauges->setSpacing(15);
    gauges->addStretch(1);
    for (const char* title : {"CPU", "TEMP", "ANE"}) {
        auto* gauge = new SensorCircle(QString::fromLatin1(title), QString());
        m_gauges << gauge;
        gauges->addWidget(gauge);
    }
    gauges->addStretch(1);
    column->addLayout(gauges);

    auto* readings = new QVBoxLayout;
    readings->setSpacing(10);
    const auto reading = [&](QVBoxLayout* into, const char* title, const char* subtitle) {
        auto* r = new SensorRow(QString::fromLatin1(title), QString::fromLatin1(subtitle), QString());
        m_readings << r;
        into->addWidget(r);
    };
    reading(readings, "TEMPERATURE", "Average SoC");
    reading(readings, "EFFICIENCY", "P/W Ratio");
    reading(readings, "POWER DRAW", "Total SoC");
    reading(readings, "CLUSTERS", "P-Core Avg");
    reading(readings, "CLUSTERS", "E-Core Avg");
    m_advanced = new QWidget;
    auto* advanced = new QVBoxLayout(m_advanced);
    advanced->setContentsMargins(0, 0, 0, 0);
    advanced->setSpacing(10);
    auto* rule = new CardFrame(UiColor(SystemColor::white).opacity(0.1), 0);
    rule->setFixedHeight(1);
    advanced->addWidget(rule);
    reading(advanced, "GPU TEMP", "Core Cluster");
    reading(advanced, "SSD TEMP", "NAND Flash");
    reading(advanced, "THROTTLING", "Freq Cap");
    readings->addWidget(m_advanced);
    column->addLayout(readings);

    auto* forecast = new CardFrame(SystemColor::clear, 8);
    m_forecastBar = forecast;
    auto* forecastLine = new QHBoxLayout(forecast);
    forecastLine->setContentsMargins(8, 8, 8, 8);
    forecastLine->setSpacing(6);
    m_forecastIcon = new SymbolView(QStringLiteral("sparkles"), SystemColor::blue, 12);
    forecastLine->addWidget(m_forecastIcon, 0, Qt::AlignTop);
    m_forecast = new PlainLabel(QString(), Fonts::style(TextStyle::caption), SystemColor::secondary);
    m_forecast->setWordWrap(true);
    forecastLine->addWidget(m_forecast, 1);
    column->addWidget(forecast);
    return panel;
}

QWidget* SensorsPage::buildActivityPanel(Random* random)
{
    auto* panel = new CardFrame(UiColor(SystemColor::contrast).opacity(0.05), 16);
    panel->setFixedWidth(300);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);

    column->addWidget(headline(QStringLiteral("CPU Usage History")));
    m_history = new SparklineView({}, SystemColor::blue);
    m_history->setFixedHeight(40);
    column->addWidget(m_history);
    column->addSpacing(10);
    m_cores = new CoreUsageGraphView(m_deps.stats, nullptr, {m_deps.themeManager, random});
    column->addWidget(m_cores);
    column->addSpacing(10);
    column->addWidget(headline(QStringLiteral("Top Processes")));

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setFixedHeight(180);
    m_processes = new KeyedRowList;
    m_processes->setSpacing(8);
    scroll->setWidget(m_processes);
    m_processes->setAutoFillBackground(false); // the panel shows through
    SlimScrollBar::apply(scroll->verticalScrollBar());
    m_processArea = scroll;
    // Rows hold still under the pointer, so a freeze hits the row aimed at.
    new HoverPause(scroll, m_deps.processMonitor);
    column->addWidget(scroll);

    m_tips = new ActionTipsView(
        QStringLiteral("Active Optimization Tips"),
        {QStringLiteral("\u2744\ufe0f Freeze Model: Click the Snowflake icon next to a process. This suspends it with a "
                        "Unix `SIGSTOP` signal, immediately reclaiming 100% of CPU cores without losing VRAM or active "
                        "LLM states."),
         QStringLiteral("\u2600\ufe0f Resume Model: Click the Play/Sun icon to send `SIGCONT` and instantly resume the "
                        "process right where it left off."),
         QStringLiteral("\U0001f680 Proactive Optimization ('PO'): Kestrova automatically deprioritizes non-essential "
                        "worker threads (`nice +10`).")});
    column->addWidget(m_tips);
    return panel;
}

QString SensorsPage::forecastText(double cpuUsage, double socTemperature)
{
    if (cpuUsage > 80 && socTemperature > 75)
        return QStringLiteral("Thermal throttling predicted in 4 minutes. Initiating preemptive fan curve.");
    if (cpuUsage > 50)
        return QStringLiteral("Temperature stable, but expected to rise. Monitoring closely.");
    return QStringLiteral("Thermals optimal. Passive cooling sufficient.");
}

void SensorsPage::refreshNow()
{
    m_coalescer->flush();
    m_cores->refreshNow();
}

void SensorsPage::refresh()
{
    const SystemStatsProvider& s = *m_deps.stats;
    const QString degree(QChar(0x00b0));
    m_soc->setFigureText(whole(s.socTemperature()) + degree);
    m_gauges[0]->setValue(whole(s.cpuUsage()) + QLatin1Char('%'));
    m_gauges[1]->setValue(whole(s.socTemperature()) + degree);
    m_gauges[2]->setValue(whole(s.aneUsage()) + QLatin1Char('%'));

    const QString celsius = degree + QLatin1Char('C');
    m_readings[0]->setValue(whole(s.socTemperature()) + celsius);
    m_readings[1]->setValue(kestrova::format("%.2f", s.efficiencyRatio()));
    m_readings[2]->setValue(kestrova::format("%.2f W", s.powerDraw()));
    m_readings[3]->setValue(whole(s.pClusterUsage()) + QLatin1Char('%'));
    m_readings[4]->setValue(whole(s.eClusterUsage()) + QLatin1Char('%'));
    m_readings[5]->setValue(whole(s.gpuTemperature()) + celsius);
    m_readings[6]->setValue(whole(s.ssdTemperature()) + celsius);
    m_readings[7]->setValue(whole(s.throttlingStatus()) + QLatin1Char('%'));
    m_advanced->setVisible(m_deps.settings->advancedMode());

    const UiColor accent = m_deps.themeManager->currentTheme().accentColor();
    m_forecastIcon->setTint(accent);
    m_forecastBar->setFill(accent.opacity(0.1));
    m_forecast->setText(forecastText(s.cpuUsage(), s.socTemperature()));
    m_history->setData(s.cpuHistory());
    refreshProcesses();
}

void SensorsPage::refreshProcesses()
{
    // White on the dark themes; the light theme's rows need dark text.
    ProcessRow::showProcesses(m_processes, m_deps.processMonitor->topProcesses().mid(0, shownProcessCount),
                              {QStringLiteral("app.fill"), SystemColor::contrast}, m_monitor,
                              ProcessRow::Services{m_deps.settings, {}});
}
