#pragma once

#include <sys/resource.h>

// Sets the soft limit of open files for as long as it lives (caps derived
// from the limit come out small), then puts the old one back.
class ScopedSoftFileLimit {
public:
    explicit ScopedSoftFileLimit(rlim_t soft)
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = soft;
        m_applied = ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~ScopedSoftFileLimit() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    ScopedSoftFileLimit(const ScopedSoftFileLimit&) = delete;
    ScopedSoftFileLimit& operator=(const ScopedSoftFileLimit&) = delete;
    bool applied() const { return m_applied; }

private:
    rlimit m_saved{};
    bool m_applied = false;
};
