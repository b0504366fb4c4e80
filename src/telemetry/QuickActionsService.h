#pragma once

#include "platform/ProcessSignaller.h"
#include "platform/SessionProcessGuard.h"
#include "platform/SignalOutcome.h"

#include <optional>

// Freezes and resumes processes by id. With the start time a scan recorded,
// the signal goes through a pidfd after re-checking that start time, so a
// pid that was reused in the meantime is never hit. Stateless.
class QuickActionsService {
public:
    QuickActionsService() = delete;

    // SIGSTOP. Refused for pid < 2, our own pid and the processes the
    // desktop session cannot live without.
    static SignalOutcome suspendProcess(qint32 pid, std::optional<quint64> startTime = std::nullopt,
                                        ProcessSignaller& signaller = ProcessSignaller::system(),
                                        const SessionProcessGuard& guard = SessionProcessGuard::system());
    // SIGCONT.
    static SignalOutcome resumeProcess(qint32 pid, std::optional<quint64> startTime = std::nullopt,
                                       ProcessSignaller& signaller = ProcessSignaller::system());
};
