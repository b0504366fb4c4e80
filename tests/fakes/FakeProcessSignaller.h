#pragma once

#include "platform/ProcessSignaller.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <cerrno>
#include <functional>

// Records signals instead of sending them. Pids in `alive` exist; the rest
// do not. Applies the same refusals as the real signaller. A pid listed in
// `outcomes` answers with that outcome instead (and is not recorded unless
// the outcome is `sent`); `failed` comes with EPERM, as for a process of
// another user.
class FakeProcessSignaller final : public ProcessSignaller {
public:
    struct Sent {
        qint32 pid;
        int signal;
        bool operator==(const Sent&) const = default;
    };

    SignalOutcome send(qint32 pid, int signal, std::optional<quint64> startTime, int* error) override
    {
        attempts.append({pid, signal});
        if (beforeSend)
            beforeSend();
        if (isForbiddenPid(pid))
            return SignalOutcome::refused;
        const SignalOutcome outcome = outcomes.value(pid, SignalOutcome::sent);
        if (outcome == SignalOutcome::sent) {
            sent.append({pid, signal});
            startTimes.append(startTime);
        }
        if (outcome == SignalOutcome::failed && error)
            *error = EPERM;
        return outcome;
    }
    bool exists(qint32 pid) override { return alive.contains(pid); }

    QList<Sent> sent;
    QList<Sent> attempts; // every request, whatever became of it
    std::function<void()> beforeSend; // called with each request, as it comes
    QList<std::optional<quint64>> startTimes; // the start time passed with each of `sent`
    QSet<qint32> alive;
    QHash<qint32, SignalOutcome> outcomes;
};
