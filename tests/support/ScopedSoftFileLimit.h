#pragma once

#include <sys/resource.h>

#include <algorithm>

// Sets the soft limit of open files (at most the hard one) for as long as it
// lives, so that caps derived from it come out small or a test finds room,
// then puts the old one back.
class ScopedSoftFileLimit {
public:
    explicit ScopedSoftFileLimit(rlim_t soft)
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit wanted = m_saved;
        wanted.rlim_cur = std::min(soft, m_saved.rlim_max);
        m_applied = ::setrlimit(RLIMIT_NOFILE, &wanted) == 0;
    }
    ~ScopedSoftFileLimit() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    ScopedSoftFileLimit(const ScopedSoftFileLimit&) = delete;
    ScopedSoftFileLimit& operator=(const ScopedSoftFileLimit&) = delete;
    bool applied() const { return m_applied; }

private:
    rlimit m_saved{};
    bool m_applied = false;
};
