#include "localai/ProxyErrorText.h"

#include "LocalAPIProxyFixture.h"

#include <QNetworkInterface>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <csignal>
#include <deque>
#include <thread>

namespace {

bool ipv6LoopbackAvailable()
{
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

} // namespace

TEST_F(LocalAPIProxyTest, WithoutAModelServerTheClientGetsExactlyThe503ReplyThenTheEnd)
{
    ASSERT_NO_FATAL_FAILURE(startProxy(LoopbackClient::freePort()));
    LoopbackClient client(port);
    ASSERT_TRUE(client.connected());
    ASSERT_TRUE(client.send(request(R"({"model": "deepseek-coder:6.7b", "prompt": "hi"})")));

    bool ended = false;
    const QByteArray reply = client.readToEnd(&ended);
    const QByteArray expected = "HTTP/1.1 503 Service Unavailable\r\n"
                                "Content-Type: application/json\r\n"
                                "Content-Length: 106\r\n"
                                "Connection: close\r\n"
                                "\r\n"
                                R"({"error": "Local Ollama service (port 11434) is not running or suspended by Kestrova battery protectors."})";
    EXPECT_EQ(expected.size(), 214);
    EXPECT_EQ(reply, expected);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(labelReads(QStringLiteral("deepseek-coder:6.7b")));
    EXPECT_TRUE(countReaches(1));
    EXPECT_EQ(printed.linesStartingWith(QStringLiteral("❌")),
              QStringList{QStringLiteral("❌ Local Ollama (11434) is offline or unavailable: ")
                          + proxyErrorText(ECONNREFUSED)});
}

TEST_F(LocalAPIProxyTest, TheLabelFollowsTheModelInEachConnectionsFirstRead)
{
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::echo()));

    LoopbackClient first(port);
    const QByteArray spaced = request("{\"model\"\r\n  :\n\t\"deepseek-coder:6.7b\", \"stream\": true}");
    ASSERT_TRUE(first.send(spaced));
    EXPECT_EQ(first.read(spaced.size()), spaced);
    EXPECT_TRUE(labelReads(QStringLiteral("deepseek-coder:6.7b")));

    // Headers fill the first 4096 bytes; the body (and its model) comes later.
    LoopbackClient late(port);
    QByteArray padded = "POST /api/chat HTTP/1.1\r\nX-Pad: " + QByteArray(4500, 'p') + "\r\n\r\n";
    padded += R"({"model": "late-model"})";
    ASSERT_TRUE(late.send(padded));
    EXPECT_EQ(late.read(padded.size()), padded);
    EXPECT_TRUE(labelReads(QStringLiteral("General Request")));

    LoopbackClient named(port);
    ASSERT_TRUE(named.send(request(R"({"model": "phi3"})")));
    EXPECT_TRUE(labelReads(QStringLiteral("phi3")));

    // Connecting and closing counts, and leaves the label alone.
    {
        LoopbackClient silent(port);
        ASSERT_TRUE(silent.connected());
    }
    EXPECT_TRUE(countReaches(4));
    EXPECT_TRUE(waitUntil([&] { return upstream->acceptedCount() >= 3; }));
    settle();
    EXPECT_EQ(proxy->lastRoutedModel(), "phi3");
    EXPECT_EQ(upstream->acceptedCount(), 3); // the silent client never reached it
}

TEST_F(LocalAPIProxyTest, AKeptAliveSecondRequestIsRelayedButNeitherCountedNorSearched)
{
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::echo()));
    LoopbackClient client(port);
    const QByteArray first = request(R"({"model": "first"})");
    const QByteArray second = request(R"({"model": "second"})");
    ASSERT_TRUE(client.send(first));
    EXPECT_EQ(client.read(first.size()), first);
    EXPECT_TRUE(labelReads(QStringLiteral("first")));

    ASSERT_TRUE(client.send(second));
    EXPECT_EQ(client.read(second.size()), second);
    settle();
    EXPECT_EQ(proxy->requestCount(), 1);
    EXPECT_EQ(proxy->lastRoutedModel(), "first");
    EXPECT_EQ(upstream->acceptedCount(), 1);
}

TEST_F(LocalAPIProxyTest, AHalfClosingClientStillReceivesTheWholeAnswer)
{
    QByteArray answer(1 << 20, Qt::Uninitialized);
    for (int i = 0; i < answer.size(); ++i)
        answer[i] = char('a' + i % 26);
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::answerAfterEnd(answer)));

    LoopbackClient client(port);
    ASSERT_TRUE(client.send(request(R"({"model": "llama3"})")));
    client.shutdownWrite(); // the upstream answers only once it sees this
    bool ended = false;
    EXPECT_EQ(client.readToEnd(&ended), answer);
    EXPECT_TRUE(ended);
}

TEST_F(LocalAPIProxyTest, AClientThatResetsAfterItsEndFreesThePairWhileTheServerIsSilent)
{
    std::atomic<bool> release{false};
    ASSERT_NO_FATAL_FAILURE(startInFrontOf([&release](int fd) {
        while (!LoopbackUpstream::readSome(fd).isEmpty()) {
        }
        while (!release) // a suspended model server: no answer, no close
            std::this_thread::sleep_for(5ms);
    }));
    LoopbackClient client(port);
    ASSERT_TRUE(client.send(request(R"({"model": "llama3"})")));
    client.shutdownWrite();
    ASSERT_TRUE(waitUntil([&] { return upstream->acceptedCount() == 1; }));
    settle(); // the end has reached the server
    const int during = LoopbackClient::openDescriptorCount();

    client.reset();
    // The client's socket and both of the pair's are gone (the server keeps its own).
    EXPECT_TRUE(waitUntil([&] { return LoopbackClient::openDescriptorCount() <= during - 3; }))
        << during - LoopbackClient::openDescriptorCount() << " descriptors closed";
    release = true;
    upstream.reset(); // joins the handler while `release` still exists
}

TEST_F(LocalAPIProxyTest, StopRefusesNewConnectionsWhilePairsInProgressRunOn)
{
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::echo()));
    LoopbackClient busy(port);
    ASSERT_TRUE(busy.send(request(R"({"model": "alpha"})")));
    ASSERT_TRUE(labelReads(QStringLiteral("alpha")));
    LoopbackClient quiet(port); // accepted (and counted) before the stop, silent until after it
    ASSERT_TRUE(countReaches(2));

    printed.clear();
    proxy->stopProxy();
    EXPECT_FALSE(proxy->isRunning());
    EXPECT_EQ(proxy->lastRoutedModel(), "None");
    EXPECT_EQ(proxy->requestCount(), 2);
    EXPECT_EQ(printed.lines(), QStringList{stoppedLine});

    LoopbackClient refused(port);
    EXPECT_FALSE(refused.connected());
    EXPECT_EQ(refused.connectError(), ECONNREFUSED);

    busy.read(request(R"({"model": "alpha"})").size());
    ASSERT_TRUE(busy.send("more bytes"));
    EXPECT_EQ(busy.read(10), "more bytes");
    const QByteArray late = request(R"({"model": "beta"})");
    ASSERT_TRUE(quiet.send(late));
    EXPECT_EQ(quiet.read(late.size()), late);
    EXPECT_TRUE(labelReads(QStringLiteral("beta")));

    settle();
    EXPECT_EQ(proxy->requestCount(), 2);
    EXPECT_FALSE(proxy->isRunning());
    EXPECT_EQ(printed.lines(), QStringList{stoppedLine});
}

TEST_F(LocalAPIProxyTest, StartWhileRunningAndStopWhileStoppedPrintNothing)
{
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::echo()));
    printed.clear();
    const quint16 other = LoopbackClient::freePort();
    proxy->startProxy(other);
    settle();
    EXPECT_TRUE(printed.lines().isEmpty());
    EXPECT_FALSE(LoopbackClient(other).connected());

    proxy->stopProxy();
    EXPECT_EQ(printed.lines(), QStringList{stoppedLine});
    printed.clear();
    proxy->stopProxy();
    settle();
    EXPECT_TRUE(printed.lines().isEmpty());

    // And it starts again on the same port.
    proxy->startProxy(port);
    EXPECT_TRUE(waitUntil([&] { return proxy->isRunning(); }));
    EXPECT_TRUE(LoopbackClient(port).connected());
}

TEST_F(LocalAPIProxyTest, ASecondStartWhileTheFirstIsStartingBindsNothing)
{
    LocalAPIProxyService service;
    const quint16 first = LoopbackClient::freePort();
    const quint16 second = LoopbackClient::freePort();
    service.startProxy(first);
    service.startProxy(second);
    ASSERT_TRUE(waitUntil([&] { return service.isRunning(); }));
    settle();
    EXPECT_EQ(printed.linesStartingWith(listeningPrefix), QStringList{listeningPrefix + QString::number(first)});
    EXPECT_TRUE(LoopbackClient(first).connected());
    EXPECT_FALSE(LoopbackClient(second).connected());
}

TEST_F(LocalAPIProxyTest, ABindConflictPrintsTheFailureAndLeavesTheProxyStopped)
{
    upstream = std::make_unique<LoopbackUpstream>(LoopbackUpstream::echo()); // holds 127.0.0.1:port
    LocalAPIProxyService service;
    service.startProxy(upstream->port());
    const QString failure = QStringLiteral("❌ Failed to bind local proxy: ") + proxyErrorText(EADDRINUSE);
    ASSERT_TRUE(waitUntil([&] { return printed.lines().contains(failure); }));
    settle();
    EXPECT_FALSE(service.isRunning());
    EXPECT_EQ(printed.lines(), QStringList{failure});

    // The failed start leaves nothing behind that would block the next one.
    service.startProxy(0);
    EXPECT_TRUE(waitUntil([&] { return service.isRunning(); }));
}

TEST_F(LocalAPIProxyTest, TheListenerIsReachableOnLoopbackOnly)
{
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::echo()));
    EXPECT_TRUE(LoopbackClient(port, QHostAddress(QHostAddress::LocalHost)).connected());
    if (ipv6LoopbackAvailable()) {
        EXPECT_TRUE(LoopbackClient(port, QHostAddress(QHostAddress::LocalHostIPv6)).connected());
    }

    int tried = 0;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.isLoopback() || address.isLinkLocal())
            continue;
        LoopbackClient outside(port, address);
        EXPECT_FALSE(outside.connected()) << address.toString().toStdString();
        EXPECT_EQ(outside.connectError(), ECONNREFUSED) << address.toString().toStdString();
        ++tried;
    }
    if (tried == 0)
        GTEST_SKIP() << "this machine has no address besides loopback";
}

TEST_F(LocalAPIProxyTest, BothSocketsOfAPairSendSmallWritesAtOnce)
{
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::echo()));
    LoopbackClient client(port);
    ASSERT_TRUE(client.send("ping"));
    ASSERT_EQ(client.read(4), "ping");

    // The proxy's sockets are this process's own: find them by their ports.
    const auto portOf = [](int fd, bool peer) -> int {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        const int result = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                                : ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        return result == 0 && address.sin_family == AF_INET ? ntohs(address.sin_port) : -1;
    };
    const auto noDelay = [](int fd) {
        int value = 0;
        socklen_t length = sizeof value;
        ::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &value, &length);
        return value != 0;
    };
    int clientSide = -1;
    int upstreamSide = -1;
    for (const QString& name : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System | QDir::Files)) {
        const int fd = name.toInt();
        if (portOf(fd, false) == port && portOf(fd, true) == client.localPort())
            clientSide = fd;
        else if (portOf(fd, true) == upstream->port())
            upstreamSide = fd;
    }
    ASSERT_NE(clientSide, -1);
    ASSERT_NE(upstreamSide, -1);
    EXPECT_TRUE(noDelay(clientSide));
    EXPECT_TRUE(noDelay(upstreamSide));
}

TEST_F(LocalAPIProxyTest, TheConnectionCapHoldsUnderTwoThousandRapidConnections)
{
    ProxySettings settings;
    settings.maxConnectionPairs = 32;
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::holdUntilEnd(), settings));
    const int baseline = LoopbackClient::openDescriptorCount();

    // Up to three times the cap held open at once, the oldest closed first;
    // those beyond the cap wait in the backlog (or, when every slot holds a
    // request the server has not answered, are told of the limit).
    std::deque<LoopbackClient> open;
    for (int i = 0; i < 2000; ++i) {
        LoopbackClient client(port);
        if (client.connected())
            client.send("GET /api/tags HTTP/1.1\r\n\r\n");
        open.push_back(std::move(client));
        if (open.size() > 96)
            open.pop_front();
    }
    open.clear();

    // Those beyond the cap waited their turn: every one is taken on and
    // reaches the server, unless it was told of the limit.
    EXPECT_TRUE(waitUntil([&] { return LoopbackClient::openDescriptorCount() == baseline; }, 30s))
        << LoopbackClient::openDescriptorCount() << " descriptors open, " << baseline << " before";
    // A sanitized build on a loaded machine takes its time over the last
    // ones: the waits end on the counts, the limits only on a failure.
    ASSERT_TRUE(waitUntil([&] { return upstream->openCount() == 0; }, 60s));
    EXPECT_TRUE(waitUntil([&] { return proxy->requestCount() == 2000; }, 60s)) << proxy->requestCount();
    const bool turnedAway = !printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy turned a client away")).isEmpty();
    // The server's accept loop may still be taking the last ones off its backlog.
    EXPECT_TRUE(waitUntil([&] { return upstream->acceptedCount() == 2000 || (turnedAway && upstream->acceptedCount() >= 32); }, 60s))
        << upstream->acceptedCount();
    EXPECT_LE(upstream->peakOpenCount(), 32);
    EXPECT_GE(upstream->peakOpenCount(), 1);
    EXPECT_FALSE(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy at its limit of 32 connections")).isEmpty());

    // Still relaying afterwards.
    LoopbackClient after(port);
    ASSERT_TRUE(after.send("GET / HTTP/1.1\r\n\r\n"));
    after.shutdownWrite();
    bool ended = false;
    EXPECT_EQ(after.readToEnd(&ended), QByteArray());
    EXPECT_TRUE(ended);
}

// Clients that connect and send nothing neither hold a slot for long nor
// lock a real request out when they fill every slot.
TEST_F(LocalAPIProxyTest, SilentClientsGiveWayToRealRequests)
{
    ProxySettings settings;
    settings.requestHeadTimeout = 300ms;
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::echo(), settings));

    std::vector<LoopbackClient> silent;
    for (int i = 0; i < settings.maxConnectionPairs; ++i)
        silent.emplace_back(port);
    settle();
    const auto started = std::chrono::steady_clock::now();
    LoopbackClient real(port);
    const QByteArray hello = "GET / HTTP/1.1\r\n\r\n";
    ASSERT_TRUE(real.send(hello));
    EXPECT_EQ(real.read(hello.size()), hello);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s); // the 300 ms time-out, with room for load
    bool ended = false;
    silent.front().readToEnd(&ended); // the oldest made room
    EXPECT_TRUE(ended);

    // The rest are closed once the time-out passes; the talking one stays.
    for (std::size_t i = 1; i < silent.size(); ++i) {
        ended = false;
        silent[i].readToEnd(&ended);
        EXPECT_TRUE(ended) << i;
    }
    ASSERT_TRUE(real.send("again"));
    EXPECT_EQ(real.read(5), "again");
}

TEST_F(LocalAPIProxyTest, ShutdownJoinsTheRelayThreadAndClosesEverySocket)
{
    upstream = std::make_unique<LoopbackUpstream>(LoopbackUpstream::echo());
    const int baseline = LoopbackClient::openDescriptorCount();
    {
        std::vector<LoopbackClient> clients;
        ASSERT_NO_FATAL_FAILURE(startProxy(upstream->port()));
        for (int i = 0; i < 3; ++i) {
            clients.emplace_back(port);
            ASSERT_TRUE(clients.back().send("hello"));
            ASSERT_EQ(clients.back().read(5), "hello");
        }
        clients.emplace_back(port); // accepted, nothing sent yet
        proxy->shutdown();
        EXPECT_FALSE(proxy->isRunning());
        for (LoopbackClient& client : clients) {
            bool ended = false;
            client.readToEnd(&ended);
            EXPECT_TRUE(ended);
        }
    }
    ASSERT_TRUE(waitUntil([&] { return upstream->openCount() == 0; }));
    EXPECT_EQ(LoopbackClient::openDescriptorCount(), baseline);

    printed.clear();
    proxy->startProxy(port);
    settle();
    EXPECT_FALSE(proxy->isRunning());
    EXPECT_TRUE(printed.lines().isEmpty());
    EXPECT_EQ(LoopbackClient::openDescriptorCount(), baseline);
}

// The relay moves bytes with splice(2) by default and copies through user
// space when it cannot get a pipe; both paths run every case below.
class LocalAPIProxyRelayTest : public LocalAPIProxyTest, public ::testing::WithParamInterface<bool> {
protected:
    ProxySettings settings() const
    {
        ProxySettings settings;
        settings.spliceRelay = GetParam();
        return settings;
    }
};

INSTANTIATE_TEST_SUITE_P(SpliceAndCopy, LocalAPIProxyRelayTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "splice" : "copy"; });

TEST_P(LocalAPIProxyRelayTest, A64MiBRandomStreamArrivesByteExactBothWays)
{
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::echo(), settings()));
    QByteArray data(64 << 20, Qt::Uninitialized);
    QRandomGenerator(1234).fillRange(reinterpret_cast<quint32*>(data.data()), data.size() / 4);

    LoopbackClient client(port);
    ASSERT_TRUE(client.connected());
    bool sent = false;
    std::thread sender([&] {
        sent = client.send(data);
        client.shutdownWrite();
    });
    bool ended = false;
    const QByteArray echoed = client.readToEnd(&ended);
    sender.join();
    EXPECT_TRUE(sent);
    EXPECT_TRUE(ended);
    ASSERT_EQ(echoed.size(), data.size());
    EXPECT_TRUE(echoed == data);
}

TEST_P(LocalAPIProxyRelayTest, PeersThatResetNeverRaiseSigpipe)
{
    static std::atomic<int> sigpipes;
    sigpipes = 0;
    struct sigaction counting {};
    counting.sa_handler = [](int) { ++sigpipes; };
    sigemptyset(&counting.sa_mask);
    struct sigaction previous {};
    sigaction(SIGPIPE, &counting, &previous);

    {
        // The client resets while a long answer streams towards it. After
        // its own end (half-closed) a reset makes the next write fail with
        // EPIPE, the error that comes with the signal.
        LoopbackUpstream streaming(LoopbackUpstream::streamAfterRequest(qint64(1) << 30));
        ASSERT_NO_FATAL_FAILURE(startProxy(streaming.port(), settings()));
        for (int i = 0; i < 10; ++i) {
            LoopbackClient client(port);
            ASSERT_TRUE(client.send("GET /stream HTTP/1.1\r\n\r\n"));
            if (i % 2 == 0)
                client.shutdownWrite();
            EXPECT_EQ(client.read(1 << 20).size(), 1 << 20);
            client.reset();
        }
        EXPECT_TRUE(waitUntil([&] { return streaming.openCount() == 0; }));
        proxy.reset();
        printed.clear();
    }
    {
        // The model server resets after the request; the client is told by
        // a reset, not a signal.
        LoopbackUpstream resetting(LoopbackUpstream::resetAfterRequest());
        ASSERT_NO_FATAL_FAILURE(startProxy(resetting.port(), settings()));
        LoopbackClient client(port);
        ASSERT_TRUE(client.send("GET / HTTP/1.1\r\n\r\n"));
        EXPECT_EQ(client.readToEnd(), QByteArray());
        proxy.reset();
    }
    sigaction(SIGPIPE, &previous, nullptr);
    EXPECT_EQ(sigpipes.load(), 0);
}
