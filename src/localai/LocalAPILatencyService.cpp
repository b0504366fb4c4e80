#include "localai/LocalAPILatencyService.h"

#include "core/Clock.h"
#include "localai/LocalAIExamples.h"
#include "localai/LocalAIService.h"
#include "localai/PortProbeRound.h"
#include "localai/PortProber.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QHash>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr auto kProbeTimeout = 300ms;

QString onlineText() { return QStringLiteral("Online"); }
QString offlineText() { return QStringLiteral("Offline"); }

} // namespace

LocalAPILatencyService::Deps::Deps()
    : clock(&Clock::system()), prober(&PortProber::system()), ownPid(QCoreApplication::applicationPid())
{
}

LocalAPILatencyService::LocalAPILatencyService(Deps deps, bool autoStart, QObject* parent)
    : ObservableObject(parent), m_deps(deps)
{
    if (autoStart)
        startPolling();
}

LocalAPILatencyService::~LocalAPILatencyService() = default;

void LocalAPILatencyService::startPolling()
{
    if (m_timer)
        return;
    // A firing while a round still runs is skipped: a new round starts only
    // when the last has ended.
    m_timer = new QTimer(this);
    m_timer->setInterval(m_deps.interval);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (!m_measuring)
            measureLatencies();
    });
    m_timer->start();
    QTimer::singleShot(0, this, [this] { measureLatencies(); });
}

QCoro::Task<> LocalAPILatencyService::measureLatencies()
{
    QPointer<LocalAPILatencyService> self(this);
    while (m_measuring) {
        co_await qCoro(this, &LocalAPILatencyService::measurementEnded);
        if (!self)
            co_return;
    }
    if (!m_deps.localAI)
        co_return;
    if (m_deps.localAI->demoMode()) {
        setActivePortLatencies(LocalAIExamples::portLatencies());
        co_return;
    }
    const QList<LocalPortInfo> ports = m_deps.localAI->activeLocalPorts();
    // Each port once, however many entries share it.
    QList<quint16> probed;
    QHash<qint64, qsizetype> probeOf;
    for (const LocalPortInfo& entry : ports) {
        // Connecting to our own listener (the API proxy) every 2 seconds
        // would show up as client traffic there; it is up while we run.
        if (entry.pid == m_deps.ownPid || entry.port < 0 || entry.port > 65535 || probeOf.contains(entry.port))
            continue;
        probeOf.insert(entry.port, probed.size());
        probed.append(quint16(entry.port));
    }

    m_measuring = true;
    // Deleted through the event loop: the round may be inside a probe's or a
    // timer's signal when it reports its end.
    const std::unique_ptr<PortProbeRound, void (*)(PortProbeRound*)> round(
        new PortProbeRound(std::move(probed), *m_deps.prober, *m_deps.clock, {kProbeTimeout, maxProbesInFlight}),
        [](PortProbeRound* r) { r->deleteLater(); });
    round->start();
    if (!round->isFinished())
        co_await qCoro(round.get(), &PortProbeRound::finished);
    if (!self)
        co_return;

    QList<PortLatencyInfo> rows;
    rows.reserve(ports.size());
    for (const LocalPortInfo& entry : ports) {
        const auto probe = probeOf.constFind(entry.port);
        if (entry.pid == m_deps.ownPid)
            rows.append({entry.port, entry.processName, entry.pid, 0.0, onlineText()});
        else if (probe != probeOf.constEnd() && round->latencies()[*probe])
            rows.append({entry.port, entry.processName, entry.pid, *round->latencies()[*probe], onlineText()});
        else
            rows.append({entry.port, entry.processName, entry.pid, 0.0, offlineText()});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const PortLatencyInfo& a, const PortLatencyInfo& b) { return a.port < b.port; });
    m_measuring = false;
    setActivePortLatencies(std::move(rows));
    emit measurementEnded();
}
