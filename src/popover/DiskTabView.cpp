#include "popover/DiskTabView.h"

#include "core/Format.h"
#include "core/Random.h"
#include "core/SettingsStore.h"
#include "popover/PopoverSection.h"
#include "popover/ProcessTrafficRow.h"
#include "popover/RateCard.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/CardFrame.h"
#include "widgets/ColorDot.h"
#include "widgets/Divider.h"
#include "widgets/Fonts.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/RingGauge.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kFigureWidth = 30;

// Free space never reads below zero (nor as "nan"), also when the volume
// could not be read and the used figure stands at its floor.
double atLeastZero(double value) { return value > 0 ? value : 0.0; }

PlainLabel* columnHeading(const QString& text)
{
    auto* label = new PlainLabel(text, Fonts::system(10, QFont::Bold), SystemColor::primary);
    label->setFixedWidth(kFigureWidth);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

DiskTabView::DiskTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent)
    : DiskTabView(stats, processMonitor, parent, Services())
{
}

DiskTabView::DiskTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent,
                         Services services)
    : SampledTabPage(stats, processMonitor, parent, services, {QLatin1String(SettingsStore::kShowFullProcessPath)})
{
    QVBoxLayout* page = column();
    page->addWidget(buildVolume());
    page->addWidget(buildRates());

    // The activity band draws no data.
    auto* band = new CardFrame(UiColor(SystemColor::pink).opacity(0.5), 0);
    band->setObjectName(QStringLiteral("activityBand"));
    band->setFixedHeight(40);
    auto* bandBox = new QVBoxLayout;
    bandBox->addWidget(band);
    page->addWidget(popoverSection(bandBox));

    page->addWidget(buildSummary());
    page->addWidget(new Divider);
    page->addWidget(buildProcesses());
    page->addStretch(1);

    for (auto signal : {&SystemStatsProvider::diskUsedChanged, &SystemStatsProvider::diskTotalChanged,
                        &SystemStatsProvider::diskReadChanged, &SystemStatsProvider::diskWriteChanged})
        m_coalescer->watch(stats, signal);
    refresh();
}

double DiskTabView::usedFraction(double diskUsed, double diskTotal) { return diskUsed / std::max(diskTotal, 1.0); }

QWidget* DiskTabView::buildVolume()
{
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    m_ring = new RingGauge(0, SystemColor::blue, 40, 4);
    m_ring->setObjectName(QStringLiteral("usageRing"));
    m_ring->setTextFont(Fonts::system(14, QFont::Bold));
    m_ring->setArcCap(Qt::FlatCap);
    m_ring->setToolTip(QString::fromLatin1(ringHelp));
    row->addWidget(m_ring, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    // The label is fixed; it does not name the measured volume.
    texts->addWidget(new PlainLabel(QStringLiteral("Macintosh HD"), Fonts::system(14, QFont::DemiBold),
                                    SystemColor::primary));
    m_available = new PlainLabel(QString(), Fonts::system(12, QFont::Medium), SystemColor::primary);
    m_available->setObjectName(QStringLiteral("available"));
    texts->addWidget(m_available);
    row->addLayout(texts);
    row->addStretch(1);

    auto* dots = new QVBoxLayout;
    dots->setSpacing(4);
    dots->addWidget(new ColorDot(SystemColor::pink, 6));
    dots->addWidget(new ColorDot(SystemColor::blue, 6));
    row->addLayout(dots);
    return popoverSection(row, 10, 10);
}

QWidget* DiskTabView::buildRates()
{
    m_readCard = new RateCard(SystemColor::pink, QStringLiteral("Read"));
    m_readCard->setObjectName(QStringLiteral("readCard"));
    m_readCard->setToolTip(QString::fromLatin1(readHelp));
    m_writeCard = new RateCard(SystemColor::blue, QStringLiteral("Write"));
    m_writeCard->setObjectName(QStringLiteral("writeCard"));
    m_writeCard->setToolTip(QString::fromLatin1(writeHelp));
    QLayout* row = RateCard::pair(m_readCard, m_writeCard);
    return popoverSection(row, 20);
}

QWidget* DiskTabView::buildSummary()
{
    auto* row = new QHBoxLayout;
    m_readSummary = new PlainLabel(QString(), Fonts::system(12, QFont::Medium), SystemColor::primary);
    m_readSummary->setObjectName(QStringLiteral("readSummary"));
    m_writeSummary = new PlainLabel(QString(), Fonts::system(12, QFont::Medium), SystemColor::primary);
    m_writeSummary->setObjectName(QStringLiteral("writeSummary"));
    row->addWidget(m_readSummary);
    row->addStretch(1);
    row->addWidget(m_writeSummary);
    return popoverSection(row);
}

QWidget* DiskTabView::buildProcesses()
{
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    auto* head = new QHBoxLayout;
    head->setSpacing(8);
    head->addWidget(new PlainLabel(QStringLiteral("PROCESSES"), Fonts::system(10, QFont::Bold), SystemColor::blue));
    head->addStretch(1);
    head->addWidget(columnHeading(QStringLiteral("R")));
    head->addWidget(columnHeading(QStringLiteral("W")));
    column->addLayout(head);
    m_processes = new KeyedRowList;
    m_processes->setObjectName(QStringLiteral("processes"));
    m_processes->setSpacing(6);
    column->addWidget(m_processes);
    return popoverSection(column);
}

void DiskTabView::refresh()
{
    if (!m_stats || !m_processMonitor)
        return;
    const double used = m_stats->diskUsed();
    const double total = m_stats->diskTotal();
    const double fraction = usedFraction(used, total);
    m_ring->setFraction(fraction);
    // Truncated, not rounded, and without a percent sign.
    m_ring->setText(QString::number(kestrova::safeTrunc(fraction * 100)));
    m_available->setText(kestrova::format("%.1f GB available", atLeastZero(total - used)));

    const double read = m_stats->diskRead();
    const double write = m_stats->diskWrite();
    m_readCard->setValue(kestrova::format("%.1f MB/s", read));
    m_writeCard->setValue(kestrova::format("%.1f MB/s", write));
    m_readSummary->setText(kestrova::format("Read %.1f MB/s", read));
    m_writeSummary->setText(kestrova::format("Write %.1f MB/s", write));

    refreshProcesses();
}

void DiskTabView::refreshProcesses()
{
    // Made-up figures, drawn afresh at every refresh.
    Random* random = m_random;
    ProcessTrafficRow::showProcesses(
        m_processes, m_processMonitor->topProcesses().mid(0, shownProcessCount), m_settings->showFullProcessPath(),
        kFigureWidth, [random] {
            const qint64 read = random->uniformInt(readFigureLow, readFigureHigh);
            const qint64 written = random->uniformInt(writeFigureLow, writeFigureHigh);
            return qMakePair(QString::number(read) + QLatin1Char('M'), QString::number(written) + QLatin1Char('K'));
        });
}
