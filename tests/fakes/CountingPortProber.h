#pragma once

#include "localai/PortProber.h"

#include <QList>
#include <QObject>

#include <algorithm>
#include <memory>

// Wraps a real prober and keeps count: the ports in the order their probes
// started, how many are in flight (an attempt ends with its answer or when
// it is given up), and the most that ever were at once.
class CountingPortProber final : public PortProber {
public:
    explicit CountingPortProber(PortProber& real) : m_real(real) {}

    QObject* start(quint16 port, Done done) override
    {
        started << port;
        peakInFlight = std::max(peakInFlight, ++inFlight);
        auto pending = std::make_shared<bool>(true);
        const auto end = [this, pending] {
            if (*pending)
                --inFlight;
            *pending = false;
        };
        QObject* attempt = m_real.start(port, [end, done = std::move(done)](bool accepted) {
            end();
            done(accepted);
        });
        if (attempt)
            QObject::connect(attempt, &QObject::destroyed, [end] { end(); });
        else
            end();
        return attempt;
    }

    QList<quint16> started;
    int inFlight = 0;
    int peakInFlight = 0;

private:
    PortProber& m_real;
};
