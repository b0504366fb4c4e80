#pragma once

#include <QHostAddress>
#include <QList>

#include <chrono>

// Where the local API proxy listens and what it relays to. The defaults are
// the production values; tests point the upstream at a double on loopback.
struct ProxySettings {
    QHostAddress upstreamHost{QHostAddress::LocalHost};
    quint16 upstreamPort = 11434;
    // Loopback only: the model server has no authentication, and it can
    // load and delete models. An address the machine lacks (no IPv6) is
    // skipped as long as another one binds.
    QList<QHostAddress> listenAddresses{QHostAddress(QHostAddress::LocalHost),
                                        QHostAddress(QHostAddress::LocalHostIPv6)};
    // Concurrent client/upstream pairs; beyond it new clients are refused so
    // a flood cannot exhaust the process's file descriptors (a pair holds two
    // sockets, and up to two pipes while data is in flight).
    int maxConnectionPairs = 128;
    // A client that has sent no byte this long after connecting is closed;
    // at the cap, the oldest such client makes room for a new one, so idle
    // connections cannot lock real requests out.
    std::chrono::milliseconds silentTimeout{10000};
    // Move relayed bytes through a pipe with splice(2) instead of copying them
    // through user space; the copy path is kept for when no pipe is available.
    bool spliceRelay = true;
};
