#include "dashboard/pages/NetworkPage.h"

#include "core/Format.h"
#include "core/OneLineText.h"
#include "telemetry/SystemStatsProvider.h"
#include "widgets/ActionTipsView.h"
#include "widgets/CardFrame.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/KeyedRowList.h"
#include "widgets/NetworkCard.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/SymbolButton.h"
#include "widgets/SymbolView.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

// One connection: marker, remote, process and pid, state and kill button.
class ConnectionRow final : public CardFrame {
public:
    explicit ConnectionRow(QPointer<SystemStatsProvider> stats)
        : CardFrame(UiColor(SystemColor::contrast).opacity(0.04), 8), m_stats(std::move(stats))
    {
        auto* line = new QHBoxLayout(this);
        line->setContentsMargins(10, 10, 10, 10);
        line->setSpacing(8);
        m_marker = new SymbolView(QStringLiteral("globe"), SystemColor::blue, Fonts::size(TextStyle::title3));
        line->addWidget(m_marker, 0, Qt::AlignVCenter);

        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        // A long IPv6 pair is cut, not allowed to widen the page.
        m_remote = new ElidedLabel;
        m_remote->setFont(Fonts::monospaced(13, QFont::DemiBold));
        m_remote->setElideMode(Qt::ElideMiddle);
        texts->addWidget(m_remote);
        auto* owner = new QHBoxLayout;
        owner->setSpacing(6);
        auto* chip = new CardFrame(UiColor(SystemColor::contrast).opacity(0.1), 4);
        auto* chipLine = new QHBoxLayout(chip);
        chipLine->setContentsMargins(4, 1, 4, 1);
        QFont chipFont = Fonts::style(TextStyle::caption);
        chipFont.setWeight(QFont::Bold);
        m_process = new PlainLabel(QString(), chipFont, SystemColor::secondary);
        chipLine->addWidget(m_process);
        owner->addWidget(chip, 0, Qt::AlignVCenter);
        m_pid = new PlainLabel(QString(), Fonts::monospaced(10), SystemColor::secondary);
        owner->addWidget(m_pid, 0, Qt::AlignVCenter);
        owner->addStretch(1);
        texts->addLayout(owner);
        line->addLayout(texts, 1);

        m_status = new PlainLabel(QString(), chipFont, SystemColor::secondary);
        line->addWidget(m_status, 0, Qt::AlignVCenter);
        line->addSpacing(4);
        m_kill = new SymbolButton(QStringLiteral("xmark.circle.fill"), SystemColor::red, 14);
        m_kill->setObjectName(QStringLiteral("killButton"));
        m_kill->setToolTip(QStringLiteral("Instantly terminate process (kill -9) to drop this connection"));
        line->addWidget(m_kill, 0, Qt::AlignVCenter);
        connect(m_kill, &QAbstractButton::clicked, this, [this] {
            // The kill runs to its end even if the page goes meanwhile.
            if (m_stats && NetworkPage::offersKill(m_entry.pid))
                m_stats->killConnectionProcess(m_entry.pid);
        });
    }

    void setEntry(const ActiveConnection& entry)
    {
        m_entry = entry;
        const bool flagged = NetworkPage::isFlagged(entry.remote);
        m_marker->setSymbol(flagged ? QStringLiteral("eye.trianglebadge.exclamationmark") : QStringLiteral("globe"));
        m_marker->setTint(flagged ? SystemColor::red : SystemColor::blue);
        m_remote->setText(entry.remote);
        m_process->setText(oneLineText(entry.processName)); // a process names itself
        m_pid->setText(QStringLiteral("PID: ") + entry.pid);
        m_status->setText(entry.status);
        m_status->setTextColor(entry.status == QLatin1String("ESTABLISHED") ? SystemColor::green
                                                                            : SystemColor::secondary);
        m_kill->setVisible(NetworkPage::offersKill(entry.pid));
    }

private:
    QPointer<SystemStatsProvider> m_stats;
    ActiveConnection m_entry;
    SymbolView* m_marker;
    ElidedLabel* m_remote;
    PlainLabel* m_process;
    PlainLabel* m_pid;
    PlainLabel* m_status;
    SymbolButton* m_kill;
};

} // namespace

NetworkPage::NetworkPage(SystemStatsProvider* stats, QWidget* parent)
    : QWidget(parent), m_stats(stats), m_coalescer(new RefreshCoalescer([this] { refresh(); }, this))
{
    Q_ASSERT(stats);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 20);
    column->setSpacing(20);

    auto* cards = new QHBoxLayout;
    cards->setSpacing(20);
    m_download = new NetworkCard(QStringLiteral("Download"), QString(), QStringLiteral("arrow.down.circle.fill"),
                                 SystemColor::green);
    m_upload = new NetworkCard(QStringLiteral("Upload"), QString(), QStringLiteral("arrow.up.circle.fill"),
                               SystemColor::blue);
    cards->addWidget(m_download);
    cards->addWidget(m_upload);
    column->addLayout(cards);

    auto* block = new QVBoxLayout;
    block->setContentsMargins(0, 10, 0, 0);
    block->setSpacing(12);
    block->addWidget(new PlainLabel(QStringLiteral("Active Connections & Privacy"), Fonts::style(TextStyle::headline),
                                    SystemColor::primary));
    auto* note = new PlainLabel(QStringLiteral("Real-time outbound internet/intranet connections with direct host "
                                               "process tracking. Terminating a connection stops its background "
                                               "network resource drain immediately."),
                                Fonts::style(TextStyle::caption), SystemColor::secondary);
    note->setWordWrap(true);
    note->setContentsMargins(0, 0, 0, 5);
    block->addWidget(note);
    m_rows = new KeyedRowList;
    m_rows->setSpacing(12);
    block->addWidget(m_rows);
    column->addLayout(block);

    m_tips = new ActionTipsView(
        QStringLiteral("Active Network Optimization Tips"),
        {QStringLiteral("\u274c Kill Connection: Click the red (X) icon next to a process. This drops the socket "
                        "connection and terminates the parent application with Unix SIGKILL (`-9`)."),
         QStringLiteral("\U0001f6e1\ufe0f Privacy Audit: Outbound tracking connections are flagged with warning icons. "
                        "Drop them to immediately block silent backend data collection.")});
    column->addWidget(m_tips);
    column->addStretch(1);

    for (auto signal : {&SystemStatsProvider::networkDownloadChanged, &SystemStatsProvider::networkUploadChanged,
                        &SystemStatsProvider::activeConnectionsChanged})
        m_coalescer->watch(stats, signal);
    refresh();
}

bool NetworkPage::isFlagged(const QString& remote)
{
    return remote.contains(QLatin1String("google")) || remote.contains(QLatin1String("tracker"));
}

bool NetworkPage::offersKill(const QString& pid)
{
    if (pid.isEmpty() || pid == QLatin1String("0") || pid == QLatin1String("1"))
        return false;
    bool ok = false;
    const qint64 value = pid.toLongLong(&ok, 10);
    return !(ok && value == QCoreApplication::applicationPid());
}

void NetworkPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_stats && !m_showingConnections)
        m_showingConnections = m_stats->showConnections();
}

void NetworkPage::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_showingConnections.reset();
}

void NetworkPage::refreshNow() { m_coalescer->flush(); }

void NetworkPage::refresh()
{
    if (!m_stats)
        return;
    m_download->setValue(kestrova::format("%.1f KB/s", m_stats->networkDownload()));
    m_upload->setValue(kestrova::format("%.1f KB/s", m_stats->networkUpload()));
    // Rows are kept by position; each shows the entry now at its place.
    const QList<ActiveConnection> connections = m_stats->activeConnections();
    QStringList keys;
    for (int i = 0; i < connections.size(); ++i)
        keys << QString::number(i);
    m_rows->setRows(
        keys,
        [&](int i) -> QWidget* {
            auto* row = new ConnectionRow(m_stats);
            row->setEntry(connections[i]);
            return row;
        },
        [&](QWidget* row, int i) { static_cast<ConnectionRow*>(row)->setEntry(connections[i]); });
}
