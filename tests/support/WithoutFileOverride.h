#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>
#include <type_traits>

// Runs `work` on a thread of its own that cannot override file permissions,
// so a read-only folder is read-only for it even when the tests run as root.
// Capabilities belong to a thread on Linux, so the rest of the test process
// keeps its own. Qt file classes work on any thread; nothing here needs the
// event loop.
template <typename Work>
auto runWithoutFileOverride(Work work) -> std::invoke_result_t<Work>
{
    std::invoke_result_t<Work> result{};
    std::thread thread([&] {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2] = {};
        if (::syscall(SYS_capget, &header, data) == 0) {
            for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
                data[cap / 32].effective &= ~(1u << (cap % 32));
            ::syscall(SYS_capset, &header, data);
        }
        result = work();
    });
    thread.join();
    return result;
}
