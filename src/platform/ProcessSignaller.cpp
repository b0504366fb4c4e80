#include "platform/ProcessSignaller.h"

#include "core/ProcessStartTime.h"

#include <cerrno>
#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// glibc 2.36 has pidfd_open/pidfd_send_signal wrappers, but its header lacks
// C++ guards; the raw system calls need no header at all.
int openPidfd(pid_t pid)
{
    return int(::syscall(SYS_pidfd_open, pid, 0));
}

int sendThroughPidfd(int pidfd, int signal)
{
    return int(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
}

class KernelSignaller final : public ProcessSignaller {
public:
    SignalOutcome send(qint32 pid, int signal, std::optional<quint64> expectedStartTime, int* error) override
    {
        if (isForbiddenPid(pid))
            return SignalOutcome::refused;
        // Read errno at once: a later call may change it.
        const auto failure = [error] {
            if (errno == ESRCH)
                return SignalOutcome::noSuchProcess;
            if (error)
                *error = errno;
            return SignalOutcome::failed;
        };
        if (!expectedStartTime)
            return ::kill(pid, signal) == 0 ? SignalOutcome::sent : failure();
        const int pidfd = openPidfd(pid);
        if (pidfd < 0)
            return failure();
        // The pidfd pins the process: if the start time still matches now,
        // the signal reaches this very process even if the pid is reused later.
        SignalOutcome outcome = SignalOutcome::noSuchProcess;
        if (readProcessStartTime(pid) == expectedStartTime)
            outcome = sendThroughPidfd(pidfd, signal) == 0 ? SignalOutcome::sent : failure();
        ::close(pidfd);
        return outcome;
    }

    bool exists(qint32 pid) override
    {
        if (pid <= 0)
            return false;
        return ::kill(pid, 0) == 0 || errno == EPERM;
    }

    bool canSignal(qint32 pid) override { return pid > 0 && ::kill(pid, 0) == 0; }
};

} // namespace

bool ProcessSignaller::isForbiddenPid(qint32 pid)
{
    return pid < 2 || pid == qint32(::getpid());
}

ProcessSignaller& ProcessSignaller::system()
{
    static KernelSignaller signaller;
    return signaller;
}
