#pragma once

#include "localai/PortProber.h"

// The real prober: a QTcpSocket connecting to 127.0.0.1, never through a
// proxy. The socket is closed as soon as the answer is known.
class TcpPortProber final : public PortProber {
public:
    QObject* start(quint16 port, Done done) override;
};
