#pragma once

#include <QtGlobal>

#include <optional>

// The lines of /proc/meminfo the sampler uses, in bytes; absent when the
// kernel does not print the line.
struct MemInfo {
    std::optional<quint64> memTotal;
    std::optional<quint64> memAvailable;
    std::optional<quint64> active;
    std::optional<quint64> activeAnon;
    std::optional<quint64> inactiveAnon;
    std::optional<quint64> anonPages;
    std::optional<quint64> shmem;
    std::optional<quint64> unevictable;
    std::optional<quint64> kernelStack;
    std::optional<quint64> pageTables;
    std::optional<quint64> sUnreclaim;
    std::optional<quint64> zswap;
    std::optional<quint64> swapTotal;
    std::optional<quint64> swapFree;

    // Memory the kernel will not page out: unevictable pages, kernel stacks,
    // page tables and unreclaimable slab.
    quint64 wired() const
    {
        return unevictable.value_or(0) + kernelStack.value_or(0) + pageTables.value_or(0) + sUnreclaim.value_or(0);
    }
    // Memory in use as the kernel counts it: all but what it can hand out
    // at once (free memory, page cache, reclaimable slab, and pages freed
    // lazily with MADV_FREE, which AnonPages still counts). Absent without
    // MemTotal and MemAvailable.
    std::optional<quint64> inUse() const
    {
        if (!memTotal || !memAvailable)
            return std::nullopt;
        return *memTotal > *memAvailable ? *memTotal - *memAvailable : 0;
    }
    // Memory that processes hold: what wired and `compressed` memory leave
    // of the memory in use. Kernels without MemAvailable: their anonymous
    // pages and shared memory (AnonPages + Shmem), else the two anonymous
    // lists, else the active list (fresh anonymous pages start on the
    // inactive one); absent when none is printed.
    std::optional<quint64> application(quint64 compressed) const
    {
        if (const auto used = inUse()) {
            const quint64 other = wired() + compressed;
            return *used > other ? *used - other : 0;
        }
        if (anonPages)
            return *anonPages + shmem.value_or(0);
        if (activeAnon && inactiveAnon)
            return *activeAnon + *inactiveAnon;
        return active;
    }
    // Swap in use, when both swap lines are there.
    std::optional<quint64> swapUsed() const
    {
        if (!swapTotal || !swapFree)
            return std::nullopt;
        return *swapTotal > *swapFree ? *swapTotal - *swapFree : 0;
    }

    bool operator==(const MemInfo&) const = default;
};
