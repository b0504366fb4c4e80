#include "fakes/LoopbackUpstream.h"
#include "localai/CappedHttpExchange.h"
#include "support/TaskRunner.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

// How each framing of an answer reads with a cap of 64 body bytes: a whole
// answer comes back; one that passes the cap or is cut short comes back as
// an error, with what was read dropped.
TEST(CappedHttpExchangeTest, ReadsEachBodyFramingAndRefusesWhatPassesTheCap)
{
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const QByteArray chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const QByteArray sixtyFour(64, 'x');
    const struct {
        const char* what;
        QByteArray raw;
        bool tooLarge;
        QByteArray body; // null: no answer
    } cases[] = {
        {"sized, exactly the cap", ok + "Content-Length: 64\r\n\r\n" + sixtyFour, false, sixtyFour},
        {"chunked with an extension and a trailer",
         chunked + "3;x=1\r\nabc\r\nA\r\n0123456789\r\n0\r\nX-T: 1\r\n\r\n", false, "abc0123456789"},
        {"ended by the close", ok + "Connection: close\r\n\r\nuntil close", false, "until close"},
        {"a length over the cap", ok + "Content-Length: 65\r\n\r\n" + sixtyFour + "x", true, {}},
        {"chunks that add up past the cap", chunked + "20\r\n" + QByteArray(32, 'a') + "\r\n21\r\n" + QByteArray(33, 'b'),
         true, {}},
        {"a head over 64 KiB", ok + "X-Pad: " + QByteArray(70 * 1024, 'p') + "\r\n\r\n", true, {}},
        {"cut short of its length", ok + "Content-Length: 10\r\n\r\nshort", false, {}},
    };
    for (const auto& c : cases) {
        LoopbackUpstream server([raw = c.raw](int fd) {
            if (!LoopbackUpstream::readSome(fd).isEmpty())
                LoopbackUpstream::writeAll(fd, raw.constData(), raw.size());
        });
        CappedHttpExchange exchange(QUrl(QStringLiteral("http://127.0.0.1:%1/api/ps").arg(server.port())), "GET", {}, {},
                                    2s, 64);
        bool finished = false;
        QObject::connect(&exchange, &CappedHttpExchange::finished, [&] { finished = true; });
        exchange.start();
        ASSERT_TRUE(waitUntil([&] { return finished; })) << c.what;
        const CappedHttpExchange::Outcome& outcome = exchange.outcome();
        EXPECT_EQ(outcome.answered, !c.body.isNull()) << c.what << ": " << outcome.error.toStdString();
        EXPECT_EQ(outcome.error.isEmpty(), !c.body.isNull()) << c.what;
        EXPECT_EQ(outcome.tooLarge, c.tooLarge) << c.what;
        EXPECT_EQ(outcome.body, c.body) << c.what;
    }
}
