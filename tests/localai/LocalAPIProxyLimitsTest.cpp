#include "core/Print.h"
#include "localai/ProxyErrorText.h"
#include "localai/ProxyPairCap.h"

#include "LocalAPIProxyFixture.h"
#include "fakes/StoppableServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <iostream>
#include <thread>
#include <vector>

using LocalAPIProxyLimitsTest = LocalAPIProxyTest;

TEST(ProxyPairCap, AQuarterOfTheDescriptorLimitWithinBounds)
{
    const struct {
        std::uint64_t limit;
        int pairs;
    } cases[] = {{0, 16}, {256, 16}, {1024, 64}, {4096, 256}, {16384, 1024}, {1048576, 1024}};
    for (const auto& c : cases)
        EXPECT_EQ(proxyPairCap(c.limit), c.pairs) << c.limit;
}

TEST_F(LocalAPIProxyLimitsTest, TricklingClientsAtTheCapLetAnHonestRequestInWithinTwoSeconds)
{
    ProxySettings settings;
    settings.maxConnectionPairs = 128;
    settings.idleTimeoutAtCap = 500ms;
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
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    done = true;
    trickle.join();
    EXPECT_EQ(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy at its limit of 128 connections")).size(), 1);
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

// Clients that reset before their first read alternate with plain requests
// that get the 503 reply: two kinds of line, neither one a repeat of the line
// before it. Each kind goes out a few times a second, then as a count.
TEST_F(LocalAPIProxyLimitsTest, ResetsAlternatingWithRefusedRequestsPrintAFewLinesASecond)
{
    ASSERT_NO_FATAL_FAILURE(startProxy(LoopbackClient::freePort()));
    printed.clear();
    const auto started = std::chrono::steady_clock::now();
    int pairs = 0;
    for (; std::chrono::steady_clock::now() - started < 3s; ++pairs) {
        LoopbackClient resetting(port);
        resetting.reset();
        LoopbackClient plain(port);
        ASSERT_TRUE(plain.send(request(R"({"model": "llama3"})")));
        plain.readToEnd(); // the 503 reply
    }
    EXPECT_TRUE(countReaches(2 * pairs));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const QStringList lines = printed.lines();
    const auto readErrors = printed.linesStartingWith(QStringLiteral("❌ Inbound connection read error: "));
    const auto offline = printed.linesStartingWith(QStringLiteral("❌ Local Ollama (11434) is offline or unavailable: "));
    EXPECT_FALSE(readErrors.isEmpty());
    EXPECT_FALSE(offline.isEmpty());
    // Five of each kind a second and one count each: thousands of lines
    // became a few dozen.
    const int secondsStarted = int(seconds) + 1;
    EXPECT_LE(readErrors.size(), 5 * secondsStarted);
    EXPECT_LE(offline.size(), 5 * secondsStarted);
    EXPECT_LE(lines.size(), 2 * 6 * secondsStarted) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_LE(lines.join(QLatin1Char('\n')).toUtf8().size(), 2 * 6 * secondsStarted * 140);
    std::cout << lines.size() << " lines for " << 2 * pairs << " clients in " << seconds << " s\n";
}
