#include "localai/LocalAPILatencyService.h"

#include "core/Clock.h"
#include "localai/LocalAIExamples.h"
#include "localai/LocalAIService.h"
#include "localai/PortProber.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr auto kInterval = 2000ms;
constexpr auto kProbeTimeout = 300ms;

// The one result of a probe: the first of the prober's answer and the
// time-out decides; anything later is ignored.
class ProbeOutcome : public QObject {
    Q_OBJECT

public:
    void decide(bool accepted)
    {
        if (decided)
            return;
        decided = true;
        value = accepted;
        emit finished();
    }

    bool decided = false;
    bool value = false;

signals:
    void finished();
};

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
    // Each firing starts its own measurement without waiting for the last
    // one; whichever finishes last is shown.
    m_timer = new QTimer(this);
    m_timer->setInterval(kInterval);
    connect(m_timer, &QTimer::timeout, this, [this] { measureLatencies(); });
    m_timer->start();
    QTimer::singleShot(0, this, [this] { measureLatencies(); });
}

QCoro::Task<> LocalAPILatencyService::measureLatencies()
{
    if (!m_deps.localAI)
        co_return;
    if (m_deps.localAI->demoMode()) {
        setActivePortLatencies(LocalAIExamples::portLatencies());
        co_return;
    }
    const QList<LocalPortInfo> ports = m_deps.localAI->activeLocalPorts();
    QPointer<LocalAPILatencyService> self(this);
    QList<PortLatencyInfo> rows;
    rows.reserve(ports.size());
    for (const LocalPortInfo& entry : ports) {
        // Connecting to our own listener (the API proxy) every 2 seconds
        // would show up as client traffic there; it is up while we run.
        if (entry.pid == m_deps.ownPid) {
            rows.append({entry.port, entry.processName, entry.pid, 0.0, onlineText()});
            continue;
        }
        const qint64 started = m_deps.clock->monotonicNs();
        const bool accepted = co_await pingLocalPort(entry.port);
        if (!self)
            co_return;
        const qint64 ended = m_deps.clock->monotonicNs();
        if (accepted)
            rows.append({entry.port, entry.processName, entry.pid, double(ended - started) / 1'000'000.0, onlineText()});
        else
            rows.append({entry.port, entry.processName, entry.pid, 0.0, offlineText()});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const PortLatencyInfo& a, const PortLatencyInfo& b) { return a.port < b.port; });
    setActivePortLatencies(std::move(rows));
}

QCoro::Task<bool> LocalAPILatencyService::pingLocalPort(qint64 port)
{
    if (port < 0 || port > 65535)
        co_return false;
    // Deleted through the event loop: the awaiting task may resume inside
    // decide() and must not destroy the object under its own signal.
    std::shared_ptr<ProbeOutcome> outcome(new ProbeOutcome, [](ProbeOutcome* o) { o->deleteLater(); });
    QTimer::singleShot(kProbeTimeout, outcome.get(), [o = outcome.get()] { o->decide(false); });
    std::weak_ptr<ProbeOutcome> weak = outcome;
    QPointer<QObject> attempt = m_deps.prober->start(quint16(port), [weak](bool accepted) {
        if (const auto o = weak.lock())
            o->decide(accepted);
    });
    if (!outcome->decided)
        co_await qCoro(outcome.get(), &ProbeOutcome::finished);
    if (attempt)
        attempt->deleteLater();
    co_return outcome->value;
}

#include "LocalAPILatencyService.moc"
