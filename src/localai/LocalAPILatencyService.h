#pragma once

#include "core/ObservableObject.h"
#include "localai/PortLatencyInfo.h"

#include <QCoroTask>
#include <QList>

#include <chrono>

class Clock;
class LocalAIService;
class PortProber;
class QTimer;

// Measures every 2 seconds how long a TCP connection to each listening port
// of the local-AI watcher takes. Each measurement replaces the whole list
// and announces it, even when nothing changed. In demo mode it shows fixed
// example rows instead of probing.
//
// One measurement runs at a time, with a bounded number of probes in flight:
// ports that never accept make a round last longer (each probe gives up
// after 0.3 s), and the timer skips its ticks until the round has ended,
// instead of piling rounds, sockets and time-outs up.
class LocalAPILatencyService final : public ObservableObject {
    Q_OBJECT

public:
    struct Deps {
        Deps();
        LocalAIService* localAI = nullptr;   // the port list and the demo-mode flag
        Clock* clock;                        // monotonic time of each probe
        PortProber* prober;
        qint64 ownPid;                       // our own ports are not probed
        std::chrono::milliseconds interval{2000}; // between measurements
    };

    // The process-wide instance; its creation starts the measurements.
    static LocalAPILatencyService& shared();

    LocalAPILatencyService(Deps deps, bool autoStart, QObject* parent = nullptr);
    ~LocalAPILatencyService() override;

    const QList<PortLatencyInfo>& activePortLatencies() const { return m_activePortLatencies; }
    void setActivePortLatencies(QList<PortLatencyInfo> value)
    {
        announce(m_activePortLatencies, std::move(value), &LocalAPILatencyService::activePortLatenciesChanged);
    }

    // Starts the 2-second timer and one measurement at once.
    void startPolling();
    // Probes the ports and stores the rows, sorted by port. While a round
    // runs, a call waits for its end and then measures afresh.
    QCoro::Task<> measureLatencies();
    bool isMeasuring() const { return m_measuring; }

    // Probes in flight at once, at most.
    static constexpr int maxProbesInFlight = 32;

signals:
    void activePortLatenciesChanged();
    void measurementEnded();

private:
    Deps m_deps;
    QTimer* m_timer = nullptr;
    bool m_measuring = false;
    QList<PortLatencyInfo> m_activePortLatencies;
};
