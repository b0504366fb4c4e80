#include "fakes/LoopbackUpstream.h"
#include "localai/CappedHttpExchange.h"
#include "support/TaskRunner.h"

#include <gtest/gtest.h>

#include <mutex>
#include <random>
#include <thread>

using namespace std::chrono_literals;
using Failure = CappedHttpExchange::Failure;

namespace {

// A loopback server that answers each request with the script of the moment, written in pieces (a pause
// between them), `repeat` times over or until the client goes away, and then closes.
class ScriptedAnswers {
public:
    void set(QList<QByteArray> pieces, int repeat = 1)
    {
        std::lock_guard lock(m_mutex);
        m_pieces = std::move(pieces);
        m_repeat = repeat;
    }
    quint16 port() const { return m_server.port(); }

private:
    void serve(int fd)
    {
        QByteArray request;
        while (!request.contains("\r\n\r\n")) {
            const QByteArray more = LoopbackUpstream::readSome(fd);
            if (more.isEmpty())
                return;
            request += more;
        }
        std::unique_lock lock(m_mutex);
        const QList<QByteArray> pieces = m_pieces;
        const int repeat = m_repeat;
        lock.unlock();
        for (int i = 0; i < repeat; ++i) {
            for (qsizetype p = 0; p < pieces.size(); ++p) {
                if (p > 0)
                    std::this_thread::sleep_for(200us);
                if (!LoopbackUpstream::writeAll(fd, pieces[p].constData(), pieces[p].size()))
                    return;
            }
        }
    }

    std::mutex m_mutex;
    QList<QByteArray> m_pieces;
    int m_repeat = 1;
    LoopbackUpstream m_server{[this](int fd) { serve(fd); }};
};

// One exchange on a fresh connection. Every answer here ends with a close, so the generous deadline is
// never what ends one.
CappedHttpExchange::Outcome fetch(quint16 port, qint64 cap)
{
    CappedHttpExchange exchange(QUrl(QStringLiteral("http://127.0.0.1:%1/api/ps").arg(port)), "GET", {}, {}, 60s, cap);
    int finished = 0;
    QObject::connect(&exchange, &CappedHttpExchange::finished, [&] { ++finished; });
    exchange.start();
    EXPECT_TRUE(waitUntil([&] { return finished > 0; }, 90s));
    EXPECT_EQ(finished, 1);
    return exchange.outcome();
}

const QByteArray ok = "HTTP/1.1 200 OK\r\n";
const QByteArray chunked = ok + "Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n";

} // namespace

// Each framing of an answer with a 64-byte cap: a whole one comes back; past the cap or cut short, an error.
TEST(CappedHttpExchangeTest, ReadsEachBodyFramingAndRefusesWhatPassesTheCap)
{
    const QByteArray sixtyFour(64, 'x');
    const struct {
        QByteArray raw;
        Failure failure;
        QByteArray body; // null: no answer
    } cases[] = {
        {ok + "Content-Length: 64\r\n\r\n" + sixtyFour, Failure::none, sixtyFour},
        {ok + "Transfer-Encoding: chunked\r\n\r\n3;x=1\r\nabc\r\nA\r\n0123456789\r\n0\r\nX-T: 1\r\n\r\n", Failure::none,
         "abc0123456789"},
        {ok + "Connection: close\r\n\r\nuntil close", Failure::none, "until close"},
        {ok + "X-Pad: " + QByteArray(70 * 1024, 'p') + "\r\n\r\n", Failure::headTooLarge, {}},
        {ok + "Content-Length: 65\r\n\r\n" + sixtyFour, Failure::bodyTooLarge, {}},
        {ok + "Content-Length: 10\r\n\r\nshort", Failure::malformed, {}},
    };
    ScriptedAnswers server;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw.left(40).toStdString());
        server.set({c.raw});
        const CappedHttpExchange::Outcome outcome = fetch(server.port(), 64);
        EXPECT_EQ(outcome.error.isEmpty(), !c.body.isNull());
        EXPECT_EQ(outcome.answered, !c.body.isNull());
        EXPECT_EQ(outcome.failure, c.failure);
        EXPECT_EQ(outcome.body, c.body);
    }
}

// Hostile counts and line ends: each is read right or refused with its reason, and the next good answer
// on a fresh exchange is read right.
TEST(CappedHttpExchangeTest, HostileFramingIsReadExactlyOrRefusedWithItsReason)
{
    const QByteArray junk(1024, 'j');
    const QByteArray interim = "HTTP/1.1 100 Continue\r\n\r\n";
    const struct {
        QByteArray raw;
        int repeat;
        Failure failure;
        int status;
        QByteArray body; // null: no answer
    } cases[] = {
        {chunked + "10000000000000000\r\n" + junk, 1, Failure::malformed, 0, {}}, // 2^64
        {chunked + "8000000000000010\r\n" + junk, 1, Failure::malformed, 0, {}},  // 2^63 + 16
        {chunked + "FFFFFFFFFFFFFFFF\r\n" + junk, 1, Failure::malformed, 0, {}},
        {chunked + "100000000000000000\r\n" + junk, 1, Failure::malformed, 0, {}}, // 18 digits
        {chunked + "7FFFFFFFFFFFFFFF\r\n" + junk, 1, Failure::bodyTooLarge, 0, {}},
        {chunked + "000000000000000003\r\nabc\r\n0\r\n\r\n", 1, Failure::none, 200, "abcabc"},
        {chunked + "2\r\nabc\r\n0\r\n\r\n", 1, Failure::malformed, 0, {}}, // longer than its size
        {ok + "Content-Length: 18446744073709551616\r\n\r\n" + junk, 1, Failure::malformed, 0, {}},
        {ok + "Content-Length: -1\r\n\r\n" + junk, 1, Failure::malformed, 0, {}},
        {ok + "Content-Length: 2\r\nContent-Length: 3\r\n\r\nabc", 1, Failure::malformed, 0, {}},
        {ok + "Content-Length: 2\r\nContent-Length: 2\r\n\r\nab", 1, Failure::none, 200, "ab"},
        {"HTTP/1.1 200 OK\nContent-Length: 2\n\nab", 1, Failure::none, 200, "ab"},
        {"HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n3\nabc\r\n2;x\nde\n0\nX-T: 1\n\n", 1, Failure::none, 200,
         "abcde"},
        {interim + interim + ok + "Content-Length: 2\r\n\r\nab", 1, Failure::none, 200, "ab"},
        {interim, 100'000, Failure::malformed, 0, {}}, // endless
        {ok + "X-Pad: " + QByteArray(1024 * 1024, 'p') + "\r\n\r\n", 1, Failure::headTooLarge, 0, {}},
        {ok + "X-Pad: 1\r\n", 100'000, Failure::headTooLarge, 0, {}}, // endless
        {"HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n", 1, Failure::none, 204, ""},
        {"HTTP/1.1 304 Not Modified\r\n\r\n", 1, Failure::none, 304, ""},
        {ok + "Transfer-Encoding: gzip, chunked\r\nContent-Length: 1\r\n\r\n1\r\na\r\n0\r\n\r\n", 1, Failure::none,
         200, "a"},
        {ok + "Transfer-Encoding: chunked, gzip\r\n\r\n1\r\na\r\n", 1, Failure::none, 200, "1\r\na\r\n"},
    };
    ScriptedAnswers server;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw.left(60).toStdString());
        server.set({c.raw}, c.repeat);
        const CappedHttpExchange::Outcome outcome = fetch(server.port(), 4096);
        EXPECT_EQ(outcome.answered, c.failure == Failure::none);
        EXPECT_EQ(outcome.failure, c.failure);
        EXPECT_EQ(outcome.error.isEmpty(), outcome.answered);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.body, c.body);

        server.set({ok + "Content-Length: 4\r\n\r\ngood"});
        const CappedHttpExchange::Outcome next = fetch(server.port(), 4096);
        EXPECT_TRUE(next.answered);
        EXPECT_EQ(next.body, "good");
    }
}

// Seeded mutations of valid answers (sized, chunked, close-delimited, after an interim one): whatever
// arrives, the exchange ends once, by the close, with a whole answer within its cap or a reason; and how
// the bytes are split across reads never changes the outcome. Run under the sanitizers, no report.
TEST(CappedHttpExchangeTest, MutatedAnswersEndWithAnAnswerOrAReasonHoweverTheyAreSplit)
{
    const QByteArray body = R"({"models":[{"name":"a","size":1}]})";
    const QByteArray valid[] = {
        ok + "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body,
        ok + "Transfer-Encoding: chunked\r\n\r\n5;x=y\r\n" + body.first(5) + "\r\n1d\r\n" + body.sliced(5) +
            "\r\n0\r\nX-T: 1\r\n\r\n",
        ok + "Connection: close\r\n\r\n" + body,
        "HTTP/1.1 100 Continue\r\n\r\n" + ok + "Content-Length: " + QByteArray::number(body.size()) + "\n\n" + body,
    };
    constexpr qint64 cap = 96;
    std::mt19937 random(53);
    const auto below = [&](qsizetype n) { return qsizetype(random() % quint32(std::max<qsizetype>(n, 1))); };
    const QByteArray alphabet = "\r\n\r\n:;,- 0123456789abcdefABCDEF";
    const char* counts[] = {"10000000000000000", "8000000000000010", "FFFFFFFFFFFFFFFF", "7fffffffffffffff",
                            "-1", "000000000000000001", "99999999999999999999", "0"};

    ScriptedAnswers server;
    int answered = 0, split = 0;
    for (int round = 0; round < 2500; ++round) {
        QByteArray raw = valid[round % std::size(valid)];
        for (int op = 0, ops = 1 + below(3); op < ops && !raw.isEmpty(); ++op) {
            const qsizetype at = below(raw.size());
            switch (below(7)) {
            case 0: raw[at] = char(random()); break;
            case 1: raw.insert(at, alphabet.sliced(below(alphabet.size())).first(1).repeated(1 + below(8))); break;
            case 2: raw.remove(at, 1 + below(16)); break;
            case 3: raw.insert(at, raw.mid(below(raw.size()), 1 + below(40))); break;
            case 4: raw.truncate(at); break;
            case 5: raw.insert(at, counts[below(std::size(counts))]); break;
            case 6: raw.replace("\r\n", "\n"); break;
            }
        }
        server.set({raw});
        const CappedHttpExchange::Outcome whole = fetch(server.port(), cap);
        SCOPED_TRACE(raw.toStdString());
        EXPECT_NE(whole.failure, Failure::timedOut);
        EXPECT_EQ(whole.answered, whole.failure == Failure::none);
        EXPECT_EQ(whole.error.isEmpty(), whole.answered);
        EXPECT_LE(whole.body.size(), cap);
        EXPECT_TRUE(whole.answered || whole.body.isEmpty());
        answered += whole.answered;

        if (round % 5 == 0 && raw.size() > 2) {
            ++split;
            QList<QByteArray> pieces;
            for (qsizetype from = 0; from < raw.size();) {
                const qsizetype n = 1 + below(std::min<qsizetype>(raw.size() - from, 24));
                pieces.append(raw.sliced(from, n));
                from += n;
            }
            server.set(pieces);
            const CappedHttpExchange::Outcome parts = fetch(server.port(), cap);
            EXPECT_EQ(parts.answered, whole.answered);
            EXPECT_EQ(parts.failure, whole.failure);
            EXPECT_EQ(parts.status, whole.status);
            EXPECT_EQ(parts.body, whole.body);
        }
        if (::testing::Test::HasFailure())
            break;
    }
    // The mutations reach both ends: some answers still read, most refused.
    EXPECT_GT(answered, 100);
    EXPECT_LT(answered, 2400);
    EXPECT_GT(split, 400);
}
