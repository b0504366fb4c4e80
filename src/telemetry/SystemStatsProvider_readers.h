#pragma once

// Private to the sampler's own .cpp files: the readers it keeps between ticks.

#include "telemetry/SystemStatsProvider.h"

#include "platform/CpuTicks.h"
#include "platform/HardwareDescriptionReader.h"
#include "platform/MemInfo.h"
#include "platform/NetDevReader.h"
#include "platform/PowerSupplyReader.h"
#include "platform/ProcMemInfoReader.h"
#include "platform/ProcStatReader.h"
#include "platform/ZramStatReader.h"
#include "telemetry/CompilerCheck.h"
#include "telemetry/ConnectionList.h"
#include "telemetry/HIDMonitor.h"
#include "telemetry/NetworkRateMeter.h"

#include <functional>
#include <vector>

struct SystemStatsProvider::Readers {
    Readers(const SystemPaths& paths, std::function<bool()> demoMode);

    // Cluster membership by CPU number, when the machine tells; empty
    // otherwise, and then the lowest-numbered eCoreCount CPUs are efficiency CPUs.
    std::vector<bool> efficiencyCpu;
    bool clustersKnown = false;

    NetDevReader netDev;
    std::vector<NetDevReader::Counters> netDevSample;
    NetworkRateMeter networkRates;
    ConnectionList connections;

    ProcStatReader procStat;
    ProcMemInfoReader memInfoReader;
    ZramStatReader zram;
    // Counters of the previous successful CPU reading (absent before the
    // first) and the buffer the next reading goes into; swapped each tick.
    std::vector<CpuTicks> previousCpuInfo;
    bool hasPreviousCpuInfo = false;
    std::vector<CpuTicks> cpuSample;
    MemInfo memInfo;

    HIDMonitor hidMonitor;
    PowerSupplyReader powerSupplies;
    HardwareDescriptionReader hardware;
    CompilerCheck compilerCheck;
};
