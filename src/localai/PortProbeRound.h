#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <optional>
#include <vector>

class Clock;
class PortProber;
class QTimer;

// One round of connection probes over a list of ports: a bounded number in
// flight at a time, each given up after the time-out, so ports that never
// accept cost at most that many sockets however many there are. Emits
// finished() once every port has its answer (possibly inside start()).
class PortProbeRound final : public QObject {
    Q_OBJECT

public:
    struct Limits {
        std::chrono::milliseconds timeout;
        int maxInFlight;
    };

    PortProbeRound(QList<quint16> ports, PortProber& prober, Clock& clock, Limits limits, QObject* parent = nullptr);
    // Gives up the probes still in flight.
    ~PortProbeRound() override;

    void start();
    bool isFinished() const { return m_answered == m_ports.size(); }
    // Connect time in milliseconds of each port, in the order given; none
    // where the port did not accept within the time-out.
    const QList<std::optional<double>>& latencies() const { return m_latencies; }

signals:
    void finished();

private:
    struct Slot {
        bool busy = false;
        quint64 generation = 0;
        qsizetype index = 0;
        qint64 startedNs = 0;
        QPointer<QObject> attempt;
        QTimer* timer = nullptr;
    };

    void launchWhileRoom();
    void timeOut(std::size_t slot);
    void answer(std::size_t slot, quint64 generation, bool accepted);

    const QList<quint16> m_ports;
    PortProber& m_prober;
    Clock& m_clock;
    QList<std::optional<double>> m_latencies;
    std::vector<Slot> m_slots;
    qsizetype m_next = 0;
    qsizetype m_answered = 0;
    bool m_launching = false;
};
