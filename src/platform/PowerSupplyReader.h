#pragma once

#include "platform/SysfsValueFile.h"
#include "platform/BatteryInfo.h"

#include <QElapsedTimer>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

// Reads the machine's battery from /sys/class/power_supply.
//
// The battery is the first supply (by name) of type "Battery" whose scope is
// not "Device" (a mouse or headset battery) and that is present (an empty
// slot can stay listed). Its figures:
//   percentage  energy_now/energy_full, else charge_now/charge_full, else
//               capacity; truncated and clamped to 0..100
//   charging    status "Charging"
//   wattage     |power_now|, else |voltage_now| x |current_now|
//   timeToEmpty time_to_empty_now, else while discharging energy / power
//   unplugged   when a mains or USB supply exists: none of them online;
//               otherwise status "Discharging"
//
// Which supplies exist and which attributes they have is discovered once and
// again after `rescanInterval`; the values are re-read on every call through
// descriptors kept open.
class PowerSupplyReader {
public:
    explicit PowerSupplyReader(QString sysRoot = QStringLiteral("/sys"),
                               std::chrono::milliseconds rescanInterval = std::chrono::seconds(10));
    ~PowerSupplyReader();
    PowerSupplyReader(const PowerSupplyReader&) = delete;
    PowerSupplyReader& operator=(const PowerSupplyReader&) = delete;

    // nullopt when the machine has no battery of its own.
    std::optional<BatteryInfo> battery();

    // Forgets what was discovered; the next battery() looks again.
    void invalidate() { m_discovered = false; }

    // current / full x 100, truncated toward zero, clamped to 0..100. A full
    // figure of 0 (a battery that reports no capacity) takes the current
    // figure itself as the percentage.
    static int percentageFrom(double current, double full);

private:
    struct Battery;
    void discover();
    BatteryInfo read(Battery& battery);

    QString m_sysRoot;
    std::chrono::milliseconds m_rescanInterval;
    bool m_discovered = false;
    QElapsedTimer m_sinceDiscovery;
    std::vector<std::unique_ptr<Battery>> m_batteries;   // candidates, in name order
    std::vector<SysfsValueFile> m_externalOnline;
    bool m_hasExternalSupply = false;
};
