#include "popover/NetworkTabView.h"

#include "core/Format.h"
#include "core/Random.h"
#include "core/SettingsStore.h"
#include "popover/PopoverSection.h"
#include "popover/ProcessTrafficRow.h"
#include "popover/RateCard.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/Divider.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/SparklineView.h"
#include "widgets/SymbolView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

PlainLabel* heading(const QString& text)
{
    return new PlainLabel(text, Fonts::system(10, QFont::Bold), SystemColor::blue);
}

// Addresses come from outside: one plain line, cut when too long.
ElidedLabel* address(const char* objectName)
{
    auto* label = new ElidedLabel;
    label->setObjectName(QLatin1String(objectName));
    label->setFont(Fonts::system(12, QFont::Medium, FontDesign::monospaced));
    return label;
}

} // namespace

NetworkTabView::NetworkTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent)
    : NetworkTabView(stats, processMonitor, parent, Services())
{
}

NetworkTabView::NetworkTabView(SystemStatsProvider* stats, ProcessMonitor* processMonitor, QWidget* parent,
                               Services services)
    : SampledTabPage(stats, processMonitor, parent, services, {QLatin1String(SettingsStore::kShowFullProcessPath)})
{
    QVBoxLayout* page = column();
    page->addWidget(buildRates());

    // The graph draws the CPU history, not traffic.
    m_graph = new SparklineView({}, SystemColor::pink);
    m_graph->setObjectName(QStringLiteral("graph"));
    m_graph->setFixedHeight(40);
    auto* graphBox = new QVBoxLayout;
    graphBox->addWidget(m_graph);
    page->addWidget(popoverSection(graphBox));

    page->addWidget(buildAddresses());
    page->addWidget(new Divider);
    page->addWidget(buildProcesses());
    page->addStretch(1);

    for (auto signal : {&SystemStatsProvider::networkUploadChanged, &SystemStatsProvider::networkDownloadChanged,
                        &SystemStatsProvider::cpuHistoryChanged})
        m_coalescer->watch(stats, signal);
    m_coalescer->watch(stats, &SystemStatsProvider::publicIPChanged);
    m_coalescer->watch(stats, &SystemStatsProvider::localIPChanged);
    refresh();
}

QWidget* NetworkTabView::buildRates()
{
    m_upload = new RateCard(SystemColor::pink, QStringLiteral("Upload"));
    m_upload->setObjectName(QStringLiteral("uploadCard"));
    m_download = new RateCard(SystemColor::blue, QStringLiteral("Download"));
    m_download->setObjectName(QStringLiteral("downloadCard"));
    QLayout* row = RateCard::pair(m_upload, m_download);
    return popoverSection(row, 20, 10);
}

QWidget* NetworkTabView::buildAddresses()
{
    auto* column = new QVBoxLayout;
    column->setSpacing(10);
    // Fixed, whatever the connection is.
    auto* link = new QHBoxLayout;
    link->setSpacing(6);
    link->addWidget(new SymbolView(QStringLiteral("wifi"), SystemColor::blue, 12), 0, Qt::AlignVCenter);
    link->addWidget(new PlainLabel(QStringLiteral("Wi-Fi"), Fonts::system(12, QFont::Bold), SystemColor::primary), 0,
                    Qt::AlignVCenter);
    link->addStretch(1);
    column->addLayout(link);
    column->addWidget(new Divider);

    column->addWidget(heading(QStringLiteral("PUBLIC IP ADDRESSES")));
    auto* publicLine = new QHBoxLayout;
    publicLine->setSpacing(8);
    m_publicIP = address("publicIP");
    publicLine->addWidget(m_publicIP, 1, Qt::AlignVCenter);
    publicLine->addWidget(new PlainLabel(QStringLiteral("\U0001F310")), 0, Qt::AlignVCenter);
    column->addLayout(publicLine);

    auto* localHeading = heading(QStringLiteral("IP ADDRESSES"));
    localHeading->setContentsMargins(0, 4, 0, 0);
    column->addWidget(localHeading);
    m_localIP = address("localIP");
    column->addWidget(m_localIP);
    return popoverSection(column);
}

QWidget* NetworkTabView::buildProcesses()
{
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    auto* head = new QHBoxLayout;
    head->setSpacing(8);
    head->addWidget(heading(QStringLiteral("PROCESSES")), 0, Qt::AlignVCenter);
    head->addStretch(1);
    head->addWidget(new SymbolView(QStringLiteral("arrow.up"), SystemColor::primary, 10), 0, Qt::AlignVCenter);
    head->addWidget(new SymbolView(QStringLiteral("arrow.down"), SystemColor::primary, 10), 0, Qt::AlignVCenter);
    column->addLayout(head);
    m_processes = new KeyedRowList;
    m_processes->setObjectName(QStringLiteral("processes"));
    m_processes->setSpacing(6);
    column->addWidget(m_processes);
    return popoverSection(column);
}

void NetworkTabView::refresh()
{
    if (!m_stats || !m_processMonitor)
        return;
    // KB per sample, never switched to larger units.
    m_upload->setValue(kestrova::format("%.1f KB/s", m_stats->networkUpload()));
    m_download->setValue(kestrova::format("%.1f KB/s", m_stats->networkDownload()));
    m_graph->setData(m_stats->cpuHistory());
    m_publicIP->setText(m_stats->publicIP());
    m_localIP->setText(m_stats->localIP());
    refreshProcesses();
}

void NetworkTabView::refreshProcesses()
{
    // Made-up figures, drawn afresh at every refresh.
    Random* random = m_random;
    ProcessTrafficRow::showProcesses(
        m_processes, m_processMonitor->topProcesses().mid(0, shownProcessCount), m_settings->showFullProcessPath(),
        0, [random] {
            const qint64 up = random->uniformInt(upFigureLow, upFigureHigh);
            const qint64 down = random->uniformInt(downFigureLow, downFigureHigh);
            return qMakePair(QString::number(up) + QStringLiteral(" K"), QString::number(down) + QStringLiteral(" K"));
        });
}
