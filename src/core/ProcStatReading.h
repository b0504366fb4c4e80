#pragma once

#include <QString>

// One read of /proc/PID/stat: whether the process is there and, when it is,
// its state letter and start time. Only a missing entry says it is gone: an
// open that failed for want of descriptors, or a line that does not parse,
// says nothing.
struct ProcStatReading {
    enum class Presence { gone, present, unknown };
    Presence presence = Presence::unknown;
    char state = '?';      // R running, S sleeping, T stopped, t traced, ...
    quint64 startTime = 0; // clock ticks since boot

    static ProcStatReading of(qint32 pid, const QString& procRoot = QStringLiteral("/proc"));

    // Stopped by a signal or a tracer: it runs again only when sent SIGCONT.
    bool isStopped() const { return presence == Presence::present && (state == 'T' || state == 't'); }
};
