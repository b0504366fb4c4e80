#include "localai/HttpExchangeFraming.h"

#include <gtest/gtest.h>

#include <vector>

using Side = HttpExchangeFraming::Side;

// Each case fed whole and then a byte at a time: heads and chunk lines are
// collected across reads. A step with `blind` passes that many body bytes unseen.
TEST(HttpExchangeFraming, TellsWhetherARequestIsInProgress)
{
    constexpr Side Q = Side::request;
    constexpr Side A = Side::answer;
    const QByteArray get = "GET /api/ps HTTP/1.1\r\nHost: localhost\r\n\r\n";
    const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}";
    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    struct Step {
        Side side;
        QByteArray bytes;
        qint64 blind = 0;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        bool atRest, answerDue, lost;
    } cases[] = {
        {"sized answer whole", {{Q, get}, {A, ok}}, true, false, false},
        {"sized answer short", {{Q, get}, {A, ok.chopped(1)}}, false, true, false},
        {"sized bodies passed unseen", {{Q, "POST / HTTP/1.1\r\nContent-Length: 70000\r\n\r\n"}, {Q, {}, 70000},
                                        {A, "HTTP/1.1 200 OK\r\ncontent-length:  90000 \r\n\r\n"}, {A, {}, 90000}}, true, false, false},
        {"request body still coming", {{Q, "POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\n{}"}}, false, false, false},
        {"chunked stream ended", {{Q, get}, {A, chunked + "5;x=y\r\nhello\r\n0\r\nX-T: 1\r\n\r\n"}}, true, false, false},
        {"chunked stream going on", {{Q, get}, {A, chunked + "5\r\nhello\r\n"}}, false, true, false},
        {"chunked request then answer", {{Q, "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n0\r\n\r\n"}, {A, ok}}, true, false, false},
        {"HEAD answer has no body", {{Q, "HEAD / HTTP/1.1\r\n\r\n"}, {A, "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\n"}}, true, false, false},
        {"interim answer only", {{Q, get}, {A, "HTTP/1.1 100 Continue\r\n\r\n"}}, false, true, false},
        {"interim, then final", {{Q, get}, {A, "HTTP/1.1 103 Early Hints\r\n\r\n" + ok}}, true, false, false},
        {"bare LF and 204", {{Q, "\r\nGET / HTTP/1.1\nHost: x\n\n"}, {A, "HTTP/1.1 204 No Content\n\n"}}, true, false, false},
        {"second of two pipelined unanswered", {{Q, get + get}, {A, ok}}, false, true, false},
        {"next request begun", {{Q, get}, {A, ok}, {Q, "GET /"}}, false, false, false},
        {"answer running to the close", {{Q, get}, {A, "HTTP/1.0 200 OK\r\n\r\nabc"}}, false, true, false},
        {"not HTTP", {{Q, "STREAM\n"}, {A, "xyz"}}, false, false, true},
        {"protocol switch", {{Q, get}, {A, "HTTP/1.1 101 Switching Protocols\r\n\r\n"}}, false, false, true},
        {"tunnel", {{Q, "CONNECT h:1 HTTP/1.1\r\n\r\n"}}, false, false, true},
        {"length beside chunked", {{Q, "POST / HTTP/1.1\r\nContent-Length: 2\r\nTransfer-Encoding: chunked\r\n\r\n"}}, false, false, true},
        {"two lengths differ", {{Q, get}, {A, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\n{}"}}, false, false, true},
        {"space before a colon", {{Q, "GET / HTTP/1.1\r\nContent-Length : 0\r\n\r\n"}}, false, false, true},
        {"chunk longer than its size", {{Q, get}, {A, chunked + "1\r\nab\r\n"}}, false, false, true},
        {"answer to no request", {{A, ok}}, false, false, true},
        {"head over 64 KiB", {{Q, "GET / HTTP/1.1\r\nX: " + QByteArray(70000, 'a')}}, false, false, true},
    };
    for (const auto& c : cases) {
        for (const bool byteAtATime : {false, true}) {
            HttpExchangeFraming framing;
            for (const Step& step : c.steps) {
                for (qsizetype i = 0; i < step.bytes.size(); i += byteAtATime ? 1 : step.bytes.size())
                    framing.feed(step.side, step.bytes.constData() + i, byteAtATime ? 1 : step.bytes.size());
                if (step.blind > 0) {
                    ASSERT_EQ(framing.blindRoom(step.side), step.blind) << c.name;
                    framing.passBlind(step.side, step.blind);
                }
            }
            EXPECT_EQ(framing.atRest(), c.atRest) << c.name << (byteAtATime ? " byte at a time" : "");
            EXPECT_EQ(framing.answerDue(), c.answerDue) << c.name << (byteAtATime ? " byte at a time" : "");
            EXPECT_EQ(framing.lost(), c.lost) << c.name << (byteAtATime ? " byte at a time" : "");
            // Once lost, nothing more is looked at: everything may be spliced.
            EXPECT_EQ(framing.blindRoom(Side::request) == HttpExchangeFraming::unbounded, c.lost) << c.name;
        }
    }
}
