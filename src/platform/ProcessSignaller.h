#pragma once

#include "platform/SignalOutcome.h"

#include <QtGlobal>

#include <optional>

// Sends signals to processes. Never signals pid < 2 or our own pid. With a
// start time, the signal goes through a pidfd opened first and checked
// against that start time, so a pid reused by another process is never hit.
class ProcessSignaller {
public:
    virtual ~ProcessSignaller() = default;

    // When the outcome is `failed`, `error` (if given) receives the system's
    // reason, an errno value, so the refusal can be said with it.
    virtual SignalOutcome send(qint32 pid, int signal, std::optional<quint64> expectedStartTime = std::nullopt,
                               int* error = nullptr) = 0;
    // kill(pid, 0): whether a process with this pid exists (EPERM counts as
    // existing).
    virtual bool exists(qint32 pid) = 0;
    // kill(pid, 0) == 0: the process exists and this user may signal it.
    virtual bool canSignal(qint32 pid) { return exists(pid); }

    // True for the pids no signal may ever reach.
    static bool isForbiddenPid(qint32 pid);

    static ProcessSignaller& system();
};
