#include "popover/MemoryTabView.h"

#include "core/Format.h"
#include "core/Random.h"
#include "core/SettingsStore.h"
#include "popover/PopoverSection.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/Divider.h"
#include "widgets/Fonts.h"
#include "widgets/KeyedRowList.h"
#include "widgets/LegendItem.h"
#include "widgets/LinearProgressView.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/ProcessRow.h"
#include "widgets/RingChart.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Free memory never reads below zero (nor as "nan").
double atLeastZero(double value) { return value > 0 ? value : 0.0; }

QString gigabytes(double value) { return kestrova::format("%.1f GB", value); }

PlainLabel* heading(const QString& text)
{
    return new PlainLabel(text, Fonts::system(10, QFont::Bold), SystemColor::blue);
}

} // namespace

MemoryTabView::MemoryTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent)
    : MemoryTabView(stats, processMonitor, parent, Services())
{
}

MemoryTabView::MemoryTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent,
                             Services services)
    : SampledTabPage(stats, processMonitor, parent, services, {QLatin1String(SettingsStore::kAdvancedMode), QLatin1String(SettingsStore::kShowFullProcessPath)})
{
    QVBoxLayout* page = column();
    page->addWidget(buildRings());
    page->addWidget(buildBreakdown());
    page->addWidget(new Divider);
    page->addWidget(buildProcesses());
    page->addWidget(new Divider);
    page->addWidget(buildSwap());
    page->addStretch(1);

    for (auto signal : {&SystemStatsProvider::memoryPressureChanged, &SystemStatsProvider::memoryUsedChanged,
                        &SystemStatsProvider::memoryTotalChanged, &SystemStatsProvider::memoryAppChanged,
                        &SystemStatsProvider::memoryWiredChanged, &SystemStatsProvider::memoryCompressedChanged,
                        &SystemStatsProvider::memorySwapChanged})
        m_coalescer->watch(stats, signal);
    refresh();
}

QWidget* MemoryTabView::buildRings()
{
    auto* row = new QHBoxLayout;
    row->setSpacing(30);
    m_pressure = new RingChart(0, QStringLiteral("PRESSURE"), SystemColor::blue, QString());
    m_pressure->setObjectName(QStringLiteral("pressureRing"));
    m_pressure->setToolTip(QString::fromLatin1(pressureHelp));
    m_memory = new RingChart(0, QStringLiteral("MEMORY"), SystemColor::yellow, QString());
    m_memory->setObjectName(QStringLiteral("memoryRing"));
    m_memory->setToolTip(QString::fromLatin1(memoryHelp));
    row->addStretch(1);
    row->addWidget(m_pressure, 0, Qt::AlignVCenter);
    row->addWidget(m_memory, 0, Qt::AlignVCenter);
    row->addStretch(1);
    return popoverSection(row, 0, 10);
}

QWidget* MemoryTabView::buildBreakdown()
{
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    const auto item = [&](SystemColor color, const QString& label, QVBoxLayout* into) {
        auto* legend = new LegendItem(color, label, QString());
        into->addWidget(legend);
        return legend;
    };
    m_app = item(SystemColor::blue, QStringLiteral("App"), column);
    m_wired = item(SystemColor::pink, QStringLiteral("Wired"), column);
    m_compressed = item(SystemColor::yellow, QStringLiteral("Compressed"), column);
    m_free = item(SystemColor::gray, QStringLiteral("Free"), column);

    // Advanced mode adds a divider and two fixed lines; they are not
    // measured.
    m_advanced = new QWidget;
    m_advanced->setObjectName(QStringLiteral("advancedRows"));
    auto* advanced = new QVBoxLayout(m_advanced);
    advanced->setContentsMargins(0, 0, 0, 0);
    advanced->setSpacing(6);
    auto* divider = new QVBoxLayout;
    divider->setContentsMargins(0, 2, 0, 2);
    divider->addWidget(new Divider);
    advanced->addLayout(divider);
    m_kernel = item(SystemColor::purple, QStringLiteral("Kernel Memory"), advanced);
    m_kernel->setValue(QStringLiteral("844 MB"));
    m_pageOuts = item(SystemColor::orange, QStringLiteral("Page Outs"), advanced);
    m_pageOuts->setValue(QStringLiteral("1.2 GB"));
    column->addWidget(m_advanced);
    return popoverSection(column);
}

QWidget* MemoryTabView::buildProcesses()
{
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    column->addWidget(heading(QStringLiteral("PROCESSES")));
    m_processes = new KeyedRowList;
    m_processes->setObjectName(QStringLiteral("processes"));
    m_processes->setSpacing(6);
    column->addWidget(m_processes);
    return popoverSection(column);
}

QWidget* MemoryTabView::buildSwap()
{
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    auto* line = new QHBoxLayout;
    line->addWidget(heading(QStringLiteral("SWAP")));
    line->addStretch(1);
    m_swapText = new PlainLabel(QString(), Fonts::system(10, QFont::Bold), SystemColor::primary);
    m_swapText->setObjectName(QStringLiteral("swapText"));
    line->addWidget(m_swapText);
    column->addLayout(line);
    // A 4-point bar drawn half as thick again.
    m_swapBar = new LinearProgressView(0, 1, SystemColor::blue);
    m_swapBar->setObjectName(QStringLiteral("swapBar"));
    m_swapBar->setBarHeight(6);
    m_swapBar->setToolTip(QString::fromLatin1(swapHelp));
    column->addWidget(m_swapBar);
    return popoverSection(column);
}

QList<LegendItem*> MemoryTabView::legendItems() const
{
    return {m_app, m_wired, m_compressed, m_free, m_kernel, m_pageOuts};
}

void MemoryTabView::refresh()
{
    if (!m_stats || !m_processMonitor)
        return;
    const double pressure = m_stats->memoryPressure();
    m_pressure->setPercentage(pressure);
    m_pressure->setTitle(kestrova::format("%.0f%%", pressure));
    // A total of 1 GB or less counts as 1.
    const double used = m_stats->memoryUsed();
    const double inUse = used / std::max(m_stats->memoryTotal(), 1.0) * 100;
    m_memory->setPercentage(inUse);
    m_memory->setTitle(kestrova::format("%.0f%%", inUse));

    m_app->setValue(gigabytes(m_stats->memoryApp()));
    m_wired->setValue(gigabytes(m_stats->memoryWired()));
    m_compressed->setValue(gigabytes(m_stats->memoryCompressed()));
    m_free->setValue(gigabytes(atLeastZero(m_stats->memoryTotal() - used)));
    m_advanced->setVisible(m_settings->advancedMode());

    refreshProcesses();

    // The text keeps the real figure; the bar is full from 4 GB on.
    const double swap = m_stats->memorySwap();
    m_swapText->setText(kestrova::format("%.1f GB of %.1f GB", swap, swapCapacity));
    m_swapBar->setValue(std::min(swap * 0.25, 1.0), 1.0);
}

void MemoryTabView::refreshProcesses()
{
    struct Shown {
        ProcessInfoData process;
        QString figure;
    };
    // Drawn here, in list order, never while painting.
    QList<Shown> shown;
    for (const ProcessInfoData& p : m_processMonitor->topProcesses().mid(0, shownProcessCount))
        shown.append({p, gigabytes(m_random->uniform(processFigureLow, processFigureHigh))});

    const bool fullPath = m_settings->showFullProcessPath();
    const auto name = [fullPath](const Shown& s) { return fullPath ? s.process.fullPath : s.process.name; };
    const QString icon = QStringLiteral("app.fill");
    // Suspended or not, every row is drawn alike and offers no freeze.
    m_processes->setItems<ProcessRow>(
        shown, [](const Shown& s) { return QString::number(s.process.id); },
        [&](const Shown& s) {
            return new ProcessRow(icon, s.process.icon, name(s), s.figure, SystemColor::white, false, {}, nullptr,
                                  ProcessRow::Services{m_settings, {}});
        },
        [&](ProcessRow* row, const Shown& s) {
            row->setInputs(icon, s.process.icon, name(s), s.figure, SystemColor::white, false, {});
        });
}
