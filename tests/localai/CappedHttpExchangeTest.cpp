#include "fakes/LoopbackUpstream.h"
#include "localai/CappedHttpExchange.h"
#include "support/TaskRunner.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

using namespace std::chrono_literals;
using Failure = CappedHttpExchange::Failure;

namespace {

const QByteArray ok = "HTTP/1.1 200 OK\r\n", interim = "HTTP/1.1 100 Continue\r\n\r\n";

// Answers one request on loopback with `pieces` (a short pause between them) and closes, so no answer here
// waits for the generous deadline.
CappedHttpExchange::Outcome fetch(const QList<QByteArray>& pieces, qint64 cap)
{
    LoopbackUpstream server([pieces](int fd) {
        bool open = !LoopbackUpstream::readSome(fd).isEmpty();
        for (qsizetype i = 0; open && i < pieces.size(); ++i) {
            std::this_thread::sleep_for(i > 0 ? 200us : 0us);
            open = LoopbackUpstream::writeAll(fd, pieces[i].constData(), pieces[i].size());
        }
    });
    CappedHttpExchange exchange(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server.port())), "GET", {}, {}, 60s, cap);
    int finished = 0;
    QObject::connect(&exchange, &CappedHttpExchange::finished, [&] { ++finished; });
    exchange.start();
    EXPECT_TRUE(waitUntil([&] { return finished > 0; }, 90s));
    EXPECT_EQ(finished, 1);
    return exchange.outcome();
}

} // namespace

// Each framing of an answer with a 64-byte cap, hostile counts and line ends included: a whole one comes
// back; past the cap, cut short or misframed, its reason. The next good answer, on a fresh exchange, reads.
TEST(CappedHttpExchangeTest, ReadsEachBodyFramingAndRefusesWhatPassesTheCap)
{
    const QByteArray sixtyFour(64, 'x'), chunked = ok + "Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n", junk(1024, 'j');
    const struct {
        QByteArray raw;
        Failure failure;
        QByteArray body; // null: no answer
    } cases[] = {
        {ok + "Content-Length: 64\r\n\r\n" + sixtyFour, Failure::none, sixtyFour},
        {chunked + "A;x=1\r\n0123456789\r\n0\r\nX-T: 1\r\n\r\n", Failure::none, "abc0123456789"},
        {ok + "Connection: close\r\n\r\nuntil close", Failure::none, "until close"},
        {ok + "X-Pad: " + QByteArray(70 * 1024, 'p') + "\r\n\r\n", Failure::headTooLarge},
        {ok + "Content-Length: 10\r\n\r\nshort", Failure::malformed},
        {chunked + "10000000000000000\r\n" + junk, Failure::malformed}, // 2^64
        {chunked + "8000000000000010\r\n" + junk, Failure::malformed},  // 2^63 + 16
        {chunked + "100000000000000000\r\n" + junk, Failure::malformed},
        {chunked + "7FFFFFFFFFFFFFFF\r\n" + junk, Failure::bodyTooLarge},
        {chunked + "000000000000000003\r\nabc\r\n0\r\n\r\n", Failure::none, "abcabc"},
        {chunked + "2\r\nabc\r\n0\r\n\r\n", Failure::malformed},
        {"HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n3\nabc\r\n2;x\nde\n0\nX-T: 1\n\n", Failure::none, "abcde"},
        {interim.repeated(2) + "HTTP/1.1 200 OK\nContent-Length: 2\n\nab", Failure::none, "ab"},
        {interim.repeated(100'000), Failure::malformed},
        {ok + "X-Pad: " + QByteArray(1024 * 1024, 'p') + "\r\n\r\n", Failure::headTooLarge},
        {ok + "Content-Length: 2\r\nContent-Length: 3\r\n\r\nabc", Failure::malformed},
        {ok + "Content-Length: -1\r\n\r\n" + junk, Failure::malformed},
        {ok + "Content-Length : 3\r\n\r\nabc", Failure::malformed}, // a smuggled length
        {ok + "Content-Length: 18446744073709551616\r\n\r\n" + junk, Failure::malformed},
        {"HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n", Failure::none, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw.left(60).toStdString());
        const CappedHttpExchange::Outcome out = fetch({c.raw}, 64);
        EXPECT_EQ(std::tuple(out.answered, out.error.isEmpty(), out.failure, out.body),
                  std::tuple(!c.body.isNull(), !c.body.isNull(), c.failure, c.body));
        EXPECT_EQ(fetch({ok + "Content-Length: 4\r\n\r\ngood"}, 64).body, "good");
    }
}

// Seeded mutations of valid answers (sized, chunked, close-delimited, after an interim one) end once, by the
// close, in a whole answer within the cap or a reason; how the bytes are split across reads changes nothing.
TEST(CappedHttpExchangeTest, MutatedAnswersEndWithAnAnswerOrAReasonHoweverTheyAreSplit)
{
    const QByteArray body = R"({"models":[{"name":"a","size":1}]})", sized = "Content-Length: 34\r\n\r\n" + body;
    const QByteArray valid[] = {ok + sized, interim + ok + sized, ok + "\r\n" + body,
                                ok + "Transfer-Encoding: chunked\r\n\r\n5;x=y\r\n" + body.first(5) + "\r\n1d\r\n" +
                                    body.sliced(5) + "\r\n0\r\nX-T: 1\r\n\r\n"};
    const QByteArray inserts[] = {"\r\n", "\n", ":", ";", "-", "10000000000000000", "8000000000000010",
                                  "FFFFFFFFFFFFFFFF", "000000000000000001", "99999999999999999999", "0"};
    std::mt19937 random(53);
    const auto below = [&](qsizetype n) { return qsizetype(random() % quint32(std::max<qsizetype>(n, 1))); };
    int answered = 0;
    for (int round = 0; round < 2500 && !::testing::Test::HasFailure(); ++round) {
        QByteArray raw = valid[round % std::size(valid)];
        for (int op = 1 + below(3); op > 0 && !raw.isEmpty(); --op) {
            const qsizetype at = below(raw.size());
            switch (below(5)) {
            case 0: raw[at] = char(random()); break;
            case 1: raw.insert(at, inserts[below(std::size(inserts))]); break;
            case 2: raw.remove(at, 1 + below(16)); break;
            case 3: raw.insert(at, raw.mid(below(raw.size()), 1 + below(40))); break;
            case 4: raw.truncate(at); break;
            }
        }
        SCOPED_TRACE(raw.toStdString());
        const CappedHttpExchange::Outcome whole = fetch({raw}, 96);
        EXPECT_NE(whole.failure, Failure::timedOut);
        EXPECT_EQ(whole.answered, whole.failure == Failure::none);
        EXPECT_EQ(whole.error.isEmpty(), whole.answered);
        EXPECT_TRUE(whole.answered ? whole.body.size() <= 96 : whole.body.isEmpty());
        answered += whole.answered;
        if (round % 5 == 0) {
            QList<QByteArray> pieces;
            for (qsizetype from = 0, n = 0; from < raw.size(); from += n)
                pieces.append(raw.sliced(from, n = 1 + below(std::min<qsizetype>(raw.size() - from, 24))));
            const CappedHttpExchange::Outcome split = fetch(pieces, 96);
            EXPECT_EQ(std::tie(split.answered, split.failure, split.status, split.body),
                      std::tie(whole.answered, whole.failure, whole.status, whole.body));
        }
    }
    EXPECT_GT(answered, 100); // the mutations reach both ends
    EXPECT_LT(answered, 2400);
}
