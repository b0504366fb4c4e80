#include "fakes/LoopbackUpstream.h"
#include "localai/CappedHttpExchange.h"
#include "support/SanitizerAllowance.h"
#include "support/TaskRunner.h"

#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Sends `raw` to each connection once its request head is in.
LoopbackUpstream::Handler answer(QByteArray raw)
{
    return [raw](int fd) {
        QByteArray head;
        while (!head.contains("\r\n\r\n")) {
            const QByteArray some = LoopbackUpstream::readSome(fd);
            if (some.isEmpty())
                return;
            head += some;
        }
        LoopbackUpstream::writeAll(fd, raw.constData(), raw.size());
    };
}

QUrl urlOf(const LoopbackUpstream& server)
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/api/ps").arg(server.port()));
}

CappedHttpExchange::Outcome run(CappedHttpExchange& exchange)
{
    bool finished = false;
    QObject::connect(&exchange, &CappedHttpExchange::finished, [&] { finished = true; });
    exchange.start();
    for (int i = 0; i < 1000 && !finished; ++i)
        turnEventLoop();
    EXPECT_TRUE(finished);
    return exchange.outcome();
}


qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

} // namespace

// How each shape of answer reads, with a cap of 64 body bytes.
TEST(CappedHttpExchangeTest, ReadsEachBodyFramingAndRefusesWhatPassesTheCap)
{
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const QByteArray sixtyFour(64, 'x');
    const struct {
        const char* what;
        QByteArray raw;
        bool answered;
        bool tooLarge;
        int status;
        QByteArray body;
    } cases[] = {
        {"sized", ok + "Content-Length: 5\r\n\r\nhello", true, false, 200, "hello"},
        {"sized, exactly the cap", ok + "Content-Length: 64\r\n\r\n" + sixtyFour, true, false, 200, sixtyFour},
        {"chunked with an extension and a trailer",
         ok + "Transfer-Encoding: chunked\r\n\r\n3;x=1\r\nabc\r\nA\r\n0123456789\r\n0\r\nX-T: 1\r\n\r\n", true, false, 200,
         "abc0123456789"},
        {"ended by the close", ok + "Connection: close\r\n\r\nuntil close", true, false, 200, "until close"},
        {"an interim answer first", "HTTP/1.1 100 Continue\r\n\r\n" + ok + "Content-Length: 2\r\n\r\nok", true, false,
         200, "ok"},
        {"a length over the cap", ok + "Content-Length: 65\r\n\r\n" + sixtyFour + "x", false, true, 0, {}},
        {"a chunk over the cap", ok + "Transfer-Encoding: chunked\r\n\r\n41\r\n", false, true, 0, {}},
        {"chunks that add up past the cap",
         ok + "Transfer-Encoding: chunked\r\n\r\n20\r\n" + QByteArray(32, 'a') + "\r\n21\r\n" + QByteArray(33, 'b'),
         false, true, 0, {}},
        {"a head over 64 KiB", ok + "X-Pad: " + QByteArray(70 * 1024, 'p') + "\r\n\r\n", false, true, 0, {}},
        {"cut short of its length", ok + "Content-Length: 10\r\n\r\nshort", false, false, 0, {}},
        {"a chunk size that is no number", ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n", false, false, 0, {}},
        {"two different lengths", ok + "Content-Length: 1\r\nContent-Length: 2\r\n\r\nab", false, false, 0, {}},
        {"not HTTP", "SSH-2.0-OpenSSH\r\n\r\n", false, false, 0, {}},
    };
    for (const auto& c : cases) {
        LoopbackUpstream server(answer(c.raw));
        CappedHttpExchange exchange(urlOf(server), "GET", {}, {}, 2s, 64);
        const CappedHttpExchange::Outcome outcome = run(exchange);
        EXPECT_EQ(outcome.answered, c.answered) << c.what << ": " << outcome.error.toStdString();
        EXPECT_EQ(outcome.tooLarge, c.tooLarge) << c.what;
        if (c.answered) {
            EXPECT_EQ(outcome.status, c.status) << c.what;
            EXPECT_EQ(outcome.body, c.body) << c.what;
        } else {
            EXPECT_TRUE(outcome.body.isEmpty()) << c.what << ": what was read is dropped";
            EXPECT_FALSE(outcome.error.isEmpty()) << c.what;
        }
    }
}

// A peer that streams an endless chunked answer as fast as loopback allows:
// the answer is cut at the cap, and while this thread is busy elsewhere the
// peer can only fill the kernel's socket buffers, not our memory.
TEST(CappedHttpExchangeTest, AnEndlessFastAnswerIsCutAtTheCapWithMemoryBounded)
{
    constexpr qint64 cap = 4 * 1024 * 1024;
    std::atomic<qint64> sent{0};
    LoopbackUpstream endless([&sent](int fd) {
        if (LoopbackUpstream::readSome(fd).isEmpty())
            return;
        const QByteArray head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        LoopbackUpstream::writeAll(fd, head.constData(), head.size());
        const QByteArray chunk = "10000\r\n" + QByteArray(0x10000, ' ') + "\r\n";
        while (LoopbackUpstream::writeAll(fd, chunk.constData(), chunk.size()))
            sent += chunk.size();
    });
    const QUrl url = urlOf(endless);

    const qint64 before = residentBytes();
    qint64 peak = before;
    qint64 mostHeld = 0;
    for (int round = 0; round < 5; ++round) {
        CappedHttpExchange exchange(url, "GET", {}, {}, 5s, cap);
        bool finished = false;
        QObject::connect(&exchange, &CappedHttpExchange::finished, [&] { finished = true; });
        exchange.start();
        bool stalled = false;
        while (!finished) {
            turnEventLoop();
            mostHeld = std::max(mostHeld, exchange.heldBytes());
            peak = std::max(peak, residentBytes());
            if (!stalled && exchange.heldBytes() > 0) {
                // This thread busy for 300 ms: nothing reads for us meanwhile.
                stalled = true;
                const qint64 sentBefore = sent.load();
                std::this_thread::sleep_for(300ms);
                EXPECT_LT(sent.load() - sentBefore, 32 * 1024 * 1024) << "only the socket buffers fill";
                peak = std::max(peak, residentBytes());
            }
        }
        EXPECT_TRUE(exchange.outcome().tooLarge);
        EXPECT_FALSE(exchange.outcome().answered);
        EXPECT_TRUE(exchange.outcome().body.isEmpty());
    }
    EXPECT_LE(mostHeld, cap);
    EXPECT_LT(peak - before, 24 * 1024 * 1024 + kSanitizerHeldFreedBytes);
}
