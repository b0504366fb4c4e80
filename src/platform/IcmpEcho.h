#pragma once

#include <QCoroTask>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>

class QSocketNotifier;
class QTimer;

// One ICMP echo at a time, sent from this process. Opens an unprivileged
// ICMP datagram socket (allowed when net.ipv4.ping_group_range holds our
// group) or, failing that, a raw ICMP socket (allowed with CAP_NET_RAW).
// When both are refused isOpen() is false and callers use another way.
class IcmpEcho final : public QObject {
    Q_OBJECT

public:
    explicit IcmpEcho(QObject* parent = nullptr);
    ~IcmpEcho() override;

    bool isOpen() const { return m_fd >= 0; }

    // Round-trip time in milliseconds to an IPv4 host in dotted form, or 0
    // when no reply came within the time-out or the echo could not be sent.
    // Never awaited twice at once.
    QCoro::Task<double> echo(QString host, std::chrono::milliseconds timeout);

signals:
    void finished(double latency);

private:
    void readReplies();

    int m_fd = -1;
    bool m_raw = false;
    std::uint16_t m_identifier = 0;
    std::uint16_t m_sequence = 0;
    bool m_waiting = false;
    double m_latency = 0; // the answer of the echo that finished last
    QElapsedTimer m_sent;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_deadline = nullptr;
};
