#pragma once

#include <QString>

// What the machine says about itself, as read from the system.
struct HardwareDescription {
    QString modelIdentifier;       // devicetree model or DMI product name
    QString processorBrand;        // "model name" of /proc/cpuinfo, as read
    quint64 physicalMemoryBytes = 0;
    int logicalCpuCount = 0;
    QString osVersion;             // os-release name and kernel release

    bool operator==(const HardwareDescription&) const = default;
};
