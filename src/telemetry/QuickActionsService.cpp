#include "telemetry/QuickActionsService.h"

#include <csignal>

SignalOutcome QuickActionsService::suspendProcess(qint32 pid, quint64 startTime,
                                                  ProcessSignaller& signaller, const SessionProcessGuard& guard)
{
    if (!guard.mayFreeze(pid))
        return SignalOutcome::refused;
    return signaller.send(pid, SIGSTOP, startTime);
}

SignalOutcome QuickActionsService::resumeProcess(qint32 pid, quint64 startTime,
                                                 ProcessSignaller& signaller)
{
    return signaller.send(pid, SIGCONT, startTime);
}
