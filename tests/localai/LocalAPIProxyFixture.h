#pragma once

#include "localai/LocalAPIProxyService.h"

#include "ConcurrentPrintCapture.h"
#include "LoopbackClient.h"
#include "fakes/LoopbackUpstream.h"
#include "support/TaskRunner.h"

#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

// A local API proxy on a free port in front of a stand-in server, with its
// printed lines captured.

const QString listeningPrefix = QStringLiteral("🚀 Local API Proxy listening on port ");
const QString stoppedLine = QStringLiteral("🛑 Local API Proxy stopped");

inline QByteArray request(const QByteArray& body)
{
    return "POST /api/generate HTTP/1.1\r\nHost: localhost\r\nContent-Type: application/json\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// Turns the event loop for a while, so queued state changes that should not
// come would have come.
inline void settle() { waitUntil([] { return false; }, 50ms); }

class LocalAPIProxyTest : public ::testing::Test {
protected:
    // Starts a proxy on a free port in front of `upstreamPort`.
    void startProxy(quint16 upstreamPort, ProxySettings settings = {})
    {
        settings.upstreamPort = upstreamPort;
        proxy = std::make_unique<LocalAPIProxyService>(settings);
        proxy->startProxy(0);
        // The line is printed on the relay thread right after the ready
        // state is queued, so either may come first.
        ASSERT_TRUE(waitUntil([&] {
            return proxy->isRunning() && !printed.linesStartingWith(listeningPrefix).isEmpty();
        }));
        const QStringList lines = printed.linesStartingWith(listeningPrefix);
        ASSERT_EQ(lines.size(), 1);
        port = lines.first().mid(listeningPrefix.size()).toUShort();
        ASSERT_NE(port, 0);
    }
    void startInFrontOf(LoopbackUpstream::Handler handler, ProxySettings settings = {})
    {
        upstream = std::make_unique<LoopbackUpstream>(std::move(handler));
        startProxy(upstream->port(), settings);
    }
    bool countReaches(qint64 count)
    {
        return waitUntil([&] { return proxy->requestCount() == count; });
    }
    bool labelReads(const QString& model)
    {
        return waitUntil([&] { return proxy->lastRoutedModel() == model; });
    }

    ConcurrentPrintCapture printed;
    std::unique_ptr<LoopbackUpstream> upstream; // outlives the proxy
    std::unique_ptr<LocalAPIProxyService> proxy;
    quint16 port = 0;
};

