#pragma once

#include "platform/ProcessSignaller.h"
#include "platform/SessionProcessGuard.h"
#include "platform/SignalOutcome.h"


// Freezes and resumes processes by id and the start time a scan recorded:
// the signal goes through a pidfd after re-checking that start time, so a
// pid that was reused in the meantime is never hit. The start time is
// required, so no caller can signal a bare pid by leaving it out. Stateless.
class QuickActionsService {
public:
    QuickActionsService() = delete;

    // SIGSTOP. Refused for pid < 2, our own pid and the processes the
    // desktop session cannot live without. A `failed` outcome leaves the
    // system's reason (an errno value) in `error` when it is given.
    static SignalOutcome suspendProcess(qint32 pid, quint64 startTime,
                                        ProcessSignaller& signaller = ProcessSignaller::system(),
                                        const SessionProcessGuard& guard = SessionProcessGuard::system(),
                                        int* error = nullptr);
    // SIGCONT.
    static SignalOutcome resumeProcess(qint32 pid, quint64 startTime,
                                       ProcessSignaller& signaller = ProcessSignaller::system(), int* error = nullptr);
};
