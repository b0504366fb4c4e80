#pragma once

#include <QFile>

#include <unistd.h>

// This process's resident memory in bytes (0 when /proc cannot tell).
inline qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    return statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

// Restarts the kernel's record of peak resident memory from now, so a later peak is read exactly, not sampled.
inline bool resetPeakResident()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1 && clearRefs.flush();
}

// The peak resident memory in bytes since the last reset (0 when /proc cannot tell).
inline qint64 peakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const qsizetype at = text.indexOf("\nVmHWM:");
    return at < 0 ? 0 : text.mid(at + 7).trimmed().split(' ').value(0).toLongLong() * 1024;
}
