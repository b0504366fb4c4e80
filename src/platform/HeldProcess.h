#pragma once

#include <QtGlobal>

// One process a run froze: its pid and the start time it had then (field 22
// of /proc/PID/stat), which together name that one process.
struct HeldProcess {
    qint32 pid = 0;
    quint64 startTime = 0;
    bool operator==(const HeldProcess&) const = default;
};
