#include "localai/ProxyRoom.h"

#include "platform/OpenDescriptorCount.h"

#include <sys/resource.h>

#include <algorithm>

namespace {

constexpr std::int64_t socketsPerPair = 2;
constexpr std::int64_t descriptorsPerPipe = 2;

} // namespace

int ProxyRoom::reserve(std::uint64_t descriptorLimit)
{
    // Enough for a few commands' pipes and some file reads at once.
    return int(std::clamp<std::uint64_t>(descriptorLimit / 8, 8, 256));
}

ProxyRoom ProxyRoom::now(int maxPairs, const Held& held)
{
    rlimit limit{};
    const std::uint64_t soft = ::getrlimit(RLIMIT_NOFILE, &limit) != 0 ? 1024
        : limit.rlim_cur == RLIM_INFINITY                             ? std::uint64_t(1) << 20
                                                                      : std::uint64_t(limit.rlim_cur);
    return ProxyRoom(maxPairs, held, soft, openDescriptorCount());
}

ProxyRoom::ProxyRoom(int maxPairs, const Held& held, std::uint64_t descriptorLimit, int openDescriptors)
{
    m_pairLimit = std::min(maxPairs, held.pairs);
    if (openDescriptors < 0) {
        m_closeIdlePipes = true; // not even the listing had a descriptor
        return;
    }
    const std::int64_t limit = std::int64_t(std::min<std::uint64_t>(descriptorLimit, std::uint64_t(1) << 40));
    const std::int64_t wanted = socketsPerPair * std::max(0, maxPairs - held.pairs);
    std::int64_t spare = limit - openDescriptors - reserve(descriptorLimit) - held.pairsWithoutUpstream;
    // Pipes only save copying; a client needs its pair more.
    if (spare < wanted && held.idlePipes > 0) {
        m_closeIdlePipes = true;
        spare += descriptorsPerPipe * held.idlePipes;
    }
    m_pairLimit = int(std::min<std::int64_t>(maxPairs, held.pairs + std::max<std::int64_t>(0, spare / socketsPerPair)));
    m_plentiful = spare >= 2 * wanted;
    // The waiting room takes what the pairs the limit allows leave; pipes
    // leave room for it.
    const std::int64_t waitingRoom = std::max(0, maxPairs - held.waiting);
    const std::int64_t pairsToCome = socketsPerPair * std::max(0, m_pairLimit - held.pairs);
    m_moreWaiting = int(std::clamp<std::int64_t>(spare - pairsToCome, 0, waitingRoom));
    m_morePipes = int(std::clamp<std::int64_t>((spare - wanted - waitingRoom) / descriptorsPerPipe, 0, 1 << 20));
}
