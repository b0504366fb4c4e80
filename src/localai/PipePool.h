#pragma once

#include <limits>
#include <vector>

// Pipes that hold one relayed chunk between splice(2) calls. A relay direction
// takes a pipe only while bytes sit in it, so idle connections hold none and
// the descriptor count stays close to two per connection pair.
class PipePool {
public:
    struct Pipe {
        int readFd = -1;
        int writeFd = -1;
        bool valid() const { return readFd >= 0; }
    };

    explicit PipePool(int keepIdle = 8) : m_keepIdle(keepIdle) {}
    ~PipePool();
    PipePool(const PipePool&) = delete;
    PipePool& operator=(const PipePool&) = delete;

    // An empty pipe of 64 KiB, or an invalid one when none can be made (out
    // of descriptors); the caller then copies through user space.
    Pipe acquire();
    // Gives a pipe back. One that may still hold bytes (an error cut its
    // transfer short) is closed instead of reused.
    void release(Pipe& pipe, bool empty);

    // Closes the idle pipes (nothing is relaying, or descriptors are short).
    void clear();
    int idleCount() const { return int(m_idle.size()); }
    // How many more pipes may be opened beyond those open now; the rest of
    // the process needs its descriptors more than a relay needs splicing.
    void allowMore(int pipes) { m_maxOpen = m_open + pipes; }

private:
    void closePipe(Pipe& pipe);

    int m_keepIdle;
    std::vector<Pipe> m_idle;
    int m_open = 0; // idle and in use
    int m_maxOpen = std::numeric_limits<int>::max();
};
