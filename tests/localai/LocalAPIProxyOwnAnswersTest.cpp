#include "localai/ProxyRoom.h"
#include "platform/OpenDescriptorCount.h"

#include "LocalAPIProxyFixture.h"
#include "SilentConnectionFlood.h"

#include <QScopeGuard>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <stop_token>
#include <thread>
#include <vector>

using LocalAPIProxyOwnAnswersTest = LocalAPIProxyTest;

namespace {

const QByteArray unavailable = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nContent-Length: 106\r\n"
                               "Connection: close\r\n\r\n"
    R"({"error": "Local Ollama service (port 11434) is not running or suspended by Kestrova battery protectors."})";
const QByteArray atLimit = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nContent-Length: 88\r\n"
                           "Connection: close\r\n\r\n"
    R"({"error": "The Kestrova local API proxy is at its connection limit; try again shortly."})";
const QString everyOneAnswering =
    QStringLiteral("⏳ Local API Proxy turned a client away at its connection limit: every connection is answering a request");

// A stand-in that answers GET /api/ps at once and holds every other request unanswered until the client ends.
LoopbackUpstream::Handler holdingAllButPs(std::atomic<int>& held, const QByteArray& psAnswer)
{
    return [&held, psAnswer](int fd) {
        const QByteArray asked = LoopbackUpstream::readSome(fd);
        if (asked.startsWith("GET /api/ps "))
            LoopbackUpstream::writeAll(fd, psAnswer.constData(), psAnswer.size());
        else if (!asked.isEmpty())
            ++held;
        LoopbackUpstream::holdUntilEnd()(fd);
    };
}

// Sets the soft descriptor limit of this process for the scope.
struct LoweredDescriptorLimit {
    explicit LoweredDescriptorLimit(rlim_t soft)
    {
        ::getrlimit(RLIMIT_NOFILE, &saved);
        const rlimit lowered{std::min(soft, saved.rlim_max), saved.rlim_max};
        applied = ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~LoweredDescriptorLimit() { ::setrlimit(RLIMIT_NOFILE, &saved); }
    rlimit saved{};
    bool applied = false;
};

} // namespace

// An answer the proxy writes itself reaches the client whole, with its length, and the connection then ends
// cleanly (no reset) however much of the request is still unread: with the model server down, and at the limit
// while every connection is answering a request.
TEST_F(LocalAPIProxyOwnAnswersTest, ItsOwn503ArrivesWholeAndEndsCleanlyWhateverTheRequestsSize)
{
    const qsizetype sizes[] = {1 << 10, 4 << 10, 20 << 10, 100 << 10, 1 << 20};
    for (const bool atTheLimit : {false, true}) {
        SCOPED_TRACE(atTheLimit ? "at the limit" : "model server down");
        ProxySettings settings;
        settings.maxConnectionPairs = 2;
        std::atomic<int> held = 0;
        std::vector<LoopbackClient> answering;
        if (atTheLimit) {
            ASSERT_NO_FATAL_FAILURE(startInFrontOf(holdingAllButPs(held, {}), settings));
            for (int i = 0; i < settings.maxConnectionPairs; ++i)
                ASSERT_TRUE(answering.emplace_back(port).send(request(R"({"model": "llama3"})")));
            ASSERT_TRUE(waitUntil([&] { return held == settings.maxConnectionPairs; }));
        } else {
            ASSERT_NO_FATAL_FAILURE(startProxy(LoopbackClient::freePort(), settings));
        }
        for (const qsizetype size : sizes) {
            LoopbackClient client(port);
            ASSERT_TRUE(client.send(request(QByteArray(size, 'x')))) << size; // all of it before reading
            bool ended = false;
            EXPECT_EQ(client.readToEnd(&ended), atTheLimit ? atLimit : unavailable) << size;
            EXPECT_TRUE(ended) << size << ": " << std::strerror(errno);
        }
        EXPECT_EQ(printed.linesStartingWith(everyOneAnswering).isEmpty(), !atTheLimit);
        answering.clear();
        proxy.reset();
        upstream.reset();
        printed.clear();
    }
}

// At a lowered descriptor limit, as many clients as the cap read an answer that ends with the server's close and
// keep their sockets, sending nothing: their exchanges are over, so an honest client is answered at once.
TEST_F(LocalAPIProxyOwnAnswersTest, ClientsKeepingTheirSocketsAfterACloseDelimitedAnswerHoldNoSlot)
{
    const LoweredDescriptorLimit limit(256);
    ASSERT_TRUE(limit.applied);
    const ProxySettings settings; // the production values, the cap from the limit
    ASSERT_EQ(settings.maxConnectionPairs, 16);
    const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n{\"done\":true}";
    ASSERT_NO_FATAL_FAILURE(startInFrontOf([&answer](int fd) {
        if (!LoopbackUpstream::readSome(fd).isEmpty())
            LoopbackUpstream::writeAll(fd, answer.constData(), answer.size());
    }, settings));

    std::vector<LoopbackClient> keeping;
    for (int i = 0; i < settings.maxConnectionPairs; ++i) {
        ASSERT_TRUE(keeping.emplace_back(port).send(request(R"({"model": "llama3"})")));
        bool ended = false;
        EXPECT_EQ(keeping.back().readToEnd(&ended), answer) << i;
        EXPECT_TRUE(ended) << i;
    }
    const auto asked = std::chrono::steady_clock::now();
    LoopbackClient honest(port);
    ASSERT_TRUE(honest.send(request(R"({"model": "llama3"})")));
    QByteArray got;
    for (bool ended = false; !ended && std::chrono::steady_clock::now() - asked < 20s;)
        got += honest.readToEnd(&ended); // five seconds a read at most
    EXPECT_EQ(got, answer);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 15s);
    EXPECT_TRUE(printed.linesStartingWith(everyOneAnswering).isEmpty());
}

// At a lowered descriptor limit, with every connection answering a request, 1,000 connections that send nothing
// are held for a while: the proxy takes on no more of them than its waiting room, so the process keeps its
// reserve and a pipe can always be made; once they are gone, an honest client is answered. The head time-out is
// cut from 10 s to 2 s so that those taken on are told and closed, and others taken on, several times over.
TEST_F(LocalAPIProxyOwnAnswersTest, AFloodOfSilentConnectionsAtTheLimitLeavesTheProcessItsReserve)
{
    SilentConnectionFlood flood; // forked before the proxy's sockets exist
    const LoweredDescriptorLimit limit(256);
    ASSERT_TRUE(limit.applied);
    ProxySettings settings;
    ASSERT_EQ(settings.maxConnectionPairs, 16);
    settings.requestHeadTimeout = 2s;
    const QByteArray psAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 13\r\n\r\n{\"models\":[]}";
    std::atomic<int> held = 0;
    ASSERT_NO_FATAL_FAILURE(startInFrontOf(holdingAllButPs(held, psAnswer), settings));
    std::vector<LoopbackClient> answering;
    for (int i = 0; i < settings.maxConnectionPairs; ++i)
        ASSERT_TRUE(answering.emplace_back(port).send(request(R"({"model": "llama3"})")));
    ASSERT_TRUE(waitUntil([&] { return held == settings.maxConnectionPairs; }));

    std::atomic<int> peak = 0, pipesFailed = 0, looks = 0;
    std::jthread watch([&](std::stop_token stop) {
        for (; !stop.stop_requested(); std::this_thread::sleep_for(5ms), ++looks) {
            peak = std::max(peak.load(), openDescriptorCount());
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC) != 0) {
                ++pipesFailed;
                continue;
            }
            ::close(fds[0]);
            ::close(fds[1]);
        }
    });
    ASSERT_EQ(flood.connect(port, 1000), 1000);
    std::this_thread::sleep_for(8s);
    flood.release();
    const QByteArray ps = "GET /api/ps HTTP/1.1\r\nHost: localhost\r\n\r\n";
    LoopbackClient honest(port); // behind what is left of the flood; every connection still answering: told so
    const timeval minute{60, 0};
    ::setsockopt(honest.fd(), SOL_SOCKET, SO_RCVTIMEO, &minute, sizeof minute);
    ASSERT_TRUE(honest.send(ps));
    EXPECT_EQ(honest.readToEnd(), atLimit);
    answering.pop_back();
    EXPECT_TRUE(waitUntil([&] {
        LoopbackClient again(port);
        return again.send(ps) && again.read(psAnswer.size()) == psAnswer;
    }, 30s));
    watch.request_stop();
    watch.join();

    EXPECT_GT(looks, 100);
    EXPECT_LE(peak, 256 - ProxyRoom::reserve(256));
    EXPECT_EQ(pipesFailed, 0);
    EXPECT_FALSE(printed.linesStartingWith(QStringLiteral("⏳ Local API Proxy closed a client whose request headers were not complete within 2 s")).isEmpty());
    EXPECT_TRUE(printed.lines().filter(QStringLiteral("descriptor")).isEmpty()) << printed.lines().join(u'\n').toStdString();
    EXPECT_TRUE(printed.lines().filter(QStringLiteral("open files")).isEmpty());
}
