#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>

// Client connections the proxy ends after an answer of its own (or after the
// model server's close ended the answer), the way an HTTP server ends a
// connection early: the answer is sent and the write side shut, and what the
// client still sends is read and dropped until it ends, for a bounded time
// and amount, before the socket closes. Closing over unread bytes would make
// the kernel answer with a reset, which can overtake the answer.
//
// Each socket is a descriptor spent, so they are bounded: when full, the one
// lingering longest is drained of what has come and closed to make room.
// Runs on the relay thread, from its epoll loop.
class LingeringCloses {
public:
    using Clock = std::chrono::steady_clock;

    // The epoll tags of lingering sockets carry this bit (pair tags never do).
    static constexpr std::uint64_t tagBit = std::uint64_t(1) << 62;
    // A close waits this long for a byte from the client, and no longer in all.
    static constexpr auto quietBound = std::chrono::seconds(2);
    static constexpr auto timeBound = std::chrono::seconds(5);
    static constexpr std::uint64_t byteBound = std::uint64_t(8) << 20;

    LingeringCloses(int epollFd, int capacity) : m_epoll(epollFd), m_capacity(capacity) {}
    // Closes every socket still lingering.
    ~LingeringCloses() { clear(); }
    LingeringCloses(const LingeringCloses&) = delete;
    LingeringCloses& operator=(const LingeringCloses&) = delete;

    // Takes `fd`, whose write side is shut, and closes it once the client
    // has ended or a bound is reached. `watched`: the fd is already in the
    // epoll set (its registration is changed, not added).
    void add(int fd, bool watched);
    // A readiness report for `tag`.
    void handle(std::uint64_t tag);
    // Closes those whose bound has come.
    void expire(Clock::time_point now);
    std::optional<Clock::time_point> nextCheck() const;
    int size() const { return int(m_sockets.size()); }
    void clear();

private:
    struct Socket {
        int fd = -1;
        Clock::time_point startedAt;
        Clock::time_point lastByteAt;
        std::uint64_t dropped = 0;
        std::optional<std::multimap<Clock::time_point, std::uint64_t>::iterator> check;
    };

    // Drops what has come; whether the socket is done with (ended, failed
    // or over its byte bound).
    static bool drain(Socket& socket);
    static Clock::time_point due(const Socket& socket);
    void close(std::map<std::uint64_t, Socket>::iterator found);

    const int m_epoll;
    const int m_capacity;
    std::uint64_t m_nextId = 0;
    std::map<std::uint64_t, Socket> m_sockets; // oldest first
    std::multimap<Clock::time_point, std::uint64_t> m_checks;
};
