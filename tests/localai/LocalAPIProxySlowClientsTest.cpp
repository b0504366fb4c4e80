#include "localai/ProxyPairCap.h"
#include "platform/SocketTable.h"

#include "LocalAPIProxyFixture.h"
#include "support/ScopedSoftFileLimit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using LocalAPIProxySlowClientsTest = LocalAPIProxyTest;

namespace {

using SteadyClock = std::chrono::steady_clock;

const QByteArray okReply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}";

// A stand-in server that answers each request whose head has ended, and
// holds the connection until the peer ends it.
LoopbackUpstream::Handler answerEachHead()
{
    return [](int fd) {
        QByteArray pending;
        for (;;) {
            const QByteArray chunk = LoopbackUpstream::readSome(fd);
            if (chunk.isEmpty())
                return;
            pending += chunk;
            for (qsizetype end; (end = pending.indexOf("\r\n\r\n")) >= 0;) {
                pending.remove(0, end + 4);
                if (!LoopbackUpstream::writeAll(fd, okReply.constData(), okReply.size()))
                    return;
            }
        }
    };
}

// Whether the peer has ended the stream or reset it; takes what came.
bool peerGone(int fd, QByteArray& received)
{
    for (;;) {
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            received.append(buffer, n);
            continue;
        }
        return n == 0 || errno != EAGAIN;
    }
}

// Hostile clients on their own thread: each starts a request head and then
// sends one more byte of it every `period`, never the blank line that ends
// it. One that is closed connects again at once.
class Tricklers {
public:
    struct Closed {
        std::chrono::milliseconds lived;
        QByteArray received;
    };

    Tricklers(quint16 port, int count, std::chrono::milliseconds period) : m_port(port), m_period(period)
    {
        for (int i = 0; i < count; ++i)
            m_clients.push_back(connect());
        m_thread = std::thread([this] { run(); });
    }
    ~Tricklers()
    {
        m_stop = true;
        m_thread.join();
    }

    std::vector<Closed> closed() const
    {
        std::lock_guard lock(m_mutex);
        return m_closed;
    }

private:
    struct Client {
        LoopbackClient socket;
        SteadyClock::time_point connectedAt;
        SteadyClock::time_point nextByteAt;
        QByteArray received;
    };

    Client connect() const
    {
        Client client{LoopbackClient(m_port), SteadyClock::now(), SteadyClock::now() + m_period, {}};
        client.socket.send("POST /api/generate HTTP/1.1\r\nHost: localhost\r\n");
        return client;
    }

    void run()
    {
        while (!m_stop) {
            const auto now = SteadyClock::now();
            for (Client& client : m_clients) {
                if (client.socket.connected() && !peerGone(client.socket.fd(), client.received)) {
                    if (now >= client.nextByteAt) {
                        client.socket.send("X");
                        client.nextByteAt = now + m_period;
                    }
                    continue;
                }
                {
                    std::lock_guard lock(m_mutex);
                    m_closed.push_back({std::chrono::duration_cast<std::chrono::milliseconds>(now - client.connectedAt),
                                        client.received});
                }
                client = connect();
            }
            std::this_thread::sleep_for(10ms);
        }
    }

    const quint16 m_port;
    const std::chrono::milliseconds m_period;
    std::vector<Client> m_clients;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<Closed> m_closed;
    std::thread m_thread;
};

// How long an honest request waits for its whole answer.
std::chrono::milliseconds honestWait(quint16 port)
{
    const auto started = SteadyClock::now();
    LoopbackClient honest(port); // waits in the backlog while the cap holds
    if (!honest.send(request(R"({"model": "llama3"})")))
        return std::chrono::hours(1);
    QByteArray answer;
    while (answer.size() < okReply.size() && SteadyClock::now() - started < 20s) {
        const QByteArray more = honest.read(okReply.size() - answer.size()); // 5 s per read at most
        answer += more;
    }
    if (answer != okReply)
        return std::chrono::hours(1);
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - started);
}

} // namespace

// With the production time-outs: a client whose request head has not ended
// ten seconds after it was taken on is closed with a reason, however it
// trickles; one whose head came stays while its server thinks.
TEST_F(LocalAPIProxySlowClientsTest, AnUnfinishedRequestHeadIsClosedTenSecondsAfterConnectingWithAReason)
{
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::holdUntilEnd()));
    ASSERT_EQ(ProxySettings().requestHeadTimeout, 10s);
    const struct {
        const char* name;
        QByteArray sent;    // at once
        QByteArray trickle; // then a byte of it every 1.5 s
        bool closed;
    } cases[] = {
        {"sends nothing", "", "", true},
        {"trickles a header", "POST /api/generate HTTP/1.1\r\nHost: localhost\r\nX-Slow: ", "aaaaaaaaaaaaaaaa", true},
        {"a whole head, then waits for the answer", request(R"({"model": "llama3"})"), "", false},
        {"a whole head with bare line feeds", "GET /api/tags HTTP/1.1\nHost: localhost\n\n", "", false},
        {"a head split across writes", "GET /api/tags HTTP/1.1\r\nHost: localhost\r", "\n\r\n", false},
    };
    struct Watched {
        LoopbackClient socket;
        QByteArray received;
        std::optional<std::chrono::milliseconds> closedAfter;
    };
    std::vector<Watched> clients;
    const auto started = SteadyClock::now();
    for (const auto& c : cases) {
        clients.push_back({LoopbackClient(port), {}, {}});
        ASSERT_TRUE(c.sent.isEmpty() || clients.back().socket.send(c.sent)) << c.name;
    }
    for (int tick = 0; SteadyClock::now() - started < 11500ms; ++tick) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - started);
        for (std::size_t i = 0; i < clients.size(); ++i) {
            Watched& client = clients[i];
            if (client.closedAfter)
                continue;
            if (peerGone(client.socket.fd(), client.received)) {
                client.closedAfter = elapsed;
                continue;
            }
            const qsizetype byte = elapsed / 1500ms;
            if (tick % 15 == 0 && byte < cases[i].trickle.size())
                client.socket.send(cases[i].trickle.mid(byte, 1));
        }
        std::this_thread::sleep_for(100ms);
    }
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(clients[i].closedAfter.has_value(), c.closed) << c.name;
        if (!c.closed || !clients[i].closedAfter)
            continue;
        EXPECT_GE(*clients[i].closedAfter, 9900ms) << c.name;
        EXPECT_LE(*clients[i].closedAfter, 11000ms) << c.name;
        EXPECT_TRUE(clients[i].received.startsWith("HTTP/1.1 408 Request Timeout\r\n")) << c.name;
        EXPECT_TRUE(clients[i].received.endsWith(
            R"({"error": "Request headers not complete within 10 s of connecting; closed by the Kestrova local API proxy."})"))
            << c.name << ": " << clients[i].received.toStdString();
    }
    // The second closing line repeats the first, so it is counted.
    EXPECT_EQ(printed.linesStartingWith(QStringLiteral(
                  "⏳ Local API Proxy closed a client whose request headers were not complete within 10 s")).size(),
              1);
    // The closed clients' server connections went with them.
    EXPECT_TRUE(waitUntil([&] { return upstream->openCount() == 3; })) << upstream->openCount();
}

// Under a lowered descriptor limit the cap is small; the cap and eight more
// clients trickle their heads, and reconnect whenever they are closed. An
// honest request still gets its answer within 15 s (here, about a second).
TEST_F(LocalAPIProxySlowClientsTest, TricklersBeyondTheCapOfALoweredDescriptorLimitLetHonestRequestsIn)
{
    ScopedSoftFileLimit limit(256);
    ASSERT_TRUE(limit.applied());
    ProxySettings settings; // the production values, the cap from the limit
    ASSERT_EQ(settings.maxConnectionPairs, proxyPairCap(256));
    ASSERT_EQ(settings.maxConnectionPairs, 16);
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(answerEachHead(), settings));
    const int baseline = LoopbackClient::openDescriptorCount();

    // The proxy's connections to the server, as the kernel lists them (the
    // server's own count lags behind a close).
    std::atomic<bool> sampling{true};
    std::atomic<int> peakUpstream{0};
    std::thread sampler([&] {
        const SocketTable table;
        while (sampling) {
            const QList<TcpSocket> sockets = table.read(TcpSocket::established);
            const int toServer = int(std::count_if(sockets.begin(), sockets.end(), [&](const TcpSocket& s) {
                return s.remotePort == upstream->port();
            }));
            peakUpstream = std::max(peakUpstream.load(), toServer);
            std::this_thread::sleep_for(5ms);
        }
    });
    std::vector<std::chrono::milliseconds> waits;
    {
        Tricklers tricklers(port, settings.maxConnectionPairs + 8, 1500ms);
        std::this_thread::sleep_for(2s); // every slot taken, eight in the backlog
        for (int i = 0; i < 3; ++i)
            waits.push_back(honestWait(port));
        const std::vector<Tricklers::Closed> closed = tricklers.closed();
        ASSERT_FALSE(closed.empty());
        for (const Tricklers::Closed& c : closed) {
            EXPECT_LE(c.lived, 11000ms);
            // Nothing came from the server, so the reason did.
            EXPECT_TRUE(c.received.isEmpty() || c.received.contains("408 Request Timeout")) << c.received.toStdString();
        }
        EXPECT_TRUE(std::any_of(closed.begin(), closed.end(), [](const Tricklers::Closed& c) {
            return c.received.contains("waited at the connection limit");
        }));
    }
    for (const auto wait : waits)
        EXPECT_LT(wait, 15s) << wait.count() << " ms";
    std::sort(waits.begin(), waits.end());
    std::cout << "honest waits (ms): " << waits[0].count() << ", " << waits[1].count() << ", " << waits[2].count()
              << '\n';
    sampling = false;
    sampler.join();
    // A dump is no snapshot: a pair closed while it runs and the one that took
    // its slot may both show.
    EXPECT_LE(peakUpstream.load(), settings.maxConnectionPairs + 2);
    EXPECT_GE(peakUpstream.load(), settings.maxConnectionPairs - 2) << "the slots were not all taken";
    // Every socket of the run is closed again.
    EXPECT_TRUE(waitUntil([&] { return LoopbackClient::openDescriptorCount() <= baseline; }, 15s))
        << LoopbackClient::openDescriptorCount() - baseline << " more descriptors than before";
    // One line each time a client gives way, held to a few a second.
    const QStringList gaveWay =
        printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy closed a client whose request headers"));
    EXPECT_FALSE(gaveWay.isEmpty());
}
