#include "telemetry/QuickActionsService.h"

#include <csignal>

SignalOutcome QuickActionsService::suspendProcess(qint32 pid, quint64 startTime,
                                                  ProcessSignaller& signaller, const SessionProcessGuard& guard,
                                                  int* error)
{
    if (!guard.mayFreeze(pid))
        return SignalOutcome::refused;
    return signaller.send(pid, SIGSTOP, startTime, error);
}

SignalOutcome QuickActionsService::resumeProcess(qint32 pid, quint64 startTime,
                                                 ProcessSignaller& signaller, int* error)
{
    return signaller.send(pid, SIGCONT, startTime, error);
}
