#include "core/Print.h"
#include "localai/ProxyErrorText.h"
#include "localai/ProxyPairCap.h"
#include "localai/ProxyRoom.h"
#include "platform/OpenDescriptorCount.h"
#include "platform/SocketTable.h"

#include "LocalAPIProxyFixture.h"
#include "fakes/FakeModelServer.h"
#include "fakes/StoppableServer.h"

#include <QScopeGuard>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

using LocalAPIProxyLimitsTest = LocalAPIProxyTest;

namespace {

// Takes what has come without waiting; whether the peer has ended or reset.
bool peerGone(const LoopbackClient& client, QByteArray& received)
{
    for (char buffer[4096];;) {
        const ssize_t n = ::recv(client.fd(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (n <= 0)
            return n == 0 || errno != EAGAIN;
        received.append(buffer, n);
    }
}

// Sends `request` and reads its answer whole (by its Content-Length, else to
// the close): empty when the connection ended before a byte came.
QByteArray answerTo(const LoopbackClient& client, const QByteArray& request)
{
    QByteArray got;
    if (!client.send(request))
        return got;
    for (char buffer[4096];;) {
        const qsizetype headEnd = got.indexOf("\r\n\r\n");
        const qsizetype length = got.indexOf("Content-Length: ");
        if (headEnd >= 0 && length >= 0 && length < headEnd
            && got.size() >= headEnd + 4 + got.mid(length + 16, got.indexOf('\r', length) - length - 16).toLongLong())
            return got;
        const ssize_t n = ::recv(client.fd(), buffer, sizeof buffer, 0);
        if (n <= 0)
            return got;
        got.append(buffer, n);
    }
}

// A whole answer with a body of `size` bytes.
QByteArray answerOf(qsizetype size)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(size) + "\r\n\r\n"
        + QByteArray(size, 'x');
}

} // namespace

TEST(ProxyPairCap, AQuarterOfTheDescriptorLimitWithinBounds)
{
    const struct {
        std::uint64_t limit;
        int pairs;
    } cases[] = {{0, 16}, {256, 16}, {1024, 64}, {4096, 256}, {16384, 1024}, {1048576, 1024}};
    for (const auto& c : cases)
        EXPECT_EQ(proxyPairCap(c.limit), c.pairs) << c.limit;
}

TEST(ProxyRoom, PairsComeOnlyFromTheDescriptorsFreeBeyondTheReserve)
{
    EXPECT_EQ(ProxyRoom::reserve(64), 8);
    EXPECT_EQ(ProxyRoom::reserve(std::uint64_t(1) << 20), 256);
    const struct { ProxyRoom::Held held; std::uint64_t limit; int open, pairLimit, morePipes, moreWaiting; bool closeIdlePipes; } cases[] = {
        {{}, 64, 53, 1, 0, 1, false},          // the app holds 53 of 64: one pair beside the reserve of 8, one to wait
        {{}, 256, 40, 16, 68, 16, false},      // plenty: the cap binds, pipes get what pairs and waiting would not use
        {{4, 2, 0}, 64, 50, 6, 0, 0, false},   // pairs still to open their upstream socket count
        {{4, 0, 3}, 64, 56, 7, 0, 0, true},    // idle pipes give way to pairs
        {{6, 0, 0}, 64, 64, 6, 0, 0, false},   // more held than fit: none taken, none cut
        {{3, 0, 2}, 1024, -1, 3, 0, 0, true},  // no listing: no descriptor free
        {{16, 0, 0, 0}, 256, 120, 16, 44, 16, false}, // at the cap: as many may wait as the cap
        {{16, 0, 0, 10}, 256, 120, 16, 49, 6, false}, // those waiting or closing count
        {{16, 0, 0, 0}, 256, 220, 16, 0, 4, false},   // the waiting room shrinks to the descriptors free
        {{10, 0, 0, 0}, 64, 55, 10, 0, 1, false},     // a pair needs two: the one left may wait
    };
    for (const auto& c : cases) {
        const ProxyRoom room(16, c.held, c.limit, c.open);
        EXPECT_EQ(room.pairLimit(), c.pairLimit) << c.open;
        EXPECT_EQ(room.morePipes(), c.morePipes) << c.open;
        EXPECT_EQ(room.moreWaiting(), c.moreWaiting) << c.open;
        EXPECT_EQ(room.closeIdlePipes(), c.closeIdlePipes) << c.open;
    }
}

TEST_F(LocalAPIProxyLimitsTest, TricklingClientsAtTheCapLetAnHonestRequestInWithinSeconds)
{
    ProxySettings settings;
    settings.maxConnectionPairs = 128;
    settings.serverSilenceAtCap = 500ms;
    settings.requestWaitAtCap = 1min; // the silence rule alone, however long a loaded machine takes to set up
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::echo(), settings));

    std::vector<LoopbackClient> tricklers;
    for (int i = 0; i < 128; ++i) {
        tricklers.emplace_back(port);
        ASSERT_TRUE(tricklers.back().send("P"));
        ASSERT_EQ(tricklers.back().read(1), "P");
    }
    // One byte from each in turn, each one every 1.5 s or so.
    std::atomic<bool> done{false};
    std::thread trickle([&] {
        while (!done) {
            for (LoopbackClient& client : tricklers) {
                if (done)
                    break;
                client.send("O");
                std::this_thread::sleep_for(12ms);
            }
        }
    });

    const auto started = std::chrono::steady_clock::now();
    LoopbackClient honest(port); // waits in the backlog: not reset
    ASSERT_TRUE(honest.connected());
    const QByteArray asked = request(R"({"model": "llama3"})");
    ASSERT_TRUE(honest.send(asked));
    EXPECT_EQ(honest.read(asked.size()), asked);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 4s); // 0.5 s expected
    done = true;
    trickle.join();
    // One line each time the cap is reached, not one per waiting client.
    const qsizetype gaveWay = printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy closed a connection whose model server")).size();
    EXPECT_GE(gaveWay, 1);
    EXPECT_LE(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy at its limit of 128 connections")).size(), 1 + gaveWay);
}

// Cap 16: twelve requests the server holds unanswered, then four clients (the three with small answers through small
// receive buffers) whose answers come whole, the end 0.5 s after the start, and are read late while four more
// clients wait. The silence bound is scaled down tenfold (1 s; the answers read 2.5 s after the others came, 25 s
// scaled): an answer the proxy holds, or that waits in the client's socket, is never cut to make room.
TEST_F(LocalAPIProxyLimitsTest, AnswersWaitingForSlowReadersAtTheCapAreNeverCut)
{
    ProxySettings settings;
    settings.maxConnectionPairs = 16;
    settings.serverSilenceAtCap = 1s;
    const std::vector<QByteArray> answers = {answerOf(6000), answerOf(20 << 10), answerOf(60 << 10), answerOf(2800 << 10)};
    ASSERT_NO_FATAL_FAILURE(startInFrontOf([answers](int fd) {
        const QByteArray asked = LoopbackUpstream::readSome(fd);
        const qsizetype slow = asked.indexOf("GET /slow/");
        if (slow >= 0) { // the rest of the answer half a second after its start
            const QByteArray& answer = answers.at(asked.at(slow + 10) - '0');
            LoopbackUpstream::writeAll(fd, answer.constData(), 1024);
            std::this_thread::sleep_for(500ms);
            LoopbackUpstream::writeAll(fd, answer.constData() + 1024, answer.size() - 1024);
        }
        LoopbackUpstream::holdUntilEnd()(fd);
    }, settings));
    std::vector<LoopbackClient> held, slowReaders, waiting;
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(held.emplace_back(port).send(request(R"({"model": "llama3"})")));
    ASSERT_TRUE(waitUntil([&] { return upstream->acceptedCount() == 12; }));
    for (std::size_t i = 0; i < answers.size(); ++i) {
        // Small buffers for the small answers; through one, a large answer would crawl a window probe at a time.
        const LoopbackClient& client =
            slowReaders.emplace_back(port, QHostAddress(QHostAddress::LocalHost), answers[i].size() < (1 << 20) ? 2048 : 0);
        ASSERT_TRUE(client.send("GET /slow/" + QByteArray::number(i) + " HTTP/1.1\r\nHost: localhost\r\n\r\n"));
    }
    ASSERT_TRUE(waitUntil([&] { return upstream->acceptedCount() == 16; }));
    std::this_thread::sleep_for(1s); // the answers' ends have come
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(waiting.emplace_back(port).send(request(R"({"model": "llama3"})")));
    std::this_thread::sleep_for(2500ms);
    for (std::size_t i = 0; i < answers.size(); ++i) {
        const QByteArray got = slowReaders[i].read(answers[i].size());
        EXPECT_TRUE(got == answers[i]) << got.size() << " bytes of a " << answers[i].size() << "-byte answer";
    }
    // Not even as a connection at rest: each answer waited in the proxy or in the client's socket until it was read.
    EXPECT_TRUE(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy closed")).isEmpty())
        << printed.lines().join(u'\n').toStdString();
}

// Cap 2: one request the server holds, and a client that reads nothing of its answer. A newcomer hears of the limit
// at once; only once nothing has moved on that connection for the bound (2 s here, 60 s by default) does it give
// way, with a line that says why.
TEST_F(LocalAPIProxyLimitsTest, AClientThatReadsNothingOfItsAnswerGivesWayOnlyAfterTheBound)
{
    ProxySettings settings;
    settings.maxConnectionPairs = 2;
    settings.unreadAnswerAtCap = 2s;
    const QByteArray answer = answerOf(65536);
    const QByteArray ps = "GET /api/ps HTTP/1.1\r\nHost: localhost\r\n\r\n";
    ASSERT_NO_FATAL_FAILURE(startInFrontOf([answer](int fd) {
        if (LoopbackUpstream::readSome(fd).startsWith("GET "))
            LoopbackUpstream::writeAll(fd, answer.constData(), answer.size());
        LoopbackUpstream::holdUntilEnd()(fd);
    }, settings));
    const LoopbackClient held(port);
    ASSERT_TRUE(held.send(request(R"({"model": "llama3"})")));
    const LoopbackClient unread(port, QHostAddress(QHostAddress::LocalHost), 2048);
    ASSERT_TRUE(unread.send(ps));
    ASSERT_TRUE(waitUntil([&] { return upstream->acceptedCount() == 2; }));

    const auto asked = std::chrono::steady_clock::now();
    const LoopbackClient early(port);
    ASSERT_TRUE(early.send(ps));
    const QByteArray told = early.readToEnd();
    const bool inTime = std::chrono::steady_clock::now() - asked < 1s; // judged only then, which load may prevent
    EXPECT_TRUE(!inTime || told.startsWith("HTTP/1.1 503 ")) << told.toStdString();
    EXPECT_TRUE(waitUntil([&] {
        const LoopbackClient late(port);
        return late.send(ps) && late.read(answer.size()) == answer;
    }, 30s));
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 2s);
    EXPECT_EQ(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy closed a connection whose client had read nothing "
                                                       "of its answer for 2 s, to let a waiting client in")).size(), 1);
    EXPECT_EQ(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy closed")).size(), 1);
}

TEST_F(LocalAPIProxyLimitsTest, AbandonedPairsCloseAfterTheStoppedServersSilence)
{
    StoppableServer server; // forked before the proxy's sockets exist
    ASSERT_TRUE(server.running());
    ProxySettings settings;
    settings.serverSilenceAfterClientEnd = 1s;
    ASSERT_NO_FATAL_FAILURE(startProxy(server.port(), settings));
    ASSERT_TRUE(server.stop());
    const int baseline = LoopbackClient::openDescriptorCount();

    for (int i = 0; i < 30; ++i) {
        LoopbackClient client(port);
        ASSERT_TRUE(client.send(request(R"({"model": "llama3"})")));
        if (i % 2 == 0)
            client.shutdownWrite(); // half the clients half-close first
    } // and every one goes away
    // Both sockets of each pair are held while the server might still answer...
    EXPECT_TRUE(waitUntil([&] { return LoopbackClient::openDescriptorCount() >= baseline + 60; }))
        << LoopbackClient::openDescriptorCount() - baseline << " more descriptors than before";
    // ...and closed once it has been silent for the bound.
    EXPECT_TRUE(waitUntil([&] { return LoopbackClient::openDescriptorCount() == baseline; }, 6s))
        << LoopbackClient::openDescriptorCount() - baseline << " more descriptors than before";
}

TEST_F(LocalAPIProxyLimitsTest, AServerResetMidAnswerReachesTheClientAsAReset)
{
    const QByteArray partial = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n{\"response\": \"He";
    ASSERT_NO_FATAL_FAILURE(startInFrontOf([&partial](int fd) {
        LoopbackUpstream::readSome(fd);
        LoopbackUpstream::writeAll(fd, partial.constData(), partial.size());
        std::this_thread::sleep_for(100ms); // the relay passes the part on first
        const linger abort{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }));
    LoopbackClient client(port);
    ASSERT_TRUE(client.send(request(R"({"model": "llama3"})")));
    EXPECT_EQ(client.read(partial.size()), partial);
    char byte;
    EXPECT_EQ(::recv(client.fd(), &byte, 1, 0), -1);
    EXPECT_EQ(errno, ECONNRESET);
}

TEST_F(LocalAPIProxyLimitsTest, RefusedConnectionsPrintAHandfulOfLines)
{
    ASSERT_NO_FATAL_FAILURE(startProxy(LoopbackClient::freePort()));
    printed.clear();
    for (int i = 0; i < 200; ++i) {
        LoopbackClient client(port);
        ASSERT_TRUE(client.send(request(R"({"model": "llama3"})")));
        client.readToEnd(); // the 503 reply
    }
    EXPECT_TRUE(countReaches(200));
    proxy->stopProxy();
    const QStringList lines = printed.lines();
    EXPECT_LE(lines.size(), 5) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines.first(),
              QStringLiteral("❌ Local Ollama (11434) is offline or unavailable: ") + proxyErrorText(ECONNREFUSED));
    EXPECT_TRUE(lines.contains(kestrova::repeatedLine(199)));
}

// Resets alternating with refused requests: each kind of line a few times a second, then a count.
TEST_F(LocalAPIProxyLimitsTest, ResetsAlternatingWithRefusedRequestsPrintAFewLinesASecond)
{
    ASSERT_NO_FATAL_FAILURE(startProxy(LoopbackClient::freePort()));
    printed.clear();
    const auto started = std::chrono::steady_clock::now();
    int pairs = 0;
    for (; std::chrono::steady_clock::now() - started < 3s; ++pairs) {
        LoopbackClient(port).reset();
        LoopbackClient plain(port);
        ASSERT_TRUE(plain.send(request(R"({"model": "llama3"})")));
        plain.readToEnd(); // the 503 reply
    }
    EXPECT_TRUE(countReaches(2 * pairs));
    const int secondsBegun = int((std::chrono::steady_clock::now() - started) / 1s) + 1;
    for (const QString& kind : {QStringLiteral("❌ Inbound connection read error: "),
                                QStringLiteral("❌ Local Ollama (11434) is offline or unavailable: ")}) {
        EXPECT_FALSE(printed.linesStartingWith(kind).isEmpty()) << kind.toStdString();
        EXPECT_LE(printed.linesStartingWith(kind).size(), 5 * secondsBegun) << kind.toStdString();
        EXPECT_FALSE(printed.lines().filter(QStringLiteral(" more lines like \"") + kind).isEmpty()) << kind.toStdString();
    }
    EXPECT_LE(printed.lines().size(), 2 * 6 * secondsBegun);
}

// Production time-outs: a head unfinished 10 s after connecting is closed with a 408, however it trickles.
TEST_F(LocalAPIProxyLimitsTest, AnUnfinishedRequestHeadIsClosedTenSecondsAfterConnectingWithAReason)
{
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::holdUntilEnd()));
    const struct {
        QByteArray sent;    // at once
        QByteArray trickle; // then a byte of it a second
        bool closed;
    } cases[] = {
        {"POST /api/generate HTTP/1.1\r\nHost: localhost\r\nX-Slow: ", "aaaaaaaaa", true},
        {request(R"({"model": "llama3"})"), "", false},
        {"GET /api/tags HTTP/1.1\nHost: localhost\n\n", "", false},
        {"GET /api/tags HTTP/1.1\r\nHost: localhost\r", "\n\r\n", false},
    };
    const QByteArray timedOut = "HTTP/1.1 408 Request Timeout\r\nContent-Type: application/json\r\nContent-Length: 108\r\nConnection: close\r\n\r\n"
        R"({"error": "Request headers not complete within 10 s of connecting; closed by the Kestrova local API proxy."})";
    const auto connecting = std::chrono::steady_clock::now(); // the proxy's ten seconds start after this
    std::vector<LoopbackClient> clients;
    for (const auto& c : cases) {
        clients.emplace_back(port);
        ASSERT_TRUE(clients.back().send(c.sent));
    }
    const auto started = std::chrono::steady_clock::now();
    for (int second = 1; second <= 9; ++second) {
        std::this_thread::sleep_until(started + second * 1s);
        for (std::size_t i = 0; i < clients.size(); ++i)
            clients[i].send(cases[i].trickle.mid(second - 1, 1));
    }
    // Nothing is closed before the ten seconds (judged if this look comes in time, which load may prevent); then
    // the unfinished head is closed with its reason (waited for, however slow the machine), the others not.
    std::this_thread::sleep_until(started + 9500ms);
    const bool inTime = std::chrono::steady_clock::now() < connecting + 10s;
    for (const bool late : {false, true}) {
        for (std::size_t i = 0; i < clients.size() && (late || inTime); ++i) {
            QByteArray received;
            const bool closed = late && cases[i].closed;
            const auto gone = [&] { return peerGone(clients[i], received); };
            EXPECT_EQ(closed ? waitUntil(gone, 30s) : gone(), closed) << i << (late ? " late" : " before ten seconds");
            EXPECT_EQ(received, closed ? timedOut : QByteArray()) << i;
        }
    }
    // The line is printed just after the answer is sent, so a client may read it first.
    const auto closedLines = [&] {
        return printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy closed a client whose request headers were not complete within 10 s")).size();
    };
    waitUntil([&] { return closedLines() > 0; });
    EXPECT_EQ(closedLines(), 1);
    EXPECT_TRUE(waitUntil([&] { return upstream->openCount() == 3; }));
}

// Under a lowered descriptor limit, the cap and eight more clients trickle a head byte every 1.5 s:
// an honest request is answered within 15 s, the cap holds, and a client that gave way is told why.
TEST_F(LocalAPIProxyLimitsTest, TricklersBeyondTheCapOfALoweredDescriptorLimitLetHonestRequestsIn)
{
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    const rlimit lowered{std::min<rlim_t>(256, saved.rlim_max), saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const auto restore = qScopeGuard([&saved] { ::setrlimit(RLIMIT_NOFILE, &saved); });
    const ProxySettings settings; // the production values, the cap from the limit
    ASSERT_EQ(settings.maxConnectionPairs, 16);
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::answerAfterEnd("{}"), settings));
    const int baseline = LoopbackClient::openDescriptorCount();
    // Pairs the proxy holds, as the kernel tells at once: the stand-in may see a close late on a loaded machine.
    std::atomic<int> peakPairs = 0;
    std::jthread pairs([&](std::stop_token stop) {
        for (; !stop.stop_requested(); std::this_thread::sleep_for(5ms))
            peakPairs = std::max<int>(peakPairs, std::ranges::count(SocketTable().read(TcpSocket::established),
                                                                    upstream->port(), &TcpSocket::remotePort));
    });

    std::vector<LoopbackClient> tricklers(settings.maxConnectionPairs + 8);
    for (LoopbackClient& trickler : tricklers) {
        trickler = LoopbackClient(port);
        ASSERT_TRUE(trickler.send("POST /api/generate HTTP/1.1\r\nHost: localhost\r\n"));
    }
    std::jthread trickle([&](std::stop_token stop) { // a byte from each every 1.5 s
        for (int tick = 1; !stop.stop_requested(); ++tick, std::this_thread::sleep_for(100ms)) {
            for (LoopbackClient& trickler : tricklers)
                if (tick % 15 == 0)
                    trickler.send("X");
        }
    });
    std::this_thread::sleep_for(2s); // every slot taken, eight in the backlog
    const auto asked = std::chrono::steady_clock::now();
    LoopbackClient honest(port); // waits in the backlog behind them
    ASSERT_TRUE(honest.send(request(R"({"model": "llama3"})")));
    honest.shutdownWrite();
    QByteArray answer;
    for (bool ended = false; !ended && std::chrono::steady_clock::now() - asked < 20s;)
        answer += honest.readToEnd(&ended); // five seconds a read at most
    EXPECT_EQ(answer, "{}");
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 15s);
    trickle.request_stop();
    trickle.join();

    QByteArray told;
    for (const LoopbackClient& trickler : tricklers)
        peerGone(trickler, told);
    EXPECT_TRUE(told.contains("Request headers not complete while other clients waited at the connection limit"));
    EXPECT_LE(peakPairs, settings.maxConnectionPairs); // all the clients at once would be cap + 9
    EXPECT_GE(peakPairs, settings.maxConnectionPairs - 2);
    tricklers.clear();
    honest.close();
    EXPECT_TRUE(waitUntil([&] { return LoopbackClient::openDescriptorCount() <= baseline; }, 15s));
}

// Keep-alive and body tricklers fill the room (under the cap) of a low descriptor limit, then give way to an honest request.
TEST_F(LocalAPIProxyLimitsTest, TricklersFillTheDescriptorRoomAndGiveWayToAnHonestRequest)
{
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    const auto restore = qScopeGuard([&saved] { ::setrlimit(RLIMIT_NOFILE, &saved); });
    rlimit lowered{std::min<rlim_t>(256, saved.rlim_max), saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const ProxySettings settings; // the production values, the cap from the limit
    ASSERT_EQ(settings.maxConnectionPairs, 16);
    const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}";
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::answerBodilessRequest(answer), settings));
    const int baseline = openDescriptorCount();
    lowered.rlim_cur = rlim_t(baseline + 64); // about a dozen pairs of four: client, proxy's two, stand-in's
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);

    const QByteArray whole = "GET /api/tags HTTP/1.1\r\nHost: localhost\r\n\r\n";
    const QByteArray endlessBody = "POST /api/generate HTTP/1.1\r\nHost: localhost\r\nContent-Length: 1000000\r\n\r\n{";
    std::vector<LoopbackClient> tricklers;
    const auto full = [&] { return printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy at its limit of ")); };
    while (full().isEmpty()) { // taken on one by one until the room is full
        ASSERT_LT(tricklers.size(), std::size_t(settings.maxConnectionPairs));
        const bool keptAlive = tricklers.size() % 2 == 0;
        ASSERT_TRUE(tricklers.emplace_back(port).send(keptAlive ? whole : endlessBody));
        ASSERT_TRUE(waitUntil([&] { return upstream->acceptedCount() == int(tricklers.size()) || !full().isEmpty(); }, 30s));
        // A kept-alive client has its answer, then trickles its next request: never at rest, it cannot give way at once.
        if (keptAlive && upstream->acceptedCount() == int(tricklers.size())) {
            ASSERT_EQ(tricklers.back().read(answer.size()), answer);
            ASSERT_TRUE(tricklers.back().send("x"));
        }
    }
    EXPECT_LT(full().first().section(u' ', 8, 8).toInt(), settings.maxConnectionPairs) << full().first().toStdString();
    for (int i = 0; i < 4; ++i) // more wait in the backlog
        ASSERT_TRUE(tricklers.emplace_back(port).send(endlessBody));
    std::jthread trickle([&](std::stop_token stop) { // a byte from each every 1.5 s
        for (; !stop.stop_requested(); std::this_thread::sleep_for(1500ms))
            for (LoopbackClient& trickler : tricklers)
                trickler.send("x");
    });
    const auto patiently = [](const LoopbackClient& client) { // a read waits up to a minute
        const timeval minute{60, 0};
        return ::setsockopt(client.fd(), SOL_SOCKET, SO_RCVTIMEO, &minute, sizeof minute) == 0;
    };
    LoopbackClient honest(port); // behind the tricklers in the backlog: answered in about 10 s
    ASSERT_TRUE(patiently(honest) && honest.send(whole));
    EXPECT_EQ(honest.read(answer.size()), answer);
    trickle.request_stop();
    trickle.join();
    QByteArray told;
    for (const LoopbackClient& trickler : tricklers)
        peerGone(trickler, told);
    EXPECT_TRUE(told.contains("The model server sent nothing for 10 s while other clients waited at the connection limit"));

    // No pair left and the rest of the process holding all but the reserve: the client hears of the limit.
    tricklers.clear();
    honest.close();
    ASSERT_TRUE(waitUntil([&] { return openDescriptorCount() <= baseline; }, 20s)) << openDescriptorCount() - baseline;
    {
        std::vector<int> held;
        const auto release = qScopeGuard([&held] { for (const int fd : held) ::close(fd); });
        // One left beside the reserve for the client's own socket (in this process too), one for the proxy's.
        while (openDescriptorCount() < int(lowered.rlim_cur) - ProxyRoom::reserve(lowered.rlim_cur) - 2)
            ASSERT_GE(held.emplace_back(::open("/dev/null", O_RDONLY | O_CLOEXEC)), 0);
        LoopbackClient beyond(port);
        ASSERT_TRUE(beyond.send(whole));
        EXPECT_EQ(beyond.readToEnd(), "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nContent-Length: 88\r\nConnection: close\r\n\r\n"
                                      R"({"error": "The Kestrova local API proxy is at its connection limit; try again shortly."})");
    }
    LoopbackClient after(port);
    ASSERT_TRUE(patiently(after) && after.send(whole));
    EXPECT_EQ(after.read(answer.size()), answer);
    EXPECT_EQ(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy turned a client away at its connection limit: too few free file descriptors")).size(), 1);
    EXPECT_TRUE(printed.linesStartingWith(QStringLiteral("❌ Local Ollama (11434) is offline")).isEmpty());
}

// At the cap of a lowered descriptor limit, chatty kept-alive clients (a request every 0.9 s, the silence
// bound 1 s: the user's 9 s against 10 s, scaled down tenfold) give way between requests. An honest client
// is answered within 1.5 s (15 s scaled), or told of the limit at once when every connection is answering;
// a request sent in full is never cut, however long its server is silent.
TEST_F(LocalAPIProxyLimitsTest, ChattyKeptAliveClientsAtTheCapGiveWayBetweenRequests)
{
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    const rlimit lowered{std::min<rlim_t>(256, saved.rlim_max), saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const auto restore = qScopeGuard([&saved] { ::setrlimit(RLIMIT_NOFILE, &saved); });
    ProxySettings settings;
    ASSERT_EQ(settings.maxConnectionPairs, 16);
    settings.serverSilenceAtCap = 1s;
    const QByteArray ps = "GET /api/ps HTTP/1.1\r\nHost: localhost\r\n\r\n";
    const QByteArray generate = request(R"({"model": "llama3"})");
    const QByteArray atLimit = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nContent-Length: 88\r\nConnection: close\r\n\r\n"
        R"({"error": "The Kestrova local API proxy is at its connection limit; try again shortly."})";
    const struct {
        int chatty; // asking every 0.9 s on one connection, again on a new one once it was closed at rest
        int slow;   // one request each, answered after 3 s of silence, asked before the chatty start
    } cases[] = {{24, 0}, {20, 4}, {0, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.chatty << " chatty, " << c.slow << " slow");
        FakeModelServer server;
        server.answerPs(200, "{\"models\":[]}");
        server.setGenerateAnswer({200, "{\"done\":true}", 3s, false, {}});
        const QByteArray psAnswer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 13\r\n"
                                    "Connection: keep-alive\r\n\r\n{\"models\":[]}";
        ASSERT_NO_FATAL_FAILURE(startProxy(server.port(), settings));
        printed.clear();
        std::atomic<int> answered = 0, turnedAway = 0, cut = 0, ended = 0;
        const auto ask = [&](LoopbackClient& client, const QByteArray& asked) {
            QByteArray answer = answerTo(client, asked);
            if (answer.isEmpty()) // closed at rest before the request came in
                answer = answerTo(client = LoopbackClient(port), asked);
            (answer.endsWith("}") && answer.startsWith("HTTP/1.1 200 ") ? answered : answer == atLimit ? turnedAway : cut)++;
            return answer;
        };
        std::vector<std::jthread> clients;
        for (int i = 0; i < c.slow; ++i)
            clients.emplace_back([&](std::stop_token) {
                LoopbackClient client(port);
                ask(client, generate);
                ++ended;
            });
        ASSERT_TRUE(waitUntil([&] { return server.generateBodies().size() == c.slow; }, 10s));
        for (int i = 0; i < c.chatty; ++i)
            clients.emplace_back([&](std::stop_token stop) {
                for (LoopbackClient client(port); !stop.stop_requested(); std::this_thread::sleep_for(900ms))
                    ask(client, ps);
                ++ended;
            });
        waitUntil([] { return false; }, 2s); // every slot taken, the rest waiting, a couple of rounds

        for (int honest = 0; honest < 3; ++honest) {
            std::atomic<bool> done = false;
            QByteArray answer;
            const auto asked = std::chrono::steady_clock::now();
            std::jthread thread([&] {
                LoopbackClient client(port);
                answer = answerTo(client, ps);
                done = true;
            });
            ASSERT_TRUE(waitUntil([&] { return done.load(); }, 20s));
            EXPECT_EQ(answer, c.chatty > 0 ? psAnswer : atLimit) << honest;
            EXPECT_LT(std::chrono::steady_clock::now() - asked, 1500ms) << honest;
            answered += answer == psAnswer ? 1 : 0;
        }
        for (std::jthread& client : clients)
            client.request_stop();
        EXPECT_TRUE(waitUntil([&] { return ended == c.chatty + c.slow; }, 20s));
        clients.clear();
        // Every request that reached the server came back whole; none was cut short.
        EXPECT_EQ(cut, 0);
        EXPECT_EQ(answered, server.requests().size());
        EXPECT_GE(answered, c.slow + 2 * c.chatty) << turnedAway << " turned away"; // none starved
        if (c.chatty > 0)
            EXPECT_FALSE(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy closed a kept-alive connection at rest")).isEmpty());
        else
            EXPECT_FALSE(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy turned a client away at its connection limit: every connection is answering a request")).isEmpty());
        EXPECT_TRUE(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy closed a connection whose model server")).isEmpty());
        proxy.reset();
    }
}
