#include "dashboard/pages/PageRules.h"

#include "core/Format.h"
#include "telemetry/ProcessMonitor.h"

#include <cmath>

namespace PageRules {

QString whole(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("--");
    return QString::number(kestrova::safeTrunc(value));
}

std::function<void()> freezeAction(const QPointer<ProcessMonitor>& monitor, qint32 pid)
{
    if (!monitor || !monitor->mayFreeze(pid))
        return {};
    return [monitor, pid] {
        if (monitor)
            monitor->toggleSuspend(pid);
    };
}

} // namespace PageRules
