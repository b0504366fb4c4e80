#include "localai/ProxyPair.h"

#include "core/Print.h"
#include "localai/ProxyErrorText.h"
#include "localai/ProxyModelName.h"

#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace {

constexpr qsizetype firstReadSize = 4096;
// Chunks per direction before other pairs get their turn.
constexpr int chunkBudget = 16;

// Sent when the model server cannot be reached. Like every answer the proxy
// writes itself it carries its length, so a client knows it has all of it.
constexpr char unavailableReply[] =
    "HTTP/1.1 503 Service Unavailable\r\n"
    "Content-Type: application/json\r\n"
    "Content-Length: 106\r\n"
    "Connection: close\r\n"
    "\r\n"
    R"({"error": "Local Ollama service (port 11434) is not running or suspended by Kestrova battery protectors."})";
static_assert(sizeof unavailableReply - 1 == 108 + 106); // head and body

// Sent when the proxy has no descriptors to spare for another connection.
constexpr char atCapacityReply[] =
    "HTTP/1.1 503 Service Unavailable\r\n"
    "Content-Type: application/json\r\n"
    "Content-Length: 88\r\n"
    "Connection: close\r\n"
    "\r\n"
    R"({"error": "The Kestrova local API proxy is at its connection limit; try again shortly."})";
static_assert(sizeof atCapacityReply - 1 == 107 + 88);

// Errors that say this process or the system is short of descriptors or
// memory, not that the model server is away.
bool lackOfRoom(int error)
{
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

ProxyPair::ProxyPair(std::uint64_t id, int clientFd, Context& context) : m_id(id), m_context(context)
{
    m_client.fd = clientFd;
}

ProxyPair::~ProxyPair()
{
    // Directions first: they give their pipes back before the sockets close.
    m_toUpstream.reset();
    m_toClient.reset();
    if (m_resetClient && m_client.fd >= 0) {
        const linger abort{1, 0};
        ::setsockopt(m_client.fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    closeFd(m_client.fd);
    closeFd(m_upstream.fd);
}

ProxyPair::Status ProxyPair::start()
{
    return watch(m_client.fd, Side::client) ? Status::open : Status::finished;
}

ProxyPair::Status ProxyPair::handle(Side side, std::uint32_t events)
{
    RelayDirection::Endpoint& endpoint = side == Side::client ? m_client : m_upstream;
    if (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR))
        endpoint.readable = true;
    if (events & (EPOLLOUT | EPOLLHUP | EPOLLERR))
        endpoint.writable = true;
    if (events & EPOLLERR)
        endpoint.errored = true;
    // The client's end counts from when it comes, not from when the relay
    // reaches it: a server that takes nothing more may keep it unread.
    if (side == Side::client && (events & (EPOLLRDHUP | EPOLLHUP)) && !m_clientEndedAt)
        m_clientEndedAt = Clock::now();
    return advance();
}

ProxyPair::Status ProxyPair::advance()
{
    switch (m_phase) {
    case Phase::awaitingRequest:
        return readRequest();
    case Phase::connecting:
        return m_upstream.writable ? finishConnect() : Status::open;
    case Phase::replyingUnavailable:
        return writeUnavailableReply();
    case Phase::relaying:
        return relay();
    }
    return Status::finished;
}

void ProxyPair::tellClientWhyClosed(const QByteArray& status, const QByteArray& reason)
{
    if (m_phase == Phase::replyingUnavailable || (m_toClient && m_toClient->progress() != 0))
        return; // the client has an answer coming already
    const QByteArray body = R"({"error": ")" + reason + R"("})";
    const QByteArray reply = "HTTP/1.1 " + status + "\r\n"
                             "Content-Type: application/json\r\n"
                             "Content-Length: " + QByteArray::number(body.size()) + "\r\n"
                             "Connection: close\r\n"
                             "\r\n" + body;
    // The reply fits an empty send buffer, so one write takes it or fails.
    if (::send(m_client.fd, reply.constData(), size_t(reply.size()), MSG_NOSIGNAL | MSG_DONTWAIT) != reply.size())
        return;
    endWithLingeringClose();
}

void ProxyPair::endWithLingeringClose()
{
    ::shutdown(m_client.fd, SHUT_WR);
    m_lingerClient = true;
}

int ProxyPair::takeLingeringClient()
{
    if (!m_lingerClient)
        return -1;
    // Directions first: they give their pipes back.
    m_toUpstream.reset();
    m_toClient.reset();
    return std::exchange(m_client.fd, -1);
}

ProxyPair::Clock::time_point ProxyPair::serverSilentSince() const
{
    return m_clientEndedAt ? std::max(*m_clientEndedAt, m_lastServerByte) : m_lastServerByte;
}

bool ProxyPair::idle()
{
    return m_phase == Phase::relaying && m_exchanges.atRest() && !m_toUpstream->holding() && !holdsAnswer();
}

bool ProxyPair::holdsAnswer()
{
    if (m_phase == Phase::replyingUnavailable)
        return true;
    if (m_phase != Phase::relaying)
        return false;
    int queued = 0;
    if (::ioctl(m_client.fd, SIOCOUTQ, &queued) != 0)
        queued = 0;
    if (queued != m_clientQueued)
        m_lastActivity = Clock::now();
    m_clientQueued = queued;
    return m_toClient->holding() || queued > 0;
}

bool ProxyPair::clientUnread() const
{
    char byte;
    return ::recv(m_client.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
}

ProxyPair::Status ProxyPair::readRequest()
{
    if (!m_client.readable)
        return Status::open;
    char buffer[firstReadSize];
    ssize_t read;
    do
        read = ::recv(m_client.fd, buffer, sizeof buffer, MSG_DONTWAIT);
    while (read < 0 && errno == EINTR);
    if (read < 0) {
        if (errno == EAGAIN) {
            m_client.readable = false;
            return Status::open;
        }
        kestrova::print(QStringLiteral("❌ Inbound connection read error: ") + proxyErrorText(errno));
        return Status::finished;
    }
    if (read == 0)
        return Status::finished; // connected and closed without a request
    m_lastActivity = Clock::now();
    m_firstChunk = QByteArray(buffer, read);
    m_head.feed(buffer, read);
    if (m_context.modelRouted)
        m_context.modelRouted(proxyModelName(m_firstChunk));
    return forwardToOllama();
}

ProxyPair::Status ProxyPair::forwardToOllama()
{
    if (m_turnAway)
        return atCapacity(0);
    const auto* address = reinterpret_cast<const sockaddr*>(&m_context.upstreamAddress);
    m_upstream.fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_upstream.fd < 0)
        return lackOfRoom(errno) ? atCapacity(errno) : upstreamUnavailable(errno);
    // A streamed answer is many small writes: without this each one may wait
    // for the peer's delayed ACK (about 40 ms).
    const int one = 1;
    ::setsockopt(m_upstream.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(m_upstream.fd, address, m_context.upstreamAddressLength) != 0 && errno != EINPROGRESS)
        return lackOfRoom(errno) ? atCapacity(errno) : upstreamUnavailable(errno);
    // Watched only now: an unconnected socket reports a hang-up at once.
    if (!watch(m_upstream.fd, Side::upstream))
        return Status::finished;
    m_phase = Phase::connecting;
    return Status::open;
}

ProxyPair::Status ProxyPair::finishConnect()
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(m_upstream.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error != 0)
        return upstreamUnavailable(error);
    return startRelay();
}

ProxyPair::Status ProxyPair::upstreamUnavailable(int error)
{
    kestrova::print(QStringLiteral("❌ Local Ollama (11434) is offline or unavailable: ") + proxyErrorText(error));
    closeFd(m_upstream.fd);
    m_upstream = {};
    m_phase = Phase::replyingUnavailable;
    m_reply = unavailableReply;
    return writeUnavailableReply();
}

ProxyPair::Status ProxyPair::atCapacity(int error)
{
    kestrova::print(QStringLiteral("⏳ Local API Proxy turned a client away at its connection limit: ")
                    + (error != 0 ? proxyErrorText(error) : m_turnAway.value_or(QString())));
    closeFd(m_upstream.fd);
    m_upstream = {};
    m_phase = Phase::replyingUnavailable;
    m_reply = atCapacityReply;
    return writeUnavailableReply();
}

ProxyPair::Status ProxyPair::writeUnavailableReply()
{
    while (m_replyOffset < qsizetype(m_reply.size())) {
        if (!m_client.writable)
            return Status::open;
        const ssize_t sent = ::send(m_client.fd, m_reply.data() + m_replyOffset, m_reply.size() - size_t(m_replyOffset),
                                    MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            m_replyOffset += sent;
        } else if (sent < 0 && errno == EAGAIN) {
            m_client.writable = false;
        } else if (!(sent < 0 && errno == EINTR)) {
            return Status::finished; // the client is gone; close it all the same
        }
    }
    endWithLingeringClose();
    return Status::finished;
}

ProxyPair::Status ProxyPair::startRelay()
{
    m_toUpstream = std::make_unique<RelayDirection>(m_client, m_upstream, m_context.pipes);
    m_toClient = std::make_unique<RelayDirection>(m_upstream, m_client, m_context.pipes);
    m_exchanges.feed(HttpExchangeFraming::Side::request, m_firstChunk.constData(), m_firstChunk.size());
    m_toUpstream->preload(m_firstChunk);
    m_toUpstream->watchHead(&m_head);
    m_toUpstream->watchFraming(&m_exchanges, HttpExchangeFraming::Side::request);
    m_toClient->watchFraming(&m_exchanges, HttpExchangeFraming::Side::answer);
    m_firstChunk = QByteArray();
    m_phase = Phase::relaying;
    return relay();
}

ProxyPair::Status ProxyPair::relay()
{
    const std::uint64_t before = m_toUpstream->progress() + m_toClient->progress();
    const std::uint64_t serverBefore = m_toClient->bytesRead() + m_toUpstream->bytesWritten();
    const std::uint64_t sentBefore = m_toClient->bytesRead();
    // The request first: its bytes are usually the ones waiting.
    const auto up = m_toUpstream->streamData(chunkBudget);
    const auto down = up == RelayDirection::Outcome::failed ? up : m_toClient->streamData(chunkBudget);
    noteProgress(before);
    // The server is alive while it sends, or takes what the client sent.
    if (m_toClient->bytesRead() + m_toUpstream->bytesWritten() != serverBefore)
        m_lastServerByte = m_lastActivity;
    if (m_toClient->bytesRead() != sentBefore)
        m_lastServerSent = m_lastActivity;
    if (up == RelayDirection::Outcome::failed || down == RelayDirection::Outcome::failed) {
        if (m_toUpstream->failedOnPreload())
            kestrova::print(QStringLiteral("❌ Failed to forward data to Ollama: ") + proxyErrorText(m_toUpstream->error()));
        // A server that resets mid-answer is passed on as a reset: a clean
        // end would make a cut answer look complete.
        m_resetClient = upstreamReset();
        return Status::finished;
    }
    if (m_toUpstream->finished() && !m_clientEndedAt)
        m_clientEndedAt = Clock::now();
    if (m_toUpstream->finished() && m_toClient->finished())
        return Status::finished;
    // The server ended and all it sent has been passed on: in HTTP that ends
    // the exchange (an answer without a length ends so), whatever the client
    // would still send. The client's connection ends; left open it would hold
    // a slot for as long as its client keeps the socket.
    if (m_toClient->finished() && !m_exchanges.lost()) {
        m_lingerClient = true; // its write side is shut already
        return Status::finished;
    }
    // A side that failed after its own end is read by neither direction, so
    // nothing else would notice; without this a silent peer on the other
    // side would keep the pair (and its slot) forever.
    if ((m_client.errored && m_toUpstream->finished()) || (m_upstream.errored && m_toClient->finished()))
        return Status::finished;
    if (up == RelayDirection::Outcome::budgetSpent || down == RelayDirection::Outcome::budgetSpent)
        return Status::again;
    return Status::open;
}

void ProxyPair::noteProgress(std::uint64_t before)
{
    if (m_toUpstream->progress() + m_toClient->progress() != before)
        m_lastActivity = Clock::now();
}

bool ProxyPair::upstreamReset() const
{
    const bool readFailed = m_toClient->failedOnRead(); // reading the server
    const bool writeFailed = m_toUpstream->error() != 0 && !m_toUpstream->failedOnRead(); // writing to it
    return (readFailed && m_toClient->error() == ECONNRESET) || (writeFailed && m_toUpstream->error() == ECONNRESET);
}

bool ProxyPair::watch(int fd, Side side)
{
    // Edge-triggered: the endpoint flags remember readiness until a call
    // answers EAGAIN, and a finished socket cannot spin the loop with HUPs.
    epoll_event event{};
    event.events = EPOLLIN | EPOLLOUT | EPOLLRDHUP | EPOLLET;
    event.data.u64 = tag(m_id, side);
    return ::epoll_ctl(m_context.epollFd, EPOLL_CTL_ADD, fd, &event) == 0;
}
