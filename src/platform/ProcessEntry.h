#pragma once

#include <QString>
#include <QStringList>

// One process as the process table last read it.
struct ProcessEntry {
    qint32 pid = 0;
    qint32 parentPid = 0;
    // Clock ticks since boot; with the pid it identifies one process, since
    // a pid can be reused once its process has exited.
    quint64 startTime = 0;
    // The kernel's state letter: R running, S sleeping, T stopped, Z zombie, ...
    char state = '?';
    // The kernel's short name (at most 15 bytes), invalid UTF-8 replaced.
    QString name;
    // The executable's path when it can be read, else argv[0] when that is
    // an absolute path, else the short name.
    QString commandPath;
    // The command line as started (argv); empty for kernel threads and zombies.
    QStringList arguments;
    // User plus system CPU time, in clock ticks.
    quint64 cpuTicks = 0;
    // Percent of one core over the interval since the previous read of the
    // table (over the process's lifetime on first sight), so above 100 for
    // a process that keeps several cores busy.
    double cpuPercent = 0.0;

    bool operator==(const ProcessEntry&) const = default;
};
