#pragma once

#include <QString>

// The machine's description as the system-info page shows it.
struct MachineHardwareInfo {
    QString modelName;
    QString modelIdentifier;
    QString processor;
    double physicalMemoryGB = 0.0;
    int cpuCores = 0;
    int performanceCores = 0;
    int efficiencyCores = 0;
    int gpuCores = 0;
    QString neuralEngine;
    QString osVersion;
    QString serialNumber;      // a display identifier we form, not the machine's serial
    QString memoryBandwidth;
};
