#pragma once

#include <QString>

#include <optional>

// The start time of a process in clock ticks since boot (field 22 of
// /proc/PID/stat), which together with the pid identifies one process.
std::optional<quint64> readProcessStartTime(qint32 pid, const QString& procRoot = QStringLiteral("/proc"));

// Parses a /proc/PID/stat line: the text after the last ')' holds the
// fields from the state on, so a command name with spaces or parentheses
// cannot shift them.
std::optional<quint64> parseStartTimeFromStat(const char* data, qsizetype size);
