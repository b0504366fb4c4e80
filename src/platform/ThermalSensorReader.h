#pragma once

#include "platform/SysfsValueFile.h"
#include "platform/ThermalSensor.h"

#include <QElapsedTimer>
#include <QList>

#include <chrono>
#include <optional>
#include <vector>

// Lists the machine's temperature sensors from /sys/class/hwmon and
// /sys/class/thermal and reads them. Each sensor whose role we know gets the
// product key of that role:
//   "Tp09" CPU package or die (coretemp "Package id N", k10temp/zenpower
//          Tctl/Tdie, SoC/CPU thermal zones, x86_pkg_temp)
//   "Tp01" other CPU sensors (coretemp "Core N", k10temp Tccd)
//   "Tg05" GPU edge or junction (amdgpu, radeon, nouveau, GPU zones)
//   "Ts01" NVMe composite, SATA drive (drivetemp)
//   "Ta01" ACPI thermal zone (acpitz)
// Other sensors are not listed. The list keeps the system's order: hwmon
// devices by number, their inputs by number, then thermal zones by number.
//
// Discovery is cached and repeated after `rescanInterval` (sensors come and
// go with hot-plugged devices only); the temperature files themselves are
// re-read on every call.
class ThermalSensorReader {
public:
    explicit ThermalSensorReader(QString sysRoot = QStringLiteral("/sys"),
                                 std::chrono::milliseconds rescanInterval = std::chrono::seconds(10));

    // The listed sensors, or nullopt when neither /sys/class/hwmon nor
    // /sys/class/thermal can be read at all.
    const std::optional<QList<ThermalSensor>>& sensors();

    // Current temperature of sensors()[index] in degrees Celsius; nullopt
    // when the sensor gives no reading (a device asleep, an I/O error).
    std::optional<double> readCelsius(qsizetype index);

    // Forgets the cached list; the next sensors() discovers again.
    void invalidate() { m_discovered = false; }

    // The product key for an hwmon input of chip `chipName` with `label`
    // (empty when the input has none); empty when the role is unknown.
    static QString productForHwmon(const QString& chipName, const QString& label);
    // The product key for a thermal zone of `type`; empty when unknown.
    static QString productForThermalZone(const QString& type);

    // Descriptors kept open at most; further sensors are opened per read.
    static constexpr qsizetype kKeptOpenLimit = 32;

private:
    void discover();

    QString m_sysRoot;
    std::chrono::milliseconds m_rescanInterval;
    bool m_discovered = false;
    QElapsedTimer m_sinceDiscovery;
    std::optional<QList<ThermalSensor>> m_sensors;
    std::vector<SysfsValueFile> m_files;
};
