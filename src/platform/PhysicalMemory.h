#pragma once

#include <QtGlobal>

// Installed memory in bytes as the kernel counts it (the MemTotal figure),
// from sysconf; 0 when unknown.
quint64 physicalMemoryBytes();
