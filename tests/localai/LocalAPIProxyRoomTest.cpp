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

// Descriptors on /dev/null, held until destroyed.
class HeldDescriptors {
public:
    explicit HeldDescriptors(int count)
    {
        for (int i = 0; i < count; ++i) {
            const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                break;
            m_fds.push_back(fd);
        }
    }
    ~HeldDescriptors()
    {
        for (const int fd : m_fds)
            ::close(fd);
    }
    int count() const { return int(m_fds.size()); }

private:
    std::vector<int> m_fds;
};

// Reads exactly `size` bytes, or what came before `within` ran out or the peer ended.
QByteArray readWithin(const LoopbackClient& client, qsizetype size, std::chrono::seconds within)
{
    QByteArray got;
    const auto until = std::chrono::steady_clock::now() + within;
    while (got.size() < size && std::chrono::steady_clock::now() < until) {
        char buffer[4096];
        const ssize_t n = ::recv(client.fd(), buffer, size_t(std::min<qsizetype>(sizeof buffer, size - got.size())), 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            break;
        if (n > 0)
            got.append(buffer, n);
    }
    return got;
}

} // namespace

TEST(ProxyRoom, PairsComeOnlyFromTheDescriptorsFreeBeyondTheReserve)
{
    EXPECT_EQ(ProxyRoom::reserve(64), 8);
    EXPECT_EQ(ProxyRoom::reserve(256), 32);
    EXPECT_EQ(ProxyRoom::reserve(std::uint64_t(1) << 20), 256);
    const struct {
        const char* what;
        int maxPairs;
        ProxyRoom::Held held;
        std::uint64_t limit;
        int open;
        int pairLimit;
        int morePipes;
        bool closeIdlePipes;
    } cases[] = {
        {"the app holds 53 of 64", 16, {}, 64, 53, 1, 0, false},
        {"the app holds all but the reserve", 16, {}, 64, 57, 0, 0, false},
        {"plenty: the cap binds, pipes get the rest", 16, {}, 256, 40, 16, 76, false},
        {"pairs still opening their upstream count", 16, {4, 2, 0}, 64, 50, 6, 0, false},
        {"idle pipes give way to pairs", 16, {4, 0, 3}, 64, 56, 7, 0, true},
        {"more held than fit keeps what it holds", 16, {6, 0, 0}, 64, 64, 6, 0, false},
        {"no listing, no room", 16, {3, 0, 2}, 1024, -1, 3, 0, true},
        {"a large limit", 1024, {}, std::uint64_t(1) << 20, 100, 1024, 523086, false},
    };
    for (const auto& c : cases) {
        const ProxyRoom room(c.maxPairs, c.held, c.limit, c.open);
        EXPECT_EQ(room.pairLimit(), c.pairLimit) << c.what;
        EXPECT_EQ(room.morePipes(), c.morePipes) << c.what;
        EXPECT_EQ(room.closeIdlePipes(), c.closeIdlePipes) << c.what;
    }
}

TEST(ProxyRoom, CountsTheDescriptorsOpenNow)
{
    const int before = openDescriptorCount();
    ASSERT_GT(before, 2);
    {
        const HeldDescriptors held(10);
        EXPECT_EQ(openDescriptorCount(), before + held.count());
    }
    EXPECT_EQ(openDescriptorCount(), before);
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
    while (printed.linesStartingWith(atLimit).isEmpty()) { // taken on one by one until the room is full
        ASSERT_LT(tricklers.size(), std::size_t(settings.maxConnectionPairs));
        const bool keptAlive = tricklers.size() % 2 == 0;
        tricklers.emplace_back(port);
        ASSERT_TRUE(tricklers.back().send(keptAlive ? whole : endlessBody));
        ASSERT_TRUE(waitUntil([&] { return upstream->acceptedCount() == int(tricklers.size()); }, 30s));
        if (keptAlive) {
            ASSERT_EQ(readWithin(tricklers.back(), answer.size(), 30s), answer);
        }
    }
    const QString limitLine = printed.linesStartingWith(atLimit).first();
    EXPECT_EQ(limitLine.section(QLatin1Char(' '), 8, 8).toInt(), int(tricklers.size())) << limitLine.toStdString();
    EXPECT_LT(tricklers.size(), std::size_t(settings.maxConnectionPairs)); // the room, not the cap
    ASSERT_GE(tricklers.size(), 2u);
    for (int i = 0; i < 4; ++i) { // more wait in the backlog
        tricklers.emplace_back(port);
        ASSERT_TRUE(tricklers.back().send(i % 2 == 0 ? whole : endlessBody));
    }

    std::jthread trickle([&](std::stop_token stop) { // a byte from each every 1.5 s
        for (int tick = 1; !stop.stop_requested(); ++tick, std::this_thread::sleep_for(100ms)) {
            if (tick % 15 != 0)
                continue;
            for (LoopbackClient& trickler : tricklers)
                trickler.send("x");
        }
    });
    LoopbackClient honest(port); // behind the tricklers in the backlog
    ASSERT_TRUE(honest.send(whole));
    EXPECT_EQ(readWithin(honest, answer.size(), 60s), answer); // about 10 s expected
    trickle.request_stop();
    trickle.join();
    EXPECT_FALSE(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy closed a connection whose model server had sent nothing for 10 s")).isEmpty());
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
    const int reserve = ProxyRoom::reserve(lowered.rlim_cur);
    {
        const HeldDescriptors held(int(lowered.rlim_cur) - reserve - 1 - openDescriptorCount());
        LoopbackClient beyond(port);
        ASSERT_TRUE(beyond.send(whole));
        EXPECT_EQ(beyond.readToEnd(),
                  "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n"
                  R"({"error": "The Kestrova local API proxy is at its connection limit; try again shortly."})");
    }
    LoopbackClient after(port);
    ASSERT_TRUE(after.send(whole));
    EXPECT_EQ(readWithin(after, answer.size(), 20s), answer);
    EXPECT_EQ(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy turned a client away at its connection limit: too few free file descriptors")).size(), 1);
    EXPECT_TRUE(printed.linesStartingWith(QStringLiteral("❌ Local Ollama (11434) is offline")).isEmpty());
}
