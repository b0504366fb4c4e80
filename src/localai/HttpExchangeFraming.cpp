#include "localai/HttpExchangeFraming.h"

#include "localai/HttpCount.h"

#include <algorithm>
#include <cstring>

namespace {

// For a message's status or request line, headers and trailers together.
constexpr qint64 maxHeadBytes = 64 * 1024;
constexpr qsizetype maxChunkLineBytes = 4096;
// Requests sent ahead of their answers (pipelined) that are kept apart: one
// bit each.
constexpr int maxRequestsAhead = 64;

} // namespace

qint64 HttpExchangeFraming::blindRoom(Side side) const
{
    if (m_lost)
        return unbounded;
    const Stream& s = side == Side::request ? m_requests : m_answers;
    switch (s.stage) {
    case Stage::sizedBody:
    case Stage::chunkData:
        return s.remaining;
    case Stage::untilClose:
        return unbounded;
    default:
        return 0;
    }
}

bool HttpExchangeFraming::atRest() const
{
    return !m_lost && m_requests.stage == Stage::start && m_answers.stage == Stage::start
        && m_answers.ended >= m_requests.ended && m_unanswered == 0;
}

bool HttpExchangeFraming::answerDue() const
{
    return !m_lost && (m_answers.ended < m_requests.ended || m_answers.stage != Stage::start);
}

void HttpExchangeFraming::feed(Side side, const char* data, qsizetype size)
{
    Stream& s = stream(side);
    const char* p = data;
    const char* const end = data + size;
    while (p < end && !m_lost) {
        switch (s.stage) {
        case Stage::sizedBody:
        case Stage::chunkData: {
            const qint64 n = std::min<qint64>(s.remaining, end - p);
            p += n;
            passBody(s, n);
            continue;
        }
        case Stage::untilClose:
            return;
        case Stage::start:
            // Servers ignore blank lines before a request; some clients send
            // one after a body.
            if (side == Side::request && (*p == '\r' || *p == '\n')) {
                ++p;
                continue;
            }
            s.stage = Stage::firstLine;
            s.headBudget = maxHeadBytes;
            s.length.reset();
            s.coded = false;
            s.chunked = false;
            continue;
        default:
            break;
        }
        // A line, collected across reads up to its budget.
        const void* newline = std::memchr(p, '\n', size_t(end - p));
        const char* const stop = newline ? static_cast<const char*>(newline) + 1 : end;
        const bool chunkLine = s.stage == Stage::chunkSize || s.stage == Stage::chunkDataEnd;
        const qint64 limit = chunkLine ? maxChunkLineBytes : s.headBudget;
        if (s.line.size() + (stop - p) > limit) {
            m_lost = true;
            break;
        }
        s.line.append(p, stop - p);
        p = stop;
        // Anything but an HTTP/1.x answer shows in its first bytes.
        if (side == Side::answer && s.stage == Stage::firstLine
            && !QByteArrayView("HTTP/1.").startsWith(QByteArrayView(s.line).first(std::min<qsizetype>(s.line.size(), 7)))) {
            m_lost = true;
            break;
        }
        if (!newline)
            break;
        takeLine(side, s);
    }
    if (m_lost) {
        m_requests.line = QByteArray();
        m_answers.line = QByteArray();
    }
}

void HttpExchangeFraming::passBlind(Side side, qint64 size)
{
    Stream& s = stream(side);
    if (!m_lost && (s.stage == Stage::sizedBody || s.stage == Stage::chunkData))
        passBody(s, size);
}

void HttpExchangeFraming::passBody(Stream& s, qint64 size)
{
    s.remaining -= size;
    if (s.remaining > 0)
        return;
    if (s.stage == Stage::sizedBody)
        endMessage(s);
    else
        s.stage = Stage::chunkDataEnd;
}

void HttpExchangeFraming::takeLine(Side side, Stream& s)
{
    if (s.stage != Stage::chunkSize && s.stage != Stage::chunkDataEnd)
        s.headBudget -= s.line.size();
    // HTTP/1.1 lets a recipient take a bare LF as a line end.
    s.line.chop(s.line.endsWith("\r\n") ? 2 : 1);
    switch (s.stage) {
    case Stage::firstLine:
        takeFirstLine(side, s);
        break;
    case Stage::headers:
        if (s.line.isEmpty())
            endHead(side, s);
        else
            takeHeader(side, s);
        break;
    case Stage::chunkSize: {
        const qsizetype semicolon = s.line.indexOf(';');
        const auto size = readHttpCount(QByteArrayView(s.line).first(semicolon < 0 ? s.line.size() : semicolon).trimmed(), 16);
        if (!size)
            m_lost = true;
        else if (*size == 0)
            s.stage = Stage::trailers;
        else {
            s.remaining = *size;
            s.stage = Stage::chunkData;
        }
        break;
    }
    case Stage::chunkDataEnd:
        if (!s.line.isEmpty())
            m_lost = true; // chunk data longer than its size
        s.stage = Stage::chunkSize;
        break;
    case Stage::trailers:
        if (s.line.isEmpty())
            endMessage(s);
        break;
    default:
        break;
    }
    s.line.clear();
}

void HttpExchangeFraming::takeFirstLine(Side side, Stream& s)
{
    const QByteArray& line = s.line;
    if (side == Side::request) {
        // METHOD SP target SP HTTP/1.x; a tunnel is not followed.
        const qsizetype space = line.indexOf(' ');
        const bool version = line.size() > 9 && line.at(line.size() - 9) == ' '
            && (line.endsWith("HTTP/1.1") || line.endsWith("HTTP/1.0"));
        const QByteArrayView method = QByteArrayView(line).first(std::max<qsizetype>(0, space));
        if (space <= 0 || !version || method == "CONNECT" || m_unanswered == maxRequestsAhead) {
            m_lost = true;
            return;
        }
        m_headRequests |= std::uint64_t(method == "HEAD") << m_unanswered++;
    } else {
        // HTTP/1.x SP three digits, then a reason or nothing.
        const auto status = line.size() >= 12 && line.at(8) == ' ' && (line.size() == 12 || line.at(12) == ' ')
            ? readHttpCount(QByteArrayView(line).sliced(9, 3), 10)
            : std::nullopt;
        if (!status) {
            m_lost = true;
            return;
        }
        s.status = int(*status);
    }
    s.stage = Stage::headers;
}

void HttpExchangeFraming::takeHeader(Side side, Stream& s)
{
    const QByteArray& line = s.line;
    const qsizetype colon = line.indexOf(':');
    // A folded line, or space before the colon: not framing this can trust.
    if (colon <= 0 || line.at(0) == ' ' || line.at(0) == '\t' || line.at(colon - 1) == ' ' || line.at(colon - 1) == '\t') {
        m_lost = true;
        return;
    }
    const QByteArrayView name = QByteArrayView(line).first(colon);
    const QByteArrayView value = QByteArrayView(line).sliced(colon + 1).trimmed();
    if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
        const auto length = readHttpCount(value, 10);
        if (!length || (s.length && *s.length != *length))
            m_lost = true;
        s.length = length;
    } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
        // Chunked when that is the last coding; a request body framed any
        // other way cannot be followed, an answer's runs to the close.
        const qsizetype comma = value.lastIndexOf(',');
        s.chunked = value.sliced(comma + 1).trimmed().compare("chunked", Qt::CaseInsensitive) == 0;
        if (!s.chunked && side == Side::request)
            m_lost = true;
        s.coded = true;
    }
}

void HttpExchangeFraming::endHead(Side side, Stream& s)
{
    if (s.coded && s.length) {
        m_lost = true; // a length beside a transfer coding: how requests are smuggled
        return;
    }
    bool bodiless = false;
    if (side == Side::answer) {
        if (s.status == 101) {
            m_lost = true; // another protocol from here on
            return;
        }
        if (s.status < 200) {
            s.stage = Stage::start; // an interim answer; the real one follows
            return;
        }
        if (m_unanswered == 0) {
            m_lost = true; // an answer to no request: the counts would part
            return;
        }
        bodiless = (m_headRequests & 1) != 0 || s.status == 204 || s.status == 304;
        m_headRequests >>= 1;
        --m_unanswered;
    }
    if (bodiless) {
        endMessage(s);
    } else if (s.chunked) {
        s.stage = Stage::chunkSize;
    } else if (s.length && *s.length > 0) {
        s.remaining = *s.length;
        s.stage = Stage::sizedBody;
    } else if (side == Side::answer && !s.length) {
        s.stage = Stage::untilClose;
    } else {
        endMessage(s);
    }
}

void HttpExchangeFraming::endMessage(Stream& s)
{
    s.stage = Stage::start;
    ++s.ended;
}
