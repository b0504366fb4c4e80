#pragma once

#include "localai/HttpExchangeFraming.h"
#include "localai/PipePool.h"

#include <QByteArray>

#include <sys/types.h>

#include <cstdint>
#include <vector>

class RequestHeadEnd;

// One direction of a relayed connection pair, driven by edge-triggered
// readiness: read a chunk of at most 64 KiB from `from`, write all of it to
// `to`, and only then read again, so a slow receiver slows its sender. When
// `from` ends its stream the rest of the chunk is written and the write side
// of `to` is shut down; the other direction keeps running on its own.
class RelayDirection {
public:
    // A socket and what the last epoll report said of it. The flags are
    // cleared only when a call answers EAGAIN.
    struct Endpoint {
        int fd = -1;
        bool readable = false;
        bool writable = false;
        bool errored = false; // reported EPOLLERR (a reset, say)
    };

    enum class Outcome {
        waiting,     // needs a readiness report
        budgetSpent, // more to do at once; call again after other work
        finished,    // end of stream passed on
        failed,      // a read or write failed; the pair must close
    };

    static constexpr qsizetype chunkSize = 65536;

    // pipes: splice through a pooled pipe; null copies through user space.
    RelayDirection(Endpoint& from, Endpoint& to, PipePool* pipes);
    ~RelayDirection();
    RelayDirection(const RelayDirection&) = delete;
    RelayDirection& operator=(const RelayDirection&) = delete;

    // Bytes already read from `from` that must go out before anything else.
    void preload(const QByteArray& bytes);
    // Shows what is read to `head` until it has found the head's end; those
    // reads copy through user space instead of splicing.
    void watchHead(RequestHeadEnd* head) { m_head = head; }
    // Shows what is read to `framing` as `side`; only what it need not see
    // (bodies of a known length, traffic it no longer follows) is spliced
    // past it.
    void watchFraming(HttpExchangeFraming* framing, HttpExchangeFraming::Side side)
    {
        m_framing = framing;
        m_side = side;
    }

    // Moves data until it must wait or has moved `chunkBudget` chunks.
    Outcome streamData(int chunkBudget);

    bool finished() const { return m_finished; }
    // errno of the failure, whether it hit the preloaded bytes, and whether
    // reading `from` failed (rather than writing to `to`).
    int error() const { return m_error; }
    bool failedOnPreload() const { return m_failed && m_preloadPending; }
    bool failedOnRead() const { return m_failed && m_failedOnRead; }
    // Bytes read from `from` and written to `to` so far; a change tells
    // that the direction moved something.
    std::uint64_t bytesRead() const { return m_bytesRead; }
    std::uint64_t bytesWritten() const { return m_bytesWritten; }
    std::uint64_t progress() const { return m_bytesRead + m_bytesWritten; }
    // Bytes read and not yet written on.
    bool holding() const { return m_pending > 0; }

private:
    ssize_t readChunk();
    ssize_t writePending();
    void chunkWritten();
    Outcome fail(int error, bool onRead);

    Endpoint& m_from;
    Endpoint& m_to;
    PipePool* m_pipes;
    RequestHeadEnd* m_head = nullptr;
    HttpExchangeFraming* m_framing = nullptr;
    HttpExchangeFraming::Side m_side = HttpExchangeFraming::Side::request;
    PipePool::Pipe m_pipe;      // holds the chunk while splicing
    std::vector<char> m_buffer; // holds the chunk otherwise
    qsizetype m_offset = 0;
    qsizetype m_pending = 0;
    bool m_preloadPending = false;
    bool m_endOfStream = false;
    bool m_finished = false;
    bool m_failed = false;
    bool m_failedOnRead = false;
    int m_error = 0;
    std::uint64_t m_bytesRead = 0;
    std::uint64_t m_bytesWritten = 0;
};
