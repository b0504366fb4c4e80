#pragma once

#include "localai/ProxyPairCap.h"

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
    // Concurrent client/upstream pairs, a share of the descriptor limit (a
    // pair holds two sockets, and up to two pipes while data is in flight).
    // Fewer when the descriptors actually free run short (see ProxyRoom). At
    // the cap the proxy stops accepting: new clients wait in the listen
    // backlog and are taken on as soon as a pair ends or gives way (a
    // kept-alive connection at rest gives way at once). Where none may give
    // way, every one answering a request, they are told of the limit at once:
    // as many at a time as the cap, while descriptors allow, the rest left in
    // the backlog.
    int maxConnectionPairs = proxyPairCap();
    // A client whose request head (up to its blank line) has not come this
    // long after it was taken on is closed, however it trickles: a byte now
    // and then must not hold a slot forever.
    std::chrono::milliseconds requestHeadTimeout{10000};
    // At the cap, while a client waits, the pair that has waited longest for
    // its request head gives way first, once it has waited this long (an
    // honest local client sends its head at once).
    std::chrono::milliseconds requestWaitAtCap{1000};
    // Failing that, of the pairs whose request is still coming (or whose
    // traffic is not HTTP the proxy can follow), the one whose model server
    // has sent nothing for longest gives way once that has lasted this long,
    // whatever its client sends. A request sent in full is never cut while
    // it waits for its answer, however long the server is silent.
    std::chrono::milliseconds serverSilenceAtCap{10000};
    // Nor is an answer in progress (bytes the relay holds, or that wait in
    // the client's socket), whatever the server does: only a client that has
    // read nothing of it for this long, nothing moving either way, gives way.
    std::chrono::milliseconds unreadAnswerAtCap{60000};
    // After the client's end (a half-close or a close) a pair lives this long
    // without a byte from the server, then both sockets close: a stalled or
    // suspended server cannot hold an abandoned pair forever.
    std::chrono::milliseconds serverSilenceAfterClientEnd{60000};
    // Move relayed bytes through a pipe with splice(2) instead of copying them
    // through user space; the copy path is kept for when no pipe is available.
    bool spliceRelay = true;
};
