#pragma once

#include "core/ObservableObject.h"

#include <QCoroTask>
#include <QList>
#include <QString>

class CommandRunner;
class IcmpEcho;
class QTimer;

// Round-trip time to one public DNS resolver, measured every 2 seconds with
// an ICMP echo sent from this process, or with the system's ping when the
// process may not open an ICMP socket. Keeps the last value and the last 60 results; a
// failed ping (no reply, no permission to ping, unreadable output) counts
// as 0, so a 0 means "not measured", never a zero-millisecond reply.
class PingService final : public ObservableObject {
    Q_OBJECT
    Q_PROPERTY(double currentLatency READ currentLatency NOTIFY currentLatencyChanged)
    Q_PROPERTY(QList<double> latencyHistory READ latencyHistory NOTIFY latencyHistoryChanged)

public:
    static constexpr int historyLength = 60;
    static const QString defaultHost;

    struct Deps {
        CommandRunner* runner = nullptr; // the system runner when null
        QString host = defaultHost;      // IPv4 address in dotted form
        bool inProcess = false;          // echo from this process when allowed
    };

    // The production service: pings the given resolver; the first ping
    // comes one interval after creation.
    explicit PingService(QString host = defaultHost, QObject* parent = nullptr);
    // Tests pass autoStart = false and call tick() by hand.
    PingService(Deps deps, bool autoStart, QObject* parent = nullptr);
    ~PingService() override;

    double currentLatency() const { return m_currentLatency; }
    const QList<double>& latencyHistory() const { return m_latencyHistory; }

    // Whether pings go out from this process rather than through ping.
    bool pingsInProcess() const;

    // One ping and its recording. A tick that finds the previous one still
    // running does nothing, so pings never overlap.
    QCoro::Task<> tick();

signals:
    void currentLatencyChanged();
    void latencyHistoryChanged();

private:
    void record(double latency);

    CommandRunner& m_runner;
    QString m_host;
    QTimer* m_timer = nullptr;
    IcmpEcho* m_echo = nullptr;
    bool m_pinging = false;
    double m_currentLatency = 0;
    QList<double> m_latencyHistory = QList<double>(historyLength, 0.0);
};
