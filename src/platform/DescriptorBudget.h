#pragma once

#include <atomic>

// Descriptors that readers keep open between reads (the /proc/PID/stat files
// of the process table, the hot /proc and /sys files) all come out of one
// budget, a share of the soft limit of open files, so that sockets, pipes
// and directory walks always find room beside them. Thread-safe.
class DescriptorBudget {
public:
    // The process's budget, sized from the soft limit in force when first asked.
    static DescriptorBudget& process();

    explicit DescriptorBudget(int capacity) : m_capacity(capacity < 0 ? 0 : capacity) {}
    DescriptorBudget(const DescriptorBudget&) = delete;
    DescriptorBudget& operator=(const DescriptorBudget&) = delete;

    // A quarter of the limit, at most 4096.
    static int capacityFor(unsigned long long softLimit);

    // Raises the soft limit of open files to the hard limit (the default soft
    // limit, 1024, is often far below it). Returns the soft limit in force.
    static unsigned long long raiseSoftLimit();
    // Puts back the soft limit the process started with, for a child about
    // to run another program (tools that walk or select() over every
    // descriptor expect the usual limit). Only system calls: safe after fork.
    static void restoreInheritedSoftLimit();

    // One more descriptor may be kept: true, and the caller gives it back
    // when it closes that descriptor.
    bool take();
    void give();

    int capacity() const { return m_capacity; }
    int inUse() const { return m_used.load(); }

private:
    const int m_capacity;
    std::atomic<int> m_used{0};
};
