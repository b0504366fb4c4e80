#include "telemetry/SystemStatsProvider.h"
#include "telemetry/SystemStatsProvider_readers.h"

std::optional<BatteryInfo> SystemStatsProvider::getBatteryInfo() { return m_readers->powerSupplies.battery(); }

// Battery charge, charging state and power draw. A machine without a battery
// of its own leaves the figures at their start values.
void SystemStatsProvider::updateBattery()
{
    const auto info = getBatteryInfo();
    if (!info)
        return;
    setBatteryPercentage(info->percentage);
    setBatteryIsCharging(info->isCharging);
    setBatteryTimeToEmpty(info->timeToEmpty);
    setPowerDraw(info->wattage);
    setIsUnplugged(info->isUnplugged);
}
