#pragma once

#include <vector>

// Which logical CPUs are efficiency CPUs and which are performance CPUs, by
// CPU number, ascending. Either list may be empty.
struct CpuClusters {
    std::vector<int> efficiency;
    std::vector<int> performance;

    bool operator==(const CpuClusters&) const = default;
};
