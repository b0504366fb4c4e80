#include "localai/ProxyRoom.h"
#include "platform/OpenDescriptorCount.h"

#include "LocalAPIProxyFixture.h"
#include "fakes/SilentConnectionFlood.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

namespace {

const QByteArray ownHead = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nContent-Length: ";
const QByteArray unavailable = ownHead + "106\r\nConnection: close\r\n\r\n"
    R"({"error": "Local Ollama service (port 11434) is not running or suspended by Kestrova battery protectors."})";
const QByteArray atLimit = ownHead + "88\r\nConnection: close\r\n\r\n"
    R"({"error": "The Kestrova local API proxy is at its connection limit; try again shortly."})";
const QString everyOneAnswering =
    QStringLiteral("⏳ Local API Proxy turned a client away at its connection limit: every connection is answering a request");
const QByteArray generate = request(R"({"model": "llama3"})");
const timeval minute{60, 0}; // for a client that must be patient on a loaded machine

// A body sent in chunks of 64 KiB, as clients that stream their requests do.
QByteArray chunkedRequest(qsizetype size)
{
    QByteArray sent = "POST /api/generate HTTP/1.1\r\nHost: localhost\r\nTransfer-Encoding: chunked\r\n\r\n";
    sent.reserve(size + size / 8 + 64);
    for (qsizetype left = size; left > 0; left -= 65536) {
        const qsizetype chunk = std::min<qsizetype>(left, 65536);
        sent += QByteArray::number(chunk, 16) + "\r\n" + QByteArray(chunk, 'x') + "\r\n";
    }
    return sent + "0\r\n\r\n";
}

} // namespace

// This process's soft descriptor limit is lowered to 256, where the proxy's cap is 16.
class LocalAPIProxyOwnAnswersTest : public LocalAPIProxyTest {
protected:
    void SetUp() override
    {
        ::getrlimit(RLIMIT_NOFILE, &saved);
        const rlimit lowered{std::min<rlim_t>(256, saved.rlim_max), saved.rlim_max};
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
        ASSERT_EQ(ProxySettings().maxConnectionPairs, 16);
    }
    void TearDown() override { ::setrlimit(RLIMIT_NOFILE, &saved); }
    // In front of a stand-in that answers GET /api/ps with `psAnswer` at once and holds every other request
    // unanswered, as many clients as the cap ask it something else.
    void startWithEveryConnectionAnswering(const ProxySettings& settings, const QByteArray& psAnswer = {})
    {
        const auto held = std::make_shared<std::atomic<int>>(0);
        ASSERT_NO_FATAL_FAILURE(startInFrontOf([held, psAnswer](int fd) {
            const QByteArray asked = LoopbackUpstream::readSome(fd);
            if (asked.startsWith("GET /api/ps "))
                LoopbackUpstream::writeAll(fd, psAnswer.constData(), psAnswer.size());
            else if (!asked.isEmpty())
                ++*held;
            LoopbackUpstream::holdUntilEnd()(fd);
        }, settings));
        for (int i = 0; i < settings.maxConnectionPairs; ++i)
            ASSERT_TRUE(answering.emplace_back(port).send(generate));
        ASSERT_TRUE(waitUntil([&] { return *held == settings.maxConnectionPairs; }));
    }
    rlimit saved{};
    std::vector<LoopbackClient> answering;
};

// The proxy's own answer reaches the client whole, with its length, and the connection then ends cleanly (no reset)
// however much of the request, sent whole before reading, is still unread.
TEST_F(LocalAPIProxyOwnAnswersTest, ItsOwn503ArrivesWholeAndEndsCleanlyWhateverTheRequestsSize)
{
    for (const bool atTheLimit : {false, true}) {
        SCOPED_TRACE(atTheLimit ? "at the limit" : "model server down");
        ASSERT_NO_FATAL_FAILURE(atTheLimit ? startWithEveryConnectionAnswering({}) : startProxy(LoopbackClient::freePort()));
        for (const qsizetype size : {1 << 10, 4 << 10, 20 << 10, 100 << 10, 1 << 20, 16 << 20, 64 << 20}) {
            for (const bool chunked : {false, true}) {
                SCOPED_TRACE(testing::Message() << size << (chunked ? " bytes chunked" : " bytes"));
                // Made before connecting: a loaded machine may take seconds over it.
                const QByteArray sent = chunked ? chunkedRequest(size) : request(QByteArray(size, 'x'));
                LoopbackClient client(port);
                ASSERT_TRUE(client.send(sent));
                bool ended = false;
                EXPECT_EQ(client.readToEnd(&ended), atTheLimit ? atLimit : unavailable);
                EXPECT_TRUE(ended) << std::strerror(errno);
            }
        }
        EXPECT_EQ(printed.linesStartingWith(everyOneAnswering).isEmpty(), !atTheLimit);
        proxy.reset();
        printed.clear();
    }
}

// As many clients as the cap read an answer that ends with the server's close and keep their sockets, sending
// nothing: their exchanges are over, so one more client is answered once the first lingering close has ended.
TEST_F(LocalAPIProxyOwnAnswersTest, ClientsKeepingTheirSocketsAfterACloseDelimitedAnswerHoldNoSlot)
{
    const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n{\"done\":true}";
    ASSERT_NO_FATAL_FAILURE(startInFrontOf([answer](int fd) {
        if (!LoopbackUpstream::readSome(fd).isEmpty())
            LoopbackUpstream::writeAll(fd, answer.constData(), answer.size());
    }));
    std::vector<LoopbackClient> keeping;
    for (int i = 0; i <= 16; ++i) { // the cap's, then one more
        SCOPED_TRACE(i);
        const auto asked = std::chrono::steady_clock::now();
        const LoopbackClient& client = keeping.emplace_back(port);
        if (i == 16)
            ::setsockopt(client.fd(), SOL_SOCKET, SO_RCVTIMEO, &minute, sizeof minute);
        ASSERT_TRUE(client.send(generate));
        bool ended = false;
        EXPECT_EQ(client.readToEnd(&ended), answer);
        EXPECT_TRUE(ended);
        EXPECT_LT(std::chrono::steady_clock::now() - asked, 15s);
    }
}

// With every connection answering, 1,000 connections that send nothing are held for a while: the proxy takes on no
// more of them than its waiting room, so the process keeps its reserve and a pipe can always be made; once they are
// gone, an honest client is answered. A head time-out of 2 s has those taken on told and closed, several times over.
TEST_F(LocalAPIProxyOwnAnswersTest, AFloodOfSilentConnectionsAtTheLimitLeavesTheProcessItsReserve)
{
    ProxySettings settings;
    settings.requestHeadTimeout = 2s;
    const QByteArray psAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 13\r\n\r\n{\"models\":[]}";
    ASSERT_NO_FATAL_FAILURE(startWithEveryConnectionAnswering(settings, psAnswer));
    std::atomic<int> peak = 0, pipesFailed = 0, looks = 0;
    std::jthread watch([&](std::stop_token stop) {
        for (; !stop.stop_requested(); std::this_thread::sleep_for(5ms), ++looks) {
            peak = std::max(peak.load(), openDescriptorCount());
            int fds[2] = {-1, -1};
            pipesFailed += ::pipe2(fds, O_CLOEXEC) != 0;
            for (const int fd : fds)
                ::close(fd);
        }
    });
    {
        const SilentConnectionFlood flood(port, 1000);
        ASSERT_EQ(flood.connected(), 1000);
        std::this_thread::sleep_for(8s);
    }
    const QByteArray ps = "GET /api/ps HTTP/1.1\r\nHost: localhost\r\n\r\n";
    LoopbackClient honest(port); // behind what is left of the flood; every connection still answering: told so
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
    EXPECT_TRUE(printed.lines().filter(QRegularExpression(QStringLiteral("descriptor|open files"))).isEmpty())
        << printed.lines().join(u'\n').toStdString();
}

// With the model server down, the cap and eight more clients at once each send a chunked body that takes about a
// second before they read: the lingering closes fill the waiting room and the rest wait in the backlog, so every one
// gets the whole 503 and none a reset.
TEST_F(LocalAPIProxyOwnAnswersTest, ABurstBeyondTheCapStillSendingItsBodiesAllGetTheWhole503)
{
    ASSERT_NO_FATAL_FAILURE(startProxy(LoopbackClient::freePort()));
    std::atomic<int> whole = 0;
    std::vector<std::jthread> clients;
    for (int i = 0; i < 16 + 8; ++i)
        clients.emplace_back([&] {
            const LoopbackClient client(port);
            ::setsockopt(client.fd(), SOL_SOCKET, SO_RCVTIMEO, &minute, sizeof minute);
            bool sent = client.send("POST /api/generate HTTP/1.1\r\nHost: localhost\r\nTransfer-Encoding: chunked\r\n\r\n");
            for (int piece = 0; piece < 10 && sent; ++piece) {
                std::this_thread::sleep_for(100ms);
                sent = client.send("400\r\n" + QByteArray(1024, 'x') + "\r\n");
            }
            bool ended = false;
            whole += sent && client.send("0\r\n\r\n") && client.readToEnd(&ended) == unavailable && ended;
        });
    clients.clear();
    EXPECT_EQ(whole, 16 + 8);
}
