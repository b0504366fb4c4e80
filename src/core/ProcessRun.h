#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// One run of a process: its pid and the start time it had (field 22 of
// /proc/PID/stat), which together name that one process for good, as a pid
// used again comes with another start time. What a run leaves on disk is
// named after it, so that a later launch can tell a run that is gone.
struct ProcessRun {
    qint32 pid = 0;
    quint64 startTime = 0;
    bool operator==(const ProcessRun&) const = default;

    // This process, or nothing when its start time cannot be read: a run
    // that cannot name itself leaves nothing named after it.
    static std::optional<ProcessRun> self();

    // "PID-START" as names spell it, and back. Only that very spelling is
    // read (no sign, no leading zero, no start time of 0), so a name is read
    // as the one run that writes it and never as another.
    QString text() const;
    static std::optional<ProcessRun> fromText(QStringView text);

    // Whether the run has ended: nothing runs under its pid, or something
    // with another start time does. A /proc that cannot be read says
    // nothing, so it is not gone; neither is this process.
    bool isGone(const QString& procRoot = QStringLiteral("/proc")) const;
};
