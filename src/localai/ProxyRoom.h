#pragma once

#include <cstdint>

// How many connection pairs and relay pipes the local API proxy may hold
// now: never more pairs than its cap, and only what the descriptors actually
// free allow, less a reserve that the rest of the application keeps for its
// own files, pipes and processes. Beside the pairs, as many connections as
// the cap may wait (to be told of the limit, or closing), again only from
// the descriptors free beyond the reserve; pipes come last.
class ProxyRoom {
public:
    // What the proxy holds when the room is counted.
    struct Held {
        int pairs = 0;
        int pairsWithoutUpstream = 0; // each still opens one socket
        int idlePipes = 0;            // kept for reuse; closed when pairs need the room
        int waiting = 0;              // connections beyond the pairs: being turned away, or closing
    };

    // Descriptors kept free for the rest of the application.
    static int reserve(std::uint64_t descriptorLimit);
    // The room for this process's soft limit and open descriptors now.
    static ProxyRoom now(int maxPairs, const Held& held);

    ProxyRoom(int maxPairs, const Held& held, std::uint64_t descriptorLimit, int openDescriptors);

    // Pairs in all, those held included.
    int pairLimit() const { return m_pairLimit; }
    // Pipes that may be opened beyond those open now.
    int morePipes() const { return m_morePipes; }
    bool closeIdlePipes() const { return m_closeIdlePipes; }
    // Connections that may be taken on beside the pairs, to be turned away.
    int moreWaiting() const { return m_moreWaiting; }
    // The descriptors free would hold every pair the cap still allows twice
    // over: the count can wait a while before it is taken again.
    bool plentiful() const { return m_plentiful; }

private:
    int m_pairLimit = 0;
    int m_morePipes = 0;
    int m_moreWaiting = 0;
    bool m_closeIdlePipes = false;
    bool m_plentiful = false;
};
