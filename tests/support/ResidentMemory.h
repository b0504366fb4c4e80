#pragma once

#include <QFile>

#include <unistd.h>

// This process's resident memory in bytes (0 when /proc cannot tell).
inline qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    return statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}
