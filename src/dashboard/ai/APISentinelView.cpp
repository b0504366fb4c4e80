#include "dashboard/ai/APISentinelView.h"

#include "core/Format.h"
#include "core/OneLineText.h"
#include "dashboard/ai/AIPageHeader.h"
#include "localai/LocalAIExamples.h"
#include "localai/LocalAIService.h"
#include "localai/LocalAPILatencyService.h"
#include "localai/LocalAPIProxyService.h"
#include "platform/ProcessSignaller.h"
#include "theme/ThemeManager.h"
#include "widgets/CardFrame.h"
#include "widgets/DestructiveIconButton.h"
#include "widgets/Divider.h"
#include "widgets/ElidedLabel.h"
#include "widgets/EmptyStateCard.h"
#include "widgets/Fonts.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/ServiceAction.h"
#include "widgets/SymbolView.h"
#include "widgets/TextStyle.h"
#include "widgets/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <functional>

namespace {

const UiColor kCardFill = UiColor(SystemColor::contrast).opacity(0.04);

PlainLabel* caption(const QString& text)
{
    return new PlainLabel(text, Fonts::system(9, QFont::Bold), SystemColor::secondary);
}

// Kill, then measure again so the list shows what is left.
QCoro::Task<> killAndMeasure(QPointer<LocalAIService> localAI, QPointer<LocalAPILatencyService> latency, qint32 pid)
{
    if (localAI) {
        QCoro::Task<> kill = localAI->killProcessOnPort(pid);
        co_await std::move(kill);
    }
    if (latency) {
        QCoro::Task<> measure = latency->measureLatencies();
        co_await std::move(measure);
    }
}

class LatencyRow final : public CardFrame {
public:
    LatencyRow()
        : CardFrame(UiColor(SystemColor::contrast).opacity(0.03), 8),
          m_port(new PlainLabel(QString(), Fonts::monospaced(12, QFont::Bold), SystemColor::primary)),
          m_name(new ElidedLabel), m_pid(new PlainLabel(QString(), Fonts::monospaced(8), SystemColor::secondary)),
          m_latency(new PlainLabel(QString(), Fonts::monospaced(10, QFont::Bold), SystemColor::green)),
          m_kill(new DestructiveIconButton(QStringLiteral("xmark.circle.fill"),
                                           QString::fromLatin1(APISentinelView::kKillHelp)))
    {
        m_port->setObjectName(QStringLiteral("port"));
        m_name->setObjectName(QStringLiteral("name"));
        m_name->setFont(Fonts::system(10, QFont::Medium));
        m_pid->setObjectName(QStringLiteral("pid"));
        m_latency->setObjectName(QStringLiteral("latency"));
        m_kill->setObjectName(QStringLiteral("killButton"));

        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(8, 8, 8, 8);
        row->setSpacing(0);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        auto* first = new QHBoxLayout;
        first->setSpacing(6);
        first->addWidget(m_port, 0, Qt::AlignVCenter);
        first->addWidget(m_name, 0, Qt::AlignVCenter);
        first->addStretch(1);
        texts->addLayout(first);
        texts->addWidget(m_pid);
        row->addLayout(texts, 1);
        row->addWidget(m_latency, 0, Qt::AlignVCenter);
        row->addSpacing(6);
        row->addWidget(m_kill, 0, Qt::AlignVCenter);
        connect(m_kill, &QAbstractButton::clicked, this, [this] {
            if (m_onKill)
                m_onKill();
        });
    }

    void set(const PortLatencyInfo& info, const UiColor& accent, std::function<void()> onKill)
    {
        m_port->setText(kestrova::format("Port %lld", static_cast<long long>(info.port)));
        m_name->setText(oneLineText(info.processName));
        m_name->setTextColor(accent);
        m_pid->setVisible(info.pid >= 1);
        m_pid->setText(kestrova::format("PID %d", int(info.pid)));
        m_latency->setText(APISentinelView::latencyText(info.status, info.latencyMs));
        m_latency->setTextColor(APISentinelView::latencyColor(info.status, info.latencyMs));
        m_onKill = std::move(onKill);
        m_kill->setVisible(bool(m_onKill));
    }

private:
    PlainLabel* m_port;
    ElidedLabel* m_name;
    PlainLabel* m_pid;
    PlainLabel* m_latency;
    DestructiveIconButton* m_kill;
    std::function<void()> m_onKill;
};

} // namespace

APISentinelView::APISentinelView(SystemStatsProvider*, Services services, QWidget* parent)
    : QWidget(parent), m_localAI(services.localAI), m_latency(services.latency), m_proxy(services.proxy),
      m_themeManager(services.themeManager), m_proxyPort(services.proxyPort),
      m_coalescer(new RefreshCoalescer([this] { refresh(); }, this))
{
    Q_ASSERT(m_themeManager && m_localAI && m_latency && m_proxy);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 4, 0, 20);
    page->setSpacing(18);

    auto* header = new AIPageHeader(QStringLiteral("bolt.horizontal.circle.fill"), SystemColor::blue,
                                    QStringLiteral("API SENTINEL & PROXY ROUTER"));
    header->setContentsMargins(10, 0, 10, 0);
    m_headerSymbol = header->symbol();
    page->addLayout(header);

    for (CardFrame* card : {buildProxyCard(), buildPortCard()}) {
        auto* inset = new QHBoxLayout;
        inset->setContentsMargins(10, 0, 10, 0);
        inset->addWidget(card);
        page->addLayout(inset);
    }
    page->addStretch(1);

    for (auto signal : {&LocalAPIProxyService::requestCountChanged, &LocalAPIProxyService::lastRoutedModelChanged})
        m_coalescer->watch(m_proxy.data(), signal);
    connect(m_proxy, &LocalAPIProxyService::isRunningChanged, this, [this] {
        syncSwitch();
        m_coalescer->schedule();
    });
    m_coalescer->watch(m_latency.data(), &LocalAPILatencyService::activePortLatenciesChanged);
    m_coalescer->watch(m_localAI.data(), &LocalAIService::demoModeChanged);
    m_coalescer->watch(m_themeManager, &ThemeManager::currentThemeChanged);
    refresh();
}

CardFrame* APISentinelView::buildProxyCard()
{
    auto* card = new CardFrame(kCardFill, 12);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(12);

    auto* top = new QHBoxLayout;
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(caption(QStringLiteral("LOCAL API PROXY ROUTER")));
    m_status = new PlainLabel(QString(), Fonts::system(14, QFont::DemiBold), SystemColor::secondary);
    m_status->setObjectName(QStringLiteral("proxyStatus"));
    texts->addWidget(m_status);
    top->addLayout(texts);
    top->addStretch(1);
    m_switch = new ToggleSwitch;
    m_switch->setObjectName(QStringLiteral("proxySwitch"));
    m_switch->setCheckable(true);
    connect(m_switch, &QAbstractButton::toggled, this, &APISentinelView::switchChanged);
    top->addWidget(m_switch, 0, Qt::AlignVCenter);
    column->addLayout(top);

    m_details = new QWidget;
    auto* details = new QVBoxLayout(m_details);
    details->setContentsMargins(0, 0, 0, 0);
    details->setSpacing(6);
    auto* divider = new QVBoxLayout;
    divider->setContentsMargins(0, 4, 0, 4);
    divider->addWidget(new Divider);
    details->addLayout(divider);
    const auto figureRow = [&](const QString& label, PlainLabel*& value, const UiColor& color) {
        auto* row = new QHBoxLayout;
        row->addWidget(new PlainLabel(label, Fonts::system(10), SystemColor::secondary));
        row->addStretch(1);
        value = new PlainLabel(QString(), Fonts::system(10, QFont::Bold), color);
        row->addWidget(value);
        details->addLayout(row);
    };
    figureRow(QStringLiteral("Processed Requests"), m_requests, SystemColor::primary);
    auto* modelRow = new QHBoxLayout;
    modelRow->addWidget(new PlainLabel(QStringLiteral("Last Routed LLM Model"), Fonts::system(10), SystemColor::secondary));
    m_lastModel = new ElidedLabel;
    m_lastModel->setFont(Fonts::system(10, QFont::Bold));
    m_lastModel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    modelRow->addWidget(m_lastModel, 1);
    details->addLayout(modelRow);
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(0, 4, 0, 0);
    footer->setSpacing(6);
    m_footerSymbol = new SymbolView(QStringLiteral("shield.checkered"), SystemColor::blue, 10);
    footer->addWidget(m_footerSymbol, 0, Qt::AlignTop);
    auto* note = new PlainLabel(QString::fromLatin1(kFooter), Fonts::system(8), SystemColor::secondary);
    note->setWordWrap(true);
    footer->addWidget(note, 1);
    details->addLayout(footer);
    column->addWidget(m_details);
    return card;
}

CardFrame* APISentinelView::buildPortCard()
{
    auto* card = new CardFrame(kCardFill, 12);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);
    column->addWidget(caption(QStringLiteral("ACTIVE PORT SENTINEL")));

    m_empty = new EmptyStateCard(QStringLiteral("wifi.router.fill"), QStringLiteral("No active local development servers found"));
    m_empty->setObjectName(QStringLiteral("emptyPorts"));
    column->addWidget(m_empty);

    m_ports = new KeyedRowList;
    m_ports->setSpacing(6);
    column->addWidget(m_ports);
    return card;
}

QString APISentinelView::latencyText(const QString& status, double latencyMs)
{
    return status == QLatin1String("Online") ? kestrova::format("%.1f ms", latencyMs) : QStringLiteral("Offline");
}

SystemColor APISentinelView::latencyColor(const QString& status, double latencyMs)
{
    if (status != QLatin1String("Online"))
        return SystemColor::red;
    return latencyMs < 5.0 ? SystemColor::green : SystemColor::orange;
}

void APISentinelView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_appeared) {
        m_appeared = true;
        // A proxy that an earlier visit started shows as on.
        if (m_proxy)
            m_switch->setChecked(m_proxy->isRunning());
    }
}

void APISentinelView::syncSwitch()
{
    if (!m_proxy || !m_appeared)
        return;
    m_syncing = true;
    m_switch->setChecked(m_proxy->isRunning());
    m_syncing = false;
}

void APISentinelView::switchChanged(bool on)
{
    if (m_syncing || !m_proxy)
        return;
    if (on)
        m_proxy->startProxy(m_proxyPort);
    else
        m_proxy->stopProxy();
}

void APISentinelView::refreshNow() { m_coalescer->flush(); }

void APISentinelView::refresh()
{
    if (!m_proxy || !m_latency || !m_localAI)
        return;
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    m_headerSymbol->setTint(accent);
    m_footerSymbol->setTint(accent);
    m_switch->setTint(accent);
    const bool running = m_proxy->isRunning();
    m_status->setText(running ? kestrova::format("Routing Port %d \U0001F680", int(m_proxyPort))
                              : QStringLiteral("Offline / Bypassed \U0001F4A4"));
    m_status->setTextColor(running ? accent : UiColor(SystemColor::secondary));
    m_details->setVisible(running);
    m_requests->setText(kestrova::format("%lld", static_cast<long long>(m_proxy->requestCount())));
    // Any local client picks this name: one line, cut to the room there is.
    m_lastModel->setText(oneLineText(m_proxy->lastRoutedModel()));
    m_lastModel->setTextColor(accent);
    refreshPorts();
}

void APISentinelView::refreshPorts()
{
    const UiColor accent = m_themeManager->currentTheme().accentColor();
    const QList<PortLatencyInfo>& rows = m_latency->activePortLatencies();
    m_empty->setVisible(rows.isEmpty());
    m_ports->setVisible(!rows.isEmpty());
    const bool demo = m_localAI->demoMode();
    const auto apply = [&](LatencyRow* row, const PortLatencyInfo& info) {
        std::function<void()> kill;
        // No kill for pid 0 or 1, for ourselves (our proxy's port is listed
        // too), nor for an example row that demo mode left behind.
        if (!ProcessSignaller::isForbiddenPid(info.pid) && (demo || !LocalAIExamples::isExample(info)))
            kill = [localAI = m_localAI, latency = m_latency, pid = info.pid] { killAndMeasure(localAI, latency, pid); };
        row->set(info, accent, std::move(kill));
    };
    m_ports->setItems<LatencyRow>(
        rows, [](const PortLatencyInfo& r) { return QString::number(r.port) + QLatin1Char('-') + QString::number(r.pid); },
        [&](const PortLatencyInfo& r) {
            auto* row = new LatencyRow;
            apply(row, r);
            return row;
        },
        apply);
}
