#pragma once

#include <QPointer>
#include <QString>

#include <functional>

class ProcessMonitor;

// Rules the dashboard's own pages share.
namespace PageRules {

// A reading as a whole number, truncated toward zero; "--" for a figure
// that is not a finite number.
QString whole(double value);

// The row's freeze action, or none where the monitor does not offer
// freezing the process (pid 0 or 1, this application, the session's own
// processes, kernel threads).
std::function<void()> freezeAction(const QPointer<ProcessMonitor>& monitor, qint32 pid);

} // namespace PageRules
