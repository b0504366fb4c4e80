#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>

// Client connections the proxy ends after an answer of its own (or after the
// model server's close ended the answer), the way an HTTP server ends a
// connection early: the answer is sent and the write side shut, and what the
// client still sends is read and dropped until it ends, or until its time
// bounds, before the socket closes. Closing over unread bytes would make the
// kernel answer with a reset, which can overtake the answer. However much a
// client sends within those bounds, a close is never cut short: each socket
// is a descriptor spent, so the relay thread counts them in its bounded
// waiting room and takes on no newcomer while that is full.
// Runs on the relay thread, from its epoll loop.
class LingeringCloses {
public:
    using Clock = std::chrono::steady_clock;

    // The epoll tags of lingering sockets carry this bit (pair tags never do).
    static constexpr std::uint64_t tagBit = std::uint64_t(1) << 62;
    // A close waits this long for a byte from the client, and no longer in all.
    static constexpr auto quietBound = std::chrono::seconds(2);
    static constexpr auto timeBound = std::chrono::seconds(5);

    explicit LingeringCloses(int epollFd) : m_epoll(epollFd) {}
    // Closes every socket still lingering.
    ~LingeringCloses() { clear(); }
    LingeringCloses(const LingeringCloses&) = delete;
    LingeringCloses& operator=(const LingeringCloses&) = delete;

    // Takes `fd`, whose write side is shut and which is in the epoll set
    // still, and closes it once the client has ended or a time bound is
    // reached.
    void add(int fd);
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
        std::optional<std::multimap<Clock::time_point, std::uint64_t>::iterator> check;
    };

    // Drops what has come, a bounded amount a turn (the socket is watched
    // level-triggered, so the rest is reported again); whether the socket is
    // done with (ended or failed).
    static bool drain(Socket& socket);
    static Clock::time_point due(const Socket& socket);
    void close(std::map<std::uint64_t, Socket>::iterator found);

    const int m_epoll;
    std::uint64_t m_nextId = 0;
    std::map<std::uint64_t, Socket> m_sockets; // oldest first
    std::multimap<Clock::time_point, std::uint64_t> m_checks;
};
