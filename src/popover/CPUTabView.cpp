#include "popover/CPUTabView.h"

#include "theme/ThemeManager.h"
#include "core/Format.h"
#include "core/SettingsStore.h"
#include "widgets/CoreUsageGraphView.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/CardFrame.h"
#include "widgets/ColorDot.h"
#include "widgets/Divider.h"
#include "widgets/Fonts.h"
#include "widgets/HoverPause.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/ProcessRow.h"
#include "widgets/ShownRefreshCoalescer.h"
#include "widgets/RingGauge.h"
#include "widgets/SparklineView.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int kSideMargin = 10;

PlainLabel* label(const QString& text, const QFont& font, const UiColor& color = SystemColor::primary)
{
    auto* l = new PlainLabel(text);
    l->setFont(font);
    l->setTextColor(color);
    return l;
}

// A section of the page: its content inset 10 from the left and right.
QWidget* padded(QLayout* content)
{
    auto* section = new QWidget;
    auto* box = new QVBoxLayout(section);
    box->setContentsMargins(kSideMargin, 0, kSideMargin, 0);
    box->setSpacing(0);
    box->addLayout(content);
    return section;
}

// Whole-number texts truncate toward zero; a figure that is not finite or
// does not fit 64 bits reads 0 rather than something undefined.
QString whole(double value) { return QString::number(kestrova::safeTrunc(value)); }

struct GpuGauge {
    const char* text;
    double fraction;
};

// The GPU card shows these whatever the machine does.
constexpr GpuGauge kGpuGauges[] = {{"11%", 0.11}, {"7%", 0.07}, {"102\u00b0", 1.0}, {"0.34", 0.34}};

} // namespace

CPUTabView::CPUTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent)
    : CPUTabView(stats, processMonitor, parent, Services())
{
}

CPUTabView::CPUTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent,
                       Services services)
    : QWidget(parent), m_stats(stats), m_processMonitor(processMonitor),
      m_settings(services.settings ? services.settings : &SettingsStore::shared()),
      m_themeManager(services.themeManager ? services.themeManager : &ThemeManager::shared()),
      m_coalescer(new ShownRefreshCoalescer(this, [this] { refresh(); }))
{
    Q_ASSERT(m_stats && m_processMonitor);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 10, 0, 10);
    page->setSpacing(16);

    page->addWidget(buildTitleLine());

    m_loadGraph = new SparklineView({}, SystemColor::clear);
    m_loadGraph->setObjectName(QStringLiteral("loadGraph"));
    m_loadGraph->setFixedHeight(40);
    auto* graphBox = new QVBoxLayout;
    graphBox->addWidget(m_loadGraph);
    page->addWidget(padded(graphBox));

    page->addWidget(buildUserSystemSplit());

    m_cores = new CoreUsageGraphView(stats, nullptr, {m_themeManager, services.random});
    m_cores->setObjectName(QStringLiteral("coreUsage"));
    page->addWidget(m_cores);

    page->addWidget(buildAdvancedCard());
    page->addWidget(new Divider);
    page->addWidget(buildGpuCard());
    page->addWidget(new Divider);
    page->addWidget(buildProcesses());
    page->addStretch(1);

    for (auto signal : {&SystemStatsProvider::socTemperatureChanged, &SystemStatsProvider::cpuHistoryChanged,
                        &SystemStatsProvider::cpuUsageChanged, &SystemStatsProvider::fanRPMsChanged,
                        &SystemStatsProvider::throttlingStatusChanged, &SystemStatsProvider::gpuTemperatureChanged})
        m_coalescer->watch(stats, signal);
    m_coalescer->watch(processMonitor, &ProcessMonitor::topProcessesChanged);
    m_coalescer->watch(processMonitor, &ProcessMonitor::isPausedChanged);
    m_coalescer->watch(m_themeManager, &ThemeManager::currentThemeChanged);
    connect(m_settings, &SettingsStore::changed, this, [this](const QString& key) {
        if (key == QLatin1String(SettingsStore::kAdvancedMode)
            || key == QLatin1String(SettingsStore::kShowFullProcessPath))
            m_coalescer->schedule();
    });
    refresh();
}

QWidget* CPUTabView::buildTitleLine()
{
    auto* line = new QHBoxLayout;
    line->setSpacing(8);
    m_title = label(QStringLiteral("CPU"), Fonts::system(10, QFont::Bold));
    m_title->setObjectName(QStringLiteral("pageTitle"));
    line->addWidget(m_title, 0, Qt::AlignVCenter);
    line->addStretch(1);
    m_temperature = label(QString(), Fonts::system(12, QFont::Medium));
    m_temperature->setObjectName(QStringLiteral("clockAndTemperature"));
    line->addWidget(m_temperature, 0, Qt::AlignVCenter);
    return padded(line);
}

QWidget* CPUTabView::buildUserSystemSplit()
{
    auto* line = new QHBoxLayout;
    line->setSpacing(8);
    m_userDot = new ColorDot(SystemColor::clear, 8);
    line->addWidget(m_userDot, 0, Qt::AlignVCenter);
    line->addWidget(label(QStringLiteral("User"), Fonts::system(12, QFont::Medium)), 0, Qt::AlignVCenter);
    m_user = label(QString(), Fonts::system(12, QFont::Bold));
    m_user->setObjectName(QStringLiteral("userShare"));
    line->addWidget(m_user, 0, Qt::AlignVCenter);
    line->addSpacing(10);
    m_systemDot = new ColorDot(SystemColor::clear, 8);
    line->addWidget(m_systemDot, 0, Qt::AlignVCenter);
    line->addWidget(label(QStringLiteral("System"), Fonts::system(12, QFont::Medium)), 0, Qt::AlignVCenter);
    m_system = label(QString(), Fonts::system(12, QFont::Bold));
    m_system->setObjectName(QStringLiteral("systemShare"));
    line->addWidget(m_system, 0, Qt::AlignVCenter);
    line->addStretch(1);
    return padded(line);
}

QWidget* CPUTabView::buildAdvancedCard()
{
    auto* card = new CardFrame(UiColor(SystemColor::white).opacity(0.05), 8);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(10, 4, 10, 4);
    column->setSpacing(6);
    column->addWidget(label(QStringLiteral("ADVANCED HARDWARE"), Fonts::system(10, QFont::Bold), SystemColor::secondary));

    const QFont rowFont = Fonts::system(11);
    const auto row = [&](const QString& symbol, const QString& text) {
        auto* line = new QHBoxLayout;
        line->setSpacing(8);
        line->addWidget(new SymbolView(symbol, SystemColor::primary, 11), 0, Qt::AlignVCenter);
        line->addWidget(label(text, rowFont), 0, Qt::AlignVCenter);
        line->addStretch(1);
        auto* value = label(QString(), Fonts::system(11, QFont::Bold));
        line->addWidget(value, 0, Qt::AlignVCenter);
        column->addLayout(line);
        return value;
    };
    m_fanSpeed = row(QStringLiteral("fanblades.fill"), QStringLiteral("Fan Speed"));
    m_throttling = row(QStringLiteral("thermometer.high"), QStringLiteral("Thermal Throttling"));
    m_gpuTemperature = row(QStringLiteral("cpu.fill"), QStringLiteral("GPU Temp"));

    auto* outer = new QVBoxLayout;
    outer->addWidget(card);
    m_advancedCard = padded(outer);
    m_advancedCard->setObjectName(QStringLiteral("advancedHardware"));
    return m_advancedCard;
}

QWidget* CPUTabView::buildGpuCard()
{
    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    auto* head = new QHBoxLayout;
    m_gpuTitle = label(QStringLiteral("GPU"), Fonts::system(10, QFont::Bold));
    head->addWidget(m_gpuTitle);
    head->addStretch(1);
    head->addWidget(label(QStringLiteral("60 FPS"), Fonts::system(10, QFont::Bold)));
    column->addLayout(head);

    auto* gauges = new QHBoxLayout;
    gauges->setSpacing(8);
    gauges->addStretch(1);
    for (const GpuGauge& g : kGpuGauges) {
        auto* gauge = new RingGauge(g.fraction, SystemColor::clear, 50, 4);
        gauge->setText(QString::fromUtf8(g.text));
        gauge->setTextFont(Fonts::system(12, QFont::Bold));
        m_gpuGauges << gauge;
        gauges->addWidget(gauge);
    }
    gauges->addStretch(1);
    column->addLayout(gauges);
    return padded(column);
}

QWidget* CPUTabView::buildProcesses()
{
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    auto* head = new QHBoxLayout;
    head->setSpacing(6);
    m_processesTitle = label(QStringLiteral("PROCESSES"), Fonts::system(10, QFont::Bold));
    head->addWidget(m_processesTitle, 0, Qt::AlignVCenter);
    m_pausedNote = label(QStringLiteral("(Paused for interaction)"), Fonts::system(10, QFont::Medium),
                         SystemColor::secondary);
    m_pausedNote->setObjectName(QStringLiteral("pausedNote"));
    head->addWidget(m_pausedNote, 0, Qt::AlignVCenter);
    head->addStretch(1);
    column->addLayout(head);

    m_processes = new KeyedRowList;
    m_processes->setObjectName(QStringLiteral("processes"));
    m_processes->setSpacing(6);
    column->addWidget(m_processes);
    // The rows hold still while the pointer is over them.
    new HoverPause(m_processes, m_processMonitor);
    return padded(column);
}

void CPUTabView::refreshNow()
{
    m_coalescer->flush();
    m_cores->refreshNow();
}

void CPUTabView::refresh()
{
    if (!m_stats || !m_processMonitor)
        return;
    const AppTheme theme = m_themeManager->currentTheme();
    const UiColor accent = theme.accentColor();
    const UiColor secondaryAccent = theme.secondaryAccent();

    m_title->setTextColor(accent);
    // The clock figure is fixed; only the temperature is measured.
    m_temperature->setText(QStringLiteral("1.89 GHz, ") + whole(m_stats->socTemperature()) + QChar(0x00b0));

    m_loadGraph->setColor(accent);
    m_loadGraph->setData(m_stats->cpuHistory());

    // A fixed 60/40 division of the total load, not a measurement.
    m_userDot->setColor(accent);
    m_user->setText(kestrova::format("%.0f%%", m_stats->cpuUsage() * 0.6));
    m_systemDot->setColor(secondaryAccent);
    m_system->setText(kestrova::format("%.0f%%", m_stats->cpuUsage() * 0.4));

    m_advancedCard->setVisible(m_settings->advancedMode());
    const QList<double>& fans = m_stats->fanRPMs();
    m_fanSpeed->setText(whole(fans.isEmpty() ? 0.0 : fans.first()) + QStringLiteral(" RPM"));
    const double throttling = m_stats->throttlingStatus();
    m_throttling->setText(whole(throttling) + QLatin1Char('%'));
    m_throttling->setTextColor(throttling > 0 ? SystemColor::red : SystemColor::primary);
    m_gpuTemperature->setText(whole(m_stats->gpuTemperature()) + QChar(0x00b0));

    m_gpuTitle->setTextColor(accent);
    for (RingGauge* gauge : std::as_const(m_gpuGauges))
        gauge->setColor(accent);

    m_processesTitle->setTextColor(accent);
    m_pausedNote->setVisible(m_processMonitor->isPaused());
    refreshProcesses();
}

void CPUTabView::refreshProcesses()
{
    ProcessRow::showProcesses(m_processes, m_processMonitor->topProcesses().mid(0, shownProcessCount),
                              {QStringLiteral("app.fill"), SystemColor::white, QString(),
                               m_settings->showFullProcessPath(), QString::fromLatin1(processRowHelp)},
                              m_processMonitor, ProcessRow::Services{m_settings, {}});
}
