#include "platform/DescriptorBudget.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {

// The most a soft limit may be set to when the hard limit is unlimited.
rlim_t systemCeiling()
{
    unsigned long long ceiling = 0;
    if (FILE* file = std::fopen("/proc/sys/fs/nr_open", "re")) {
        if (std::fscanf(file, "%llu", &ceiling) != 1)
            ceiling = 0;
        std::fclose(file);
    }
    return ceiling > 0 ? rlim_t(ceiling) : rlim_t(1) << 20;
}

unsigned long long softLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    return limit.rlim_cur == RLIM_INFINITY ? ~0ull : limit.rlim_cur;
}

// The soft limit this process was started with, while a raised one is in force.
rlim_t inheritedSoftLimit = RLIM_INFINITY;

} // namespace

DescriptorBudget& DescriptorBudget::process()
{
    static DescriptorBudget budget(capacityFor(softLimit()));
    return budget;
}

int DescriptorBudget::capacityFor(unsigned long long softLimit)
{
    return int(std::min<unsigned long long>(softLimit / 4, 4096));
}

unsigned long long DescriptorBudget::raiseSoftLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max == RLIM_INFINITY ? systemCeiling() : limit.rlim_max;
        if (raised.rlim_cur > limit.rlim_cur && ::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            inheritedSoftLimit = limit.rlim_cur;
    }
    return softLimit();
}

void DescriptorBudget::restoreInheritedSoftLimit()
{
    rlimit limit{};
    if (inheritedSoftLimit == RLIM_INFINITY || ::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    limit.rlim_cur = inheritedSoftLimit;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

bool DescriptorBudget::take()
{
    int used = m_used.load();
    do {
        if (used >= m_capacity)
            return false;
    } while (!m_used.compare_exchange_weak(used, used + 1));
    return true;
}

void DescriptorBudget::give()
{
    m_used.fetch_sub(1);
}
