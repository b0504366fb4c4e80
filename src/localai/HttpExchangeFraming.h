#pragma once

#include <QByteArray>

#include <cstdint>
#include <limits>
#include <optional>

// Follows the requests and answers of one relayed HTTP/1.x connection only as
// far as their framing (heads, Content-Length, chunks, an answer that runs to
// the close), to tell whether a request is in progress. Bodies of a known
// length need not be looked at, so a relay may splice them past unseen.
// Traffic it cannot follow (not HTTP/1.x, a protocol switch or tunnel,
// framing that does not add up, heads over 64 KiB) makes it give up for
// good: such a connection is never taken to be at rest.
class HttpExchangeFraming {
public:
    enum class Side { request, answer };
    static constexpr qint64 unbounded = std::numeric_limits<qint64>::max();

    // Bytes of `side` that may pass without being fed: the rest of a body of
    // known length, unbounded once there is nothing to follow, 0 while
    // framing is to be read.
    qint64 blindRoom(Side side) const;
    void feed(Side side, const char* data, qsizetype size);
    // `size` bytes of `side`, at most blindRoom(side), went past unseen.
    void passBlind(Side side, qint64 size);

    bool lost() const { return m_lost; }
    // Every request begun has been answered in full, and no byte of another
    // has come either way.
    bool atRest() const;
    // A request sent in full waits for its answer or is getting it.
    bool answerDue() const;

private:
    enum class Stage { start, firstLine, headers, sizedBody, chunkSize, chunkData, chunkDataEnd, trailers, untilClose };
    struct Stream {
        Stage stage = Stage::start;
        QByteArray line; // the line being read, so far
        qint64 headBudget = 0;
        qint64 remaining = 0; // of a sized body or of the current chunk
        std::optional<qint64> length;
        bool coded = false; // a Transfer-Encoding came
        bool chunked = false;
        int status = 0;
        std::uint64_t ended = 0; // whole messages
    };

    Stream& stream(Side side) { return side == Side::request ? m_requests : m_answers; }
    void takeLine(Side side, Stream& s);
    void takeFirstLine(Side side, Stream& s);
    void takeHeader(Side side, Stream& s);
    void endHead(Side side, Stream& s);
    void passBody(Stream& s, qint64 size);
    void endMessage(Stream& s);

    Stream m_requests;
    Stream m_answers;
    // Requests whose final answer has not begun, and which of them (a bit
    // each, oldest lowest) were HEAD, so their answers have no body.
    int m_unanswered = 0;
    std::uint64_t m_headRequests = 0;
    bool m_lost = false;
};
