#include "localai/RelayDirection.h"

#include "localai/RequestHeadEnd.h"

#include <fcntl.h>
#include <sys/socket.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

// splice(2) into a socket whose peer is gone raises SIGPIPE (it has no
// MSG_NOSIGNAL). The relay thread blocks SIGPIPE, so the signal stays pending
// on that thread; take it off again so it can never reach the process.
void discardPendingSigpipe()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    const timespec zero{};
    while (::sigtimedwait(&set, nullptr, &zero) > 0) {
    }
}

} // namespace

RelayDirection::RelayDirection(Endpoint& from, Endpoint& to, PipePool* pipes)
    : m_from(from), m_to(to), m_pipes(pipes)
{
}

RelayDirection::~RelayDirection()
{
    if (m_pipes)
        m_pipes->release(m_pipe, m_pending == 0);
}

void RelayDirection::preload(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    m_buffer.assign(bytes.begin(), bytes.end());
    m_offset = 0;
    m_pending = bytes.size();
    m_preloadPending = true;
}

RelayDirection::Outcome RelayDirection::streamData(int chunkBudget)
{
    if (m_finished)
        return Outcome::finished;
    if (m_failed)
        return Outcome::failed;
    for (;;) {
        if (m_pending > 0) {
            if (!m_to.writable)
                return Outcome::waiting;
            const ssize_t written = writePending();
            if (written > 0) {
                m_pending -= written;
                m_bytesWritten += std::uint64_t(written);
                if (m_pending == 0)
                    chunkWritten();
                continue;
            }
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                m_to.writable = false;
                return Outcome::waiting;
            }
            return fail(errno, false);
        }
        if (m_endOfStream) {
            // Half-close: the peer of `to` sees the end while the other
            // direction still carries its answer. ENOTCONN (the peer reset)
            // surfaces on the other direction's next read or write.
            ::shutdown(m_to.fd, SHUT_WR);
            m_finished = true;
            return Outcome::finished;
        }
        if (!m_from.readable)
            return Outcome::waiting;
        if (chunkBudget-- <= 0)
            return Outcome::budgetSpent;
        const ssize_t read = readChunk();
        if (read > 0) {
            m_pending = read;
            m_bytesRead += std::uint64_t(read);
            continue;
        }
        if (read == 0) {
            m_endOfStream = true;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN) {
            m_from.readable = false;
            return Outcome::waiting;
        }
        return fail(errno, true);
    }
}

ssize_t RelayDirection::readChunk()
{
    const bool watching = m_head && !m_head->found();
    // Splice only a whole chunk that the framing need not see.
    const bool blind = !watching && (!m_framing || m_framing->blindRoom(m_side) >= chunkSize);
    if (m_pipes && !m_pipe.valid() && blind)
        m_pipe = m_pipes->acquire();
    if (m_pipe.valid()) {
        const ssize_t moved = ::splice(m_from.fd, nullptr, m_pipe.writeFd, nullptr, size_t(chunkSize),
                                       SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
        if (moved > 0 && m_framing)
            m_framing->passBlind(m_side, moved);
        if (moved <= 0) {
            const int saved = errno;
            m_pipes->release(m_pipe, true);
            errno = saved;
        }
        return moved;
    }
    // No pipe to be had (descriptors exhausted), or the bytes are to be
    // looked at: copy instead.
    if (qsizetype(m_buffer.size()) < chunkSize)
        m_buffer.resize(size_t(chunkSize));
    m_offset = 0;
    const ssize_t read = ::recv(m_from.fd, m_buffer.data(), size_t(chunkSize), MSG_DONTWAIT);
    if (read > 0 && watching)
        m_head->feed(m_buffer.data(), read);
    if (read > 0 && m_framing && !m_framing->lost())
        m_framing->feed(m_side, m_buffer.data(), read);
    return read;
}

ssize_t RelayDirection::writePending()
{
    if (m_pipe.valid()) {
        const ssize_t moved = ::splice(m_pipe.readFd, nullptr, m_to.fd, nullptr, size_t(m_pending),
                                       SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
        if (moved < 0 && errno == EPIPE) {
            discardPendingSigpipe();
            errno = EPIPE; // sigtimedwait() left EAGAIN, which would mean "wait"
        }
        return moved;
    }
    const ssize_t sent = ::send(m_to.fd, m_buffer.data() + m_offset, size_t(m_pending), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0)
        m_offset += sent;
    return sent;
}

void RelayDirection::chunkWritten()
{
    m_preloadPending = false;
    if (m_pipes)
        m_pipes->release(m_pipe, true);
}

RelayDirection::Outcome RelayDirection::fail(int error, bool onRead)
{
    m_failed = true;
    m_failedOnRead = onRead;
    m_error = error;
    return Outcome::failed;
}
