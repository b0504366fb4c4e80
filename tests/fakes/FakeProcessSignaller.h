#pragma once

#include "platform/ProcessSignaller.h"

#include <QList>
#include <QSet>

// Records signals instead of sending them. Pids in `alive` exist; the rest
// do not. Applies the same refusals as the real signaller.
class FakeProcessSignaller final : public ProcessSignaller {
public:
    struct Sent {
        qint32 pid;
        int signal;
        bool operator==(const Sent&) const = default;
    };

    SignalOutcome send(qint32 pid, int signal, std::optional<quint64>) override
    {
        if (isForbiddenPid(pid))
            return SignalOutcome::refused;
        sent.append({pid, signal});
        return SignalOutcome::sent;
    }
    bool exists(qint32 pid) override { return alive.contains(pid); }

    QList<Sent> sent;
    QSet<qint32> alive;
};
