#pragma once

#include <QtGlobal>

// Cumulative tick counters of one logical CPU, in the four classes the
// sampler works with.
struct CpuTicks {
    int cpu = 0;          // the CPU number (cpuN); numbers can have gaps when CPUs are offline
    quint64 user = 0;     // includes guest time, as the kernel reports it
    quint64 system = 0;   // system + irq + softirq + steal
    quint64 idle = 0;     // idle + iowait
    quint64 nice = 0;

    bool operator==(const CpuTicks&) const = default;
};
