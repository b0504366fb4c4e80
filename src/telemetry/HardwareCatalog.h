#pragma once

#include "platform/HardwareDescription.h"
#include "telemetry/MachineHardwareInfo.h"

// Turns what the machine reports into the system-info record: marketing
// names, the Neural Engine and memory-bandwidth texts keyed on the processor
// brand, and the display serial.
class HardwareCatalog {
public:
    // The sampler's core counts: a count below 1 shows as 4.
    static MachineHardwareInfo describe(const HardwareDescription& machine, int performanceCores,
                                        int efficiencyCores, int gpuCores);

    static QString modelNameFor(const QString& modelIdentifier);
    static QString neuralEngineFor(const QString& brand);
    static QString memoryBandwidthFor(const QString& brand);
    // "VKT-" + up to 8 digits + "-SYS", from a hash seeded per run: the same
    // for every call within one run only.
    static QString displaySerialFor(const QString& modelIdentifier);
};
