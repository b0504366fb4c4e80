#include "telemetry/PresetManager.h"

#include "platform/CommandRunner.h"
#include "platform/LogindSleepInhibitor.h"
#include "platform/ProcessApplicationList.h"
#include "platform/SysfsPowerSource.h"
#include "platform/SystemPaths.h"
#include "platform/TerminalEmulatorLauncher.h"

#include <QCoreApplication>

PresetManager& PresetManager::shared()
{
    // Never destroyed: an inhibitor still held at quit goes with the process.
    static auto* inhibitor = new LogindSleepInhibitor;
    static auto* terminal = new TerminalEmulatorLauncher(CommandRunner::system());
    static auto* power = new SysfsPowerSource(SystemPaths::live().sysRoot);
    static auto* applications = new ProcessApplicationList(SystemPaths::live().procRoot);
    static auto* manager =
        new PresetManager(Deps{inhibitor, terminal, power, applications}, QCoreApplication::instance());
    return *manager;
}
