#include "localai/ProxyPairCap.h"

#include <sys/resource.h>

#include <algorithm>

namespace {

// Below this a pair cap is no cap at all; above the ceiling the pipes and
// buffers of a flood cost more memory than any honest use needs.
constexpr std::uint64_t fewestPairs = 16;
constexpr std::uint64_t mostPairs = 1024;
constexpr std::uint64_t descriptorsPerPair = 4;
constexpr std::uint64_t shareOfLimit = 4; // the rest is the application's

} // namespace

int proxyPairCap(std::uint64_t descriptorLimit)
{
    return int(std::clamp(descriptorLimit / shareOfLimit / descriptorsPerPair, fewestPairs, mostPairs));
}

int proxyPairCap()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return proxyPairCap(std::uint64_t(1024)); // the usual default
    return proxyPairCap(std::uint64_t(limit.rlim_cur));
}
