#include "localai/LingeringCloses.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// Reads of what a lingering client sends, per socket and turn of the loop:
// a client that sends without pause cannot keep the relay from other work.
constexpr int readsPerTurn = 64;

} // namespace

void LingeringCloses::add(int fd)
{
    const std::uint64_t id = m_nextId++;
    const auto now = Clock::now();
    Socket& socket = m_sockets.emplace(id, Socket{fd, now, now}).first->second;
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP;
    event.data.u64 = tagBit | id;
    if (::epoll_ctl(m_epoll, EPOLL_CTL_MOD, fd, &event) != 0) {
        drain(socket); // what has come is read: no reset for it
        close(m_sockets.find(id));
        return;
    }
    socket.check = m_checks.emplace(due(socket), id);
}

void LingeringCloses::handle(std::uint64_t tag)
{
    const auto found = m_sockets.find(tag & ~tagBit);
    if (found != m_sockets.end() && drain(found->second))
        close(found);
}

void LingeringCloses::expire(Clock::time_point now)
{
    while (!m_checks.empty() && m_checks.begin()->first <= now) {
        const auto found = m_sockets.find(m_checks.begin()->second);
        const auto dueAt = due(found->second);
        if (dueAt <= now) {
            close(found);
        } else { // a byte came since: the quiet bound counts from it
            m_checks.erase(m_checks.begin());
            found->second.check = m_checks.emplace(dueAt, found->first);
        }
    }
}

std::optional<LingeringCloses::Clock::time_point> LingeringCloses::nextCheck() const
{
    if (m_checks.empty())
        return std::nullopt;
    return m_checks.begin()->first;
}

void LingeringCloses::clear()
{
    while (!m_sockets.empty())
        close(m_sockets.begin());
}

bool LingeringCloses::drain(Socket& socket)
{
    char discard[16384];
    for (int reads = 0; reads < readsPerTurn;) {
        const ssize_t read = ::recv(socket.fd, discard, sizeof discard, MSG_DONTWAIT);
        if (read > 0) {
            socket.lastByteAt = Clock::now();
            ++reads;
        } else if (read < 0 && errno == EINTR) {
            continue;
        } else {
            return !(read < 0 && errno == EAGAIN); // ended or failed; else more may come
        }
    }
    return false;
}

LingeringCloses::Clock::time_point LingeringCloses::due(const Socket& socket)
{
    return std::min(socket.lastByteAt + quietBound, socket.startedAt + timeBound);
}

void LingeringCloses::close(std::map<std::uint64_t, Socket>::iterator found)
{
    if (found->second.check)
        m_checks.erase(*found->second.check);
    ::close(found->second.fd); // also leaves the epoll set
    m_sockets.erase(found);
}
