#include "dashboard/pages/HistoryPage.h"

#include "core/Format.h"
#include "platform/FileManagerReveal.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"
#include "widgets/AccentPillButton.h"
#include "widgets/ActionTipsView.h"
#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"

#include <QHBoxLayout>
#include <QLocale>
#include <QVBoxLayout>

namespace {

PlainLabel* headline(const QString& text)
{
    return new PlainLabel(text, Fonts::style(TextStyle::headline), SystemColor::primary);
}

} // namespace

HistoryPage::HistoryPage(Deps deps, QWidget* parent)
    : QWidget(parent), m_deps(std::move(deps)), m_coalescer(new RefreshCoalescer([this] { refresh(); }, this))
{
    Q_ASSERT(m_deps.stats && m_deps.processMonitor && m_deps.themeManager && m_deps.reporter);
    if (!m_deps.reveal)
        m_deps.reveal = [](const QString& path) { FileManagerReveal::showItem(path); };

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 20);
    column->setSpacing(20);

    QFont titleFont = Fonts::style(TextStyle::largeTitle);
    titleFont.setWeight(QFont::Bold);
    column->addWidget(new PlainLabel(QStringLiteral("System History & DVR"), titleFont, SystemColor::primary));
    auto* subtitle = new PlainLabel(QStringLiteral("Scrub back in time to see exactly what processes were running."),
                                    Fonts::style(TextStyle::subheadline), SystemColor::secondary);
    subtitle->setWordWrap(true);
    column->addWidget(subtitle);

    auto* snapshots = new QVBoxLayout;
    snapshots->setSpacing(10);
    snapshots->addWidget(headline(QStringLiteral("Time Machine")));
    m_snapshotCard = new CardFrame(UiColor(SystemColor::contrast).opacity(0.1), 8);
    auto* cardLine = new QHBoxLayout(m_snapshotCard);
    cardLine->setContentsMargins(12, 12, 12, 12);
    m_snapshotTime = new PlainLabel(QString(), Fonts::system(13), SystemColor::primary);
    m_snapshotCpu = new PlainLabel(QString(), Fonts::system(13), SystemColor::primary);
    cardLine->addWidget(m_snapshotTime, 0, Qt::AlignVCenter);
    cardLine->addStretch(1);
    cardLine->addWidget(m_snapshotCpu, 0, Qt::AlignVCenter);
    snapshots->addWidget(m_snapshotCard);
    column->addLayout(snapshots);

    column->addWidget(new PlainLabel(QStringLiteral("Export your system performance data for analysis."),
                                     Fonts::system(13), SystemColor::secondary));
    auto* exportButton = new AccentPillButton(QStringLiteral("square.and.arrow.up"), QStringLiteral("Export CSV Report"),
                                              m_deps.themeManager->currentTheme().accentColor(),
                                              AccentPillButton::Style::filled);
    exportButton->setFont(Fonts::system(13, QFont::Medium));
    exportButton->setPadding(12, 6);
    exportButton->setCornerRadius(6);
    m_export = exportButton;
    auto* exportRow = new QHBoxLayout;
    exportRow->addWidget(m_export);
    exportRow->addStretch(1);
    column->addLayout(exportRow);

    auto* rule = new CardFrame(UiColor(SystemColor::contrast).opacity(0.2), 0);
    rule->setFixedHeight(1);
    column->addWidget(rule);

    column->addWidget(headline(QStringLiteral("AI Health Analysis")));
    m_health = new AIHealthReportView(m_deps.stats, m_deps.reporter, m_deps.themeManager);
    column->addWidget(m_health);
    column->addWidget(new PlainLabel(QStringLiteral("Historical logs export the last 60 seconds of performance data."),
                                     Fonts::style(TextStyle::caption), SystemColor::secondary));

    m_tips = new ActionTipsView(
        QStringLiteral("Active History & DVR Tips"),
        {QStringLiteral("\u23f1\ufe0f DVR scrubbing: Use Time Machine to scrub back and inspect process behaviors "
                        "during resource anomalies."),
         QStringLiteral("\U0001f4ca Offline Analysis: Export high-resolution CSV files to review processor, thermal, "
                        "memory, and energy metrics over time.")});
    auto* tipsBox = new QVBoxLayout;
    tipsBox->setContentsMargins(0, 10, 0, 0);
    tipsBox->addWidget(m_tips);
    column->addLayout(tipsBox);
    column->addStretch(1);

    connect(m_export, &QAbstractButton::clicked, this, &HistoryPage::exportReport);
    m_coalescer->watch(m_deps.processMonitor, &ProcessMonitor::dvrSnapshotsChanged);
    connect(m_deps.themeManager, &ThemeManager::currentThemeChanged, this, [this, exportButton] {
        exportButton->setColor(m_deps.themeManager->currentTheme().accentColor());
    });
    refresh();
}

QString HistoryPage::timeText(const QDateTime& timestamp)
{
    // The locale's time with seconds, without the zone its long form adds.
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return QLocale().toString(timestamp.toLocalTime().time(), format.trimmed());
}

QString HistoryPage::cpuText(double cpuUsage) { return QStringLiteral("CPU: ") + kestrova::format("%.1f%%", cpuUsage); }

void HistoryPage::refreshNow() { m_coalescer->flush(); }

void HistoryPage::refresh()
{
    const QList<DVRSnapshot>& snapshots = m_deps.processMonitor->dvrSnapshots();
    m_snapshotCard->setVisible(!snapshots.isEmpty());
    if (snapshots.isEmpty())
        return;
    const DVRSnapshot& newest = snapshots.last();
    m_snapshotTime->setText(timeText(newest.timestamp));
    m_snapshotCpu->setText(cpuText(newest.cpuUsage));
}

void HistoryPage::exportReport()
{
    // A failed write shows nothing here; the sampler prints its own line.
    if (const std::optional<QString> path = m_deps.stats->exportHistoryToCSV())
        m_deps.reveal(*path);
}
