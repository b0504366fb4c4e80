#include "telemetry/SystemStatsProvider.h"
#include "telemetry/SystemStatsProvider_readers.h"

#include "telemetry/HardwareCatalog.h"

MachineHardwareInfo SystemStatsProvider::getHardwareInfo()
{
    HardwareDescription machine = m_readers->hardware.description();
    // The same installed-memory figure as memoryTotal.
    machine.physicalMemoryBytes = m_deps.physicalMemory();
    return HardwareCatalog::describe(machine, m_pCoreCount, m_eCoreCount, m_gpuCoreCount);
}

bool SystemStatsProvider::isCompilerRunning() { return m_readers->compilerCheck.isCompilerRunning(); }
