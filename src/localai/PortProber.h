#pragma once

#include <QtGlobal>

#include <functional>

class QObject;

// One TCP connection attempt to a port of 127.0.0.1, reporting whether the
// port accepted it. Never blocks: the attempt runs on the event loop.
class PortProber {
public:
    using Done = std::function<void(bool accepted)>;

    virtual ~PortProber() = default;

    // Starts an attempt. `done` is called at most once, on the calling
    // thread, possibly before start() returns. The caller owns the returned
    // object (it may be null): deleting it gives the attempt up, after which
    // `done` is not called.
    virtual QObject* start(quint16 port, Done done) = 0;

    static PortProber& system();
};
