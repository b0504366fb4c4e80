#include "dashboard/pages/PageRules.h"

#include "core/Format.h"
#include "telemetry/ProcessMonitor.h"

#include <QCoreApplication>

#include <cmath>

namespace PageRules {

QString whole(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("--");
    return QString::number(kestrova::safeTrunc(value));
}

bool offersFreeze(qint32 pid) { return pid >= 2 && qint64(pid) != QCoreApplication::applicationPid(); }

std::function<void()> freezeAction(const QPointer<ProcessMonitor>& monitor, qint32 pid)
{
    if (!offersFreeze(pid))
        return {};
    return [monitor, pid] {
        if (monitor)
            monitor->toggleSuspend(pid);
    };
}

} // namespace PageRules
