#include "localai/PortProbeRound.h"

#include "core/Clock.h"
#include "localai/PortProber.h"

#include <QTimer>

PortProbeRound::PortProbeRound(QList<quint16> ports, PortProber& prober, Clock& clock, Limits limits, QObject* parent)
    : QObject(parent), m_ports(std::move(ports)), m_prober(prober), m_clock(clock),
      m_latencies(m_ports.size()), m_slots(std::size_t(std::max(1, limits.maxInFlight)))
{
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        Slot& slot = m_slots[i];
        slot.timer = new QTimer(this);
        slot.timer->setSingleShot(true);
        slot.timer->setInterval(limits.timeout);
        connect(slot.timer, &QTimer::timeout, this, [this, i] { timeOut(i); });
    }
}

PortProbeRound::~PortProbeRound()
{
    for (Slot& slot : m_slots)
        delete slot.attempt.data();
}

void PortProbeRound::start()
{
    launchWhileRoom();
    if (isFinished())
        emit finished();
}

void PortProbeRound::launchWhileRoom()
{
    // A prober may answer inside start(): answers that come while launching
    // only free their slot, and this loop fills it.
    m_launching = true;
    for (std::size_t i = 0; i < m_slots.size() && m_next < m_ports.size(); ++i) {
        Slot& slot = m_slots[i];
        while (!slot.busy && m_next < m_ports.size()) {
            slot.busy = true;
            slot.index = m_next++;
            const quint64 generation = ++slot.generation;
            slot.startedNs = m_clock.monotonicNs();
            QPointer<PortProbeRound> self(this);
            QObject* attempt = m_prober.start(m_ports[slot.index], [self, i, generation](bool accepted) {
                if (self)
                    self->answer(i, generation, accepted);
            });
            if (slot.busy && slot.generation == generation) {
                slot.attempt = attempt;
                slot.timer->start();
            } else if (attempt) {
                attempt->deleteLater();
            }
        }
    }
    m_launching = false;
}

void PortProbeRound::timeOut(std::size_t index)
{
    // Given up at once, not from the event loop: its socket must be closed
    // before the slot's next probe opens one.
    Slot& slot = m_slots[index];
    delete slot.attempt.data();
    answer(index, slot.generation, false);
}

void PortProbeRound::answer(std::size_t index, quint64 generation, bool accepted)
{
    Slot& slot = m_slots[index];
    if (!slot.busy || slot.generation != generation)
        return; // the time-out or an earlier answer decided
    if (accepted)
        m_latencies[slot.index] = double(m_clock.monotonicNs() - slot.startedNs) / 1'000'000.0;
    slot.busy = false;
    slot.timer->stop();
    // The attempt may be inside its own signal: deleted from the event loop.
    if (slot.attempt)
        slot.attempt->deleteLater();
    slot.attempt = nullptr;
    ++m_answered;
    if (m_launching)
        return;
    launchWhileRoom();
    if (isFinished())
        emit finished();
}
