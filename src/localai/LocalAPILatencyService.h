#pragma once

#include "core/ObservableObject.h"
#include "localai/PortLatencyInfo.h"

#include <QCoroTask>
#include <QList>

class Clock;
class LocalAIService;
class PortProber;
class QTimer;

// Measures every 2 seconds how long a TCP connection to each listening port
// of the local-AI watcher takes. Each measurement replaces the whole list
// and announces it, even when nothing changed. In demo mode it shows fixed
// example rows instead of probing.
class LocalAPILatencyService final : public ObservableObject {
    Q_OBJECT

public:
    struct Deps {
        Deps();
        LocalAIService* localAI = nullptr;   // the port list and the demo-mode flag
        Clock* clock;                        // monotonic time of each probe
        PortProber* prober;
        qint64 ownPid;                       // our own ports are not probed
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
    // Probes the ports one after another and stores the rows, sorted by port.
    QCoro::Task<> measureLatencies();

signals:
    void activePortLatenciesChanged();

private:
    QCoro::Task<bool> pingLocalPort(qint64 port);

    Deps m_deps;
    QTimer* m_timer = nullptr;
    QList<PortLatencyInfo> m_activePortLatencies;
};
