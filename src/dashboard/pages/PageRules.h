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

// Whether a process row may offer freeze: never for pid 0 or 1, nor for
// this application itself.
bool offersFreeze(qint32 pid);

// The row's freeze action, or none where freezing is not offered.
std::function<void()> freezeAction(const QPointer<ProcessMonitor>& monitor, qint32 pid);

} // namespace PageRules
