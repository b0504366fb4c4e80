#include "fakes/LoopbackUpstream.h"
#include "localai/CappedHttpExchange.h"
#include "support/TaskRunner.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

// Each framing of an answer with a 64-byte cap: a whole one comes back; past the cap or cut short, an error.
TEST(CappedHttpExchangeTest, ReadsEachBodyFramingAndRefusesWhatPassesTheCap)
{
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const QByteArray sixtyFour(64, 'x');
    const struct {
        QByteArray raw;
        bool tooLarge;
        QByteArray body; // null: no answer
    } cases[] = {
        {ok + "Content-Length: 64\r\n\r\n" + sixtyFour, false, sixtyFour},
        {ok + "Transfer-Encoding: chunked\r\n\r\n3;x=1\r\nabc\r\nA\r\n0123456789\r\n0\r\nX-T: 1\r\n\r\n", false, "abc0123456789"},
        {ok + "Connection: close\r\n\r\nuntil close", false, "until close"},
        {ok + "X-Pad: " + QByteArray(70 * 1024, 'p') + "\r\n\r\n", true, {}},
        {ok + "Content-Length: 10\r\n\r\nshort", false, {}},
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
        ASSERT_TRUE(waitUntil([&] { return finished; })) << c.raw.left(40).toStdString();
        const CappedHttpExchange::Outcome& outcome = exchange.outcome();
        EXPECT_EQ(outcome.error.isEmpty(), !c.body.isNull()) << c.raw.left(40).toStdString();
        EXPECT_EQ(outcome.answered, !c.body.isNull());
        EXPECT_EQ(outcome.tooLarge, c.tooLarge);
        EXPECT_EQ(outcome.body, c.body);
    }
}
