#include "localai/CappedHttpExchange.h"

#include "localai/HttpCount.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

using Failure = CappedHttpExchange::Failure;

QString malformed(const char* what)
{
    return QStringLiteral("Malformed answer: ") + QLatin1String(what);
}

QByteArray hostHeader(const QUrl& url)
{
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    return host + ':' + QByteArray::number(url.port(80));
}

} // namespace

CappedHttpExchange::CappedHttpExchange(QUrl url, QByteArray verb, QByteArray contentType, QByteArray body,
                                       std::chrono::milliseconds timeout, qint64 maxBody, QObject* parent)
    : QObject(parent), m_url(std::move(url)), m_verb(std::move(verb)), m_contentType(std::move(contentType)),
      m_requestBody(std::move(body)), m_timeout(timeout), m_maxBody(std::max<qint64>(0, maxBody)),
      m_socket(new QTcpSocket(this))
{
    // The peer is on this machine: a configured proxy must not see it.
    m_socket->setProxy(QNetworkProxy::NoProxy);
    // What the peer sends waits in the kernel (and then on the peer) until
    // we have taken what came before: the read buffer is the bound.
    m_socket->setReadBufferSize(kReadBufferBytes);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { fail(Failure::timedOut, QStringLiteral("The request timed out")); });
    connect(m_socket, &QTcpSocket::connected, this, &CappedHttpExchange::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &CappedHttpExchange::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &CappedHttpExchange::onClosed);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError)
            onClosed();
        else
            fail(m_received ? Failure::malformed : Failure::unreachable, m_socket->errorString());
    });
}

CappedHttpExchange::~CappedHttpExchange() = default;

void CappedHttpExchange::start()
{
    if (!m_url.isValid() || m_url.host().isEmpty() || m_url.scheme() != QLatin1String("http")) {
        fail(Failure::unreachable, QStringLiteral("Invalid URL"));
        return;
    }
    m_deadline.start(m_timeout);
    m_socket->connectToHost(m_url.host(), quint16(m_url.port(80)));
}

void CappedHttpExchange::onConnected()
{
    QByteArray target = m_url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (m_url.hasQuery())
        target += '?' + m_url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray request = m_verb + ' ' + target + " HTTP/1.1\r\nHost: " + hostHeader(m_url)
                         + "\r\nAccept: */*\r\nConnection: close\r\n";
    if (!m_contentType.isEmpty())
        request += "Content-Type: " + m_contentType + "\r\n";
    if (!m_requestBody.isEmpty() || m_verb != "GET")
        request += "Content-Length: " + QByteArray::number(m_requestBody.size()) + "\r\n";
    request += "\r\n" + m_requestBody;
    m_socket->write(request);
}

void CappedHttpExchange::onReadyRead()
{
    while (!m_ended && m_socket->bytesAvailable() > 0) {
        const QByteArray data = m_socket->read(kReadBufferBytes);
        if (data.isEmpty())
            return;
        m_received = true;
        if (!consume(data, 0))
            return;
    }
}

void CappedHttpExchange::onClosed()
{
    if (m_ended)
        return;
    onReadyRead();
    if (m_ended)
        return;
    if (m_stage == Stage::untilClose)
        succeed();
    else if (!m_received)
        fail(Failure::unreachable, QStringLiteral("The connection closed before an answer came"));
    else
        fail(Failure::malformed, QStringLiteral("The connection closed before the answer was complete"));
}

bool CappedHttpExchange::consume(const QByteArray& data, qsizetype at)
{
    while (at < data.size() && !m_ended) {
        switch (m_stage) {
        case Stage::head:
        case Stage::trailers:
            if (!consumeHeadLine(data, at))
                return false;
            break;
        case Stage::sizedBody:
        case Stage::chunkData: {
            const qsizetype n = qsizetype(std::min<qint64>(m_remaining, data.size() - at));
            if (!appendBody(data.constData() + at, n))
                return false;
            at += n;
            m_remaining -= n;
            if (m_remaining == 0) {
                if (m_stage == Stage::sizedBody) {
                    succeed();
                    return false;
                }
                m_stage = Stage::chunkEnd;
            }
            break;
        }
        case Stage::untilClose:
            if (!appendBody(data.constData() + at, data.size() - at))
                return false;
            at = data.size();
            break;
        case Stage::chunkSize:
        case Stage::chunkEnd:
            if (!consumeChunkLine(data, at))
                return false;
            break;
        case Stage::done:
            return false;
        }
    }
    return !m_ended;
}

bool CappedHttpExchange::consumeHeadLine(const QByteArray& data, qsizetype& at)
{
    qsizetype wireSize = 0;
    const std::optional<QByteArray> line = takeLine(data, at, m_headBudget, wireSize, Failure::headTooLarge,
                                                    QStringLiteral("Answer headers over 64 KiB"));
    if (!line)
        return !m_ended;
    m_headBudget -= wireSize;
    if (m_stage == Stage::trailers) {
        // Trailer lines are skipped; the empty one ends the answer.
        if (!line->isEmpty())
            return true;
        succeed();
        return false;
    }
    if (!line->isEmpty()) {
        m_headLines.append(*line);
        return true;
    }
    return parseHead();
}

bool CappedHttpExchange::consumeChunkLine(const QByteArray& data, qsizetype& at)
{
    qsizetype wireSize = 0;
    const std::optional<QByteArray> line =
        takeLine(data, at, kMaxChunkLineBytes, wireSize, Failure::malformed, malformed("chunk line too long"));
    if (!line)
        return !m_ended;
    // Framing between tiny chunks must not stream on without bound.
    m_framingBytes += wireSize;
    if (m_framingBytes > m_maxBody + kMaxHeadBytes) {
        refuseTooLarge();
        return false;
    }
    if (m_stage == Stage::chunkEnd) {
        if (!line->isEmpty()) {
            fail(Failure::malformed, malformed("chunk data longer than its size"));
            return false;
        }
        m_stage = Stage::chunkSize;
        return true;
    }
    const qsizetype semicolon = line->indexOf(';');
    const auto size = readHttpCount(line->first(semicolon < 0 ? line->size() : semicolon).trimmed(), 16);
    if (!size) {
        fail(Failure::malformed, malformed("chunk size not a count that fits"));
        return false;
    }
    if (*size > m_maxBody - m_outcome.body.size()) {
        refuseTooLarge();
        return false;
    }
    m_remaining = *size;
    m_stage = *size == 0 ? Stage::trailers : Stage::chunkData;
    return true;
}

std::optional<QByteArray> CappedHttpExchange::takeLine(const QByteArray& data, qsizetype& at, qsizetype limit,
                                                       qsizetype& wireSize, Failure tooLong, const QString& why)
{
    // HTTP/1.1 lets a recipient take a bare LF as a line end; curl does.
    const qsizetype newline = data.indexOf('\n', at);
    const qsizetype end = newline < 0 ? data.size() : newline + 1;
    if (m_pending.size() + (end - at) > limit) {
        fail(tooLong, why);
        return std::nullopt;
    }
    m_pending.append(data.constData() + at, end - at);
    at = end;
    if (newline < 0)
        return std::nullopt;
    wireSize = m_pending.size();
    m_pending.chop(1);
    if (m_pending.endsWith('\r'))
        m_pending.chop(1);
    return std::exchange(m_pending, QByteArray());
}

bool CappedHttpExchange::parseHead()
{
    const QList<QByteArray> lines = std::exchange(m_headLines, {});
    const QByteArray statusLine = lines.value(0).trimmed();
    const std::optional<qint64> status =
        statusLine.startsWith("HTTP/1.") && statusLine.size() >= 12 && statusLine[8] == ' '
            ? readHttpCount(QByteArrayView(statusLine).sliced(9, 3), 10)
            : std::nullopt;
    if (!status || (statusLine.size() > 12 && statusLine[12] != ' ')) {
        fail(Failure::malformed, malformed("no HTTP/1.x status line"));
        return false;
    }
    std::optional<qint64> length;
    bool chunked = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon <= 0)
            continue;
        // Space before the colon is how framing headers are smuggled past
        // one reader and not another: no server we talk to sends it.
        if (const char last = lines[i].at(colon - 1); last == ' ' || last == '\t') {
            fail(Failure::malformed, malformed("white space before a header's colon"));
            return false;
        }
        const QByteArray name = lines[i].first(colon).trimmed().toLower();
        const QByteArray value = lines[i].sliced(colon + 1).trimmed();
        if (name == "content-length") {
            const auto announced = readHttpCount(value, 10);
            if (!announced) {
                fail(Failure::malformed, malformed("Content-Length not a count that fits"));
                return false;
            }
            if (length && *length != *announced) {
                fail(Failure::malformed, malformed("two differing Content-Length headers"));
                return false;
            }
            length = announced;
        } else if (name == "transfer-encoding") {
            chunked = value.toLower().contains("chunked");
        }
    }

    if (*status >= 100 && *status < 200) {
        if (*status == 101) {
            fail(Failure::malformed, malformed("a protocol switch"));
            return false;
        }
        if (++m_interimAnswers > kMaxInterimAnswers) {
            fail(Failure::malformed, malformed("too many interim answers"));
            return false;
        }
        return true; // an interim answer; the real one follows
    }
    m_outcome.status = int(*status);
    if (*status == 204 || *status == 304 || m_verb == "HEAD") {
        succeed();
        return false;
    }
    if (chunked) {
        m_stage = Stage::chunkSize;
    } else if (length) {
        if (*length > m_maxBody) {
            refuseTooLarge();
            return false;
        }
        if (*length == 0) {
            succeed();
            return false;
        }
        m_remaining = *length;
        m_stage = Stage::sizedBody;
    } else {
        m_stage = Stage::untilClose;
    }
    return true;
}

bool CappedHttpExchange::appendBody(const char* data, qsizetype size)
{
    if (size > m_maxBody - m_outcome.body.size()) {
        refuseTooLarge();
        return false;
    }
    m_outcome.body.append(data, size);
    return true;
}

void CappedHttpExchange::succeed()
{
    m_outcome.answered = true;
    end();
}

void CappedHttpExchange::fail(Failure failure, const QString& error)
{
    if (m_ended)
        return;
    m_outcome.answered = false;
    m_outcome.failure = failure;
    m_outcome.status = 0;
    m_outcome.body = QByteArray();
    m_outcome.error = error;
    end();
}

void CappedHttpExchange::refuseTooLarge()
{
    fail(Failure::bodyTooLarge, QStringLiteral("answer too large"));
}

void CappedHttpExchange::end()
{
    if (m_ended)
        return;
    m_ended = true;
    m_stage = Stage::done;
    m_deadline.stop();
    m_pending = QByteArray();
    m_headLines = {};
    m_socket->abort();
    // Never from inside start(), and never after this object is gone.
    QMetaObject::invokeMethod(this, [this] { emit finished(); }, Qt::QueuedConnection);
}
