#pragma once

#include <cstdint>

// How many connection pairs the local API proxy may hold for a given soft
// limit of open descriptors: a quarter of the limit, four descriptors a pair
// (two sockets, two pipes while relaying), kept within sane bounds.
int proxyPairCap(std::uint64_t descriptorLimit);
// The same for this process's current soft limit.
int proxyPairCap();
