#include "localai/ProxyRoom.h"
#include "platform/OpenDescriptorCount.h"

#include "LocalAPIProxyFixture.h"

#include <QScopeGuard>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>

#include <stop_token>
#include <thread>
#include <vector>

namespace {

// Up to `size` bytes, for a minute at most (a read waits 5 s at most).
QByteArray readAnswer(const LoopbackClient& client, qsizetype size)
{
    QByteArray got;
    for (const auto until = std::chrono::steady_clock::now() + 60s; got.size() < size && std::chrono::steady_clock::now() < until;)
        got += client.read(size - got.size());
    return got;
}

} // namespace

TEST(ProxyRoom, PairsComeOnlyFromTheDescriptorsFreeBeyondTheReserve)
{
    EXPECT_EQ(ProxyRoom::reserve(64), 8);
    EXPECT_EQ(ProxyRoom::reserve(std::uint64_t(1) << 20), 256);
    const struct {
        ProxyRoom::Held held;
        std::uint64_t limit;
        int open, pairLimit, morePipes;
        bool closeIdlePipes;
    } cases[] = {
        {{}, 64, 53, 1, 0, false},          // the app holds 53 of 64: one pair beside the reserve of 8
        {{}, 256, 40, 16, 76, false},       // plenty: the cap binds, pipes get what pairs would not use
        {{4, 2, 0}, 64, 50, 6, 0, false},   // pairs still to open their upstream socket count
        {{4, 0, 3}, 64, 56, 7, 0, true},    // idle pipes give way to pairs
        {{6, 0, 0}, 64, 64, 6, 0, false},   // more held than fit: none taken, none cut
        {{3, 0, 2}, 1024, -1, 3, 0, true},  // no listing: no descriptor free
    };
    for (const auto& c : cases) {
        const ProxyRoom room(16, c.held, c.limit, c.open);
        EXPECT_EQ(room.pairLimit(), c.pairLimit) << c.open;
        EXPECT_EQ(room.morePipes(), c.morePipes) << c.open;
        EXPECT_EQ(room.closeIdlePipes(), c.closeIdlePipes) << c.open;
    }
}

// Under a descriptor limit that leaves room for fewer pairs than the cap,
// clients that send a whole request and then a byte now and then, or a
// body that never ends, fill the room: an honest request is answered once
// their pairs give way, and with no room and nothing to wait for a client is
// told the proxy is at its connection limit, never that the server is away.
TEST_F(LocalAPIProxyTest, TricklersFillTheDescriptorRoomAndGiveWayToAnHonestRequest)
{
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    const auto restore = qScopeGuard([&saved] { ::setrlimit(RLIMIT_NOFILE, &saved); });
    rlimit lowered{std::min<rlim_t>(256, saved.rlim_max), saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const ProxySettings settings; // the production values, the cap from the limit
    ASSERT_EQ(settings.maxConnectionPairs, 16);
    const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}";
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(LoopbackUpstream::answerEachRequest(answer), settings));
    // Room for about a dozen pairs: each holds four descriptors here (the
    // client, the proxy's two, the stand-in's one).
    const int baseline = openDescriptorCount();
    lowered.rlim_cur = rlim_t(baseline + 64);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);

    const QByteArray whole = request(R"({"model": "llama3"})");
    const QByteArray endlessBody = "POST /api/generate HTTP/1.1\r\nHost: localhost\r\nContent-Length: 1000000\r\n\r\n{";
    std::vector<LoopbackClient> tricklers;
    const QString atLimit = QStringLiteral("⏳ Local API Proxy at its limit of ");
    const auto full = [&] { return !printed.linesStartingWith(atLimit).isEmpty(); };
    while (!full()) { // taken on one by one until the room is full
        ASSERT_LT(tricklers.size(), std::size_t(settings.maxConnectionPairs));
        tricklers.emplace_back(port);
        ASSERT_TRUE(tricklers.back().send(tricklers.size() % 2 == 1 ? whole : endlessBody));
        ASSERT_TRUE(waitUntil([&] { return upstream->acceptedCount() == int(tricklers.size()) || full(); }, 30s));
    }
    const QString limitLine = printed.linesStartingWith(atLimit).first();
    EXPECT_LT(limitLine.section(QLatin1Char(' '), 8, 8).toInt(), settings.maxConnectionPairs) << limitLine.toStdString();
    for (int i = 0; i < 4; ++i) { // more wait in the backlog
        tricklers.emplace_back(port);
        ASSERT_TRUE(tricklers.back().send(i % 2 == 0 ? whole : endlessBody));
    }

    std::jthread trickle([&](std::stop_token stop) { // a byte from each every 1.5 s
        for (; !stop.stop_requested(); std::this_thread::sleep_for(1500ms))
            for (LoopbackClient& trickler : tricklers)
                trickler.send("x");
    });
    LoopbackClient honest(port); // behind the tricklers in the backlog
    ASSERT_TRUE(honest.send(whole));
    EXPECT_EQ(readAnswer(honest, answer.size()), answer); // about 10 s expected
    trickle.request_stop();
    trickle.join();
    QByteArray told;
    for (const LoopbackClient& trickler : tricklers) {
        char buffer[4096];
        for (ssize_t n; (n = ::recv(trickler.fd(), buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
            told.append(buffer, n);
    }
    EXPECT_TRUE(told.contains("The model server sent nothing for 10 s while other clients waited at the connection limit"));

    // Every pair gone and the rest of the process holding all but the
    // reserve: a client is told the proxy is at its limit.
    tricklers.clear();
    honest.close();
    ASSERT_TRUE(waitUntil([&] { return openDescriptorCount() <= baseline; }, 20s)) << openDescriptorCount() - baseline;
    {
        std::vector<int> held;
        const auto release = qScopeGuard([&held] { for (const int fd : held) ::close(fd); });
        for (int fd; openDescriptorCount() < int(lowered.rlim_cur) - ProxyRoom::reserve(lowered.rlim_cur) - 1
             && (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            held.push_back(fd);
        LoopbackClient beyond(port);
        ASSERT_TRUE(beyond.send(whole));
        EXPECT_EQ(beyond.readToEnd(), "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n"
                                      R"({"error": "The Kestrova local API proxy is at its connection limit; try again shortly."})");
    }
    LoopbackClient after(port);
    ASSERT_TRUE(after.send(whole));
    EXPECT_EQ(readAnswer(after, answer.size()), answer);
    EXPECT_EQ(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy turned a client away at its connection limit: too few free file descriptors")).size(), 1);
    EXPECT_TRUE(printed.linesStartingWith(QStringLiteral("❌ Local Ollama (11434) is offline")).isEmpty());
}
