#pragma once

#include "localai/HttpExchangeFraming.h"
#include "localai/RelayDirection.h"
#include "localai/RequestHeadEnd.h"

#include <QByteArray>
#include <QString>

#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

class PipePool;

// One accepted client and its own connection to the model server, on the
// relay thread: the first read (and the model name in it), the upstream
// connection, the 503 reply when the server cannot be reached, and the relay
// in both directions. Destroying the pair closes both sockets.
class ProxyPair {
public:
    // What every pair of one relay thread shares.
    struct Context {
        int epollFd = -1;
        sockaddr_storage upstreamAddress{};
        socklen_t upstreamAddressLength = 0;
        PipePool* pipes = nullptr; // null: copy through user space
        std::function<void(const QString& model)> modelRouted;
    };

    using Clock = std::chrono::steady_clock;
    enum class Status { open, again, finished };
    enum class Side : std::uint64_t { client = 0, upstream = 1 };

    // The epoll tag of one side of a pair; the reverse of pairId()/side().
    static std::uint64_t tag(std::uint64_t pairId, Side side) { return (pairId << 1) | std::uint64_t(side); }
    static std::uint64_t pairId(std::uint64_t tag) { return tag >> 1; }
    static Side side(std::uint64_t tag) { return Side(tag & 1); }

    // Takes ownership of clientFd (connected, non-blocking).
    ProxyPair(std::uint64_t id, int clientFd, Context& context);
    ~ProxyPair();
    ProxyPair(const ProxyPair&) = delete;
    ProxyPair& operator=(const ProxyPair&) = delete;

    Status start();
    Status handle(Side side, std::uint32_t events);
    // Continues a relay that stopped at its chunk budget.
    Status resume() { return advance(); }
    // Whether the client's request head has ended (its blank line came).
    bool requestHeadEnded() const { return m_head.found(); }
    // When the client was taken on.
    Clock::time_point acceptedAt() const { return m_acceptedAt; }
    // Tells a client why it is closed (an answer with `status`, such as
    // "408 Request Timeout", and `reason`), unless the server already
    // answered something. Best effort: the pair is closed next whatever
    // happens.
    void tellClientWhyClosed(const QByteArray& status, const QByteArray& reason);
    // Once the pair has finished: the client's socket, when its connection
    // is to end with a lingering close (an answer of the proxy's own, or one
    // the server ended by closing, sent in full and the write side shut),
    // handed over to the caller; else -1, and destroying the pair closes it.
    int takeLingeringClient();
    // When the model server last sent a byte (at first, the accept). Bytes
    // the client sends, and the server takes, do not count.
    Clock::time_point serverSentAt() const { return m_lastServerSent; }
    // The proxy has no room for the upstream connection: the client's
    // request is answered with a 503 that says the proxy is at its connection
    // limit, and `why` is printed.
    void turnAwayForLackOfRoom(const QString& why) { m_turnAway = why; }
    bool turningAway() const { return m_turnAway.has_value(); }
    // Whether the pair will still open its upstream socket.
    bool needsUpstreamSocket() const { return m_phase == Phase::awaitingRequest && !m_turnAway; }
    // A kept-alive connection at rest: every request answered in full and
    // passed on, its client has taken all of it, and nothing more came from
    // the client. Closing it cuts nothing.
    bool idle();
    // Whether the client has bytes of an answer still to take: read from the
    // server and not passed on yet (in a buffer or a pipe), or waiting in the
    // client's socket. Whatever the framing says, that answer is in progress.
    // A look that finds the client took some since the last counts as
    // activity.
    bool holdsAnswer();
    // A request sent in full waits for its answer or is getting it.
    bool answerDue() const { return m_phase == Phase::relaying && m_exchanges.answerDue(); }
    // When a byte last moved either way.
    Clock::time_point lastActivity() const { return m_lastActivity; }
    // Bytes from the client not read yet: a request may be coming although
    // the relay has not seen it.
    bool clientUnread() const;
    // Whether the client has ended its stream (a half-close or a close).
    bool clientEnded() const { return m_clientEndedAt.has_value(); }
    // Since when the server has neither sent nor taken a byte, counted from
    // the client's end at the earliest.
    Clock::time_point serverSilentSince() const;

private:
    enum class Phase { awaitingRequest, connecting, relaying, replyingUnavailable };

    Status advance();
    Status readRequest();
    Status forwardToOllama();
    Status finishConnect();
    Status upstreamUnavailable(int error);
    Status atCapacity(int error);
    Status writeUnavailableReply();
    Status startRelay();
    Status relay();
    bool watch(int fd, Side side);
    void noteProgress(std::uint64_t before);
    void endWithLingeringClose();
    bool upstreamReset() const;

    std::uint64_t m_id;
    Context& m_context;
    Phase m_phase = Phase::awaitingRequest;
    RelayDirection::Endpoint m_client;
    RelayDirection::Endpoint m_upstream;
    QByteArray m_firstChunk;
    std::string_view m_reply; // the fixed answer when there is no relay
    qsizetype m_replyOffset = 0;
    std::unique_ptr<RelayDirection> m_toUpstream;
    std::unique_ptr<RelayDirection> m_toClient;
    RequestHeadEnd m_head;
    HttpExchangeFraming m_exchanges;
    const Clock::time_point m_acceptedAt = Clock::now();
    Clock::time_point m_lastActivity = m_acceptedAt;
    Clock::time_point m_lastServerByte = m_lastActivity; // sent or taken
    Clock::time_point m_lastServerSent = m_lastActivity;
    std::optional<Clock::time_point> m_clientEndedAt;
    int m_clientQueued = 0; // in the client's socket when last looked
    bool m_resetClient = false; // the server reset: so is the client, not ended
    bool m_lingerClient = false;
    std::optional<QString> m_turnAway; // why
};
