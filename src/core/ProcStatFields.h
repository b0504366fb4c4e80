#pragma once

#include <QtGlobal>

#include <optional>

// The fields of one /proc/PID/stat line that we use. The name sits between
// the first '(' and the last ')' and may itself hold spaces and
// parentheses, so the other fields are counted from the last ')'. The
// process table and the signaller's start-time check share this parser, so
// the start time recorded with a row is always the one a signal is checked
// against.
struct ProcStatFields {
    const char* name = nullptr; // points into the parsed text
    qsizetype nameSize = 0;
    char state = '?';
    qint32 parentPid = 0;
    quint64 cpuTicks = 0;  // utime + stime
    quint64 startTime = 0; // clock ticks since boot

    // Nothing when the line is cut before the start time or a used field is
    // not a number.
    static std::optional<ProcStatFields> parse(const char* data, qsizetype size);
};
