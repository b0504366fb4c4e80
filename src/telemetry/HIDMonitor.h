#pragma once

#include "platform/ThermalSensorReader.h"

#include <QString>

#include <memory>
#include <optional>

// Reads temperatures by sensor product key ("Tp09", "Tg05", ...). Each
// sensor is tried with the requested key and then the fallback keys
// "Tp09", "Tp01", "Tg05", "Ta01" before the next sensor is looked at, so the
// first listed sensor carrying any of those keys with a positive reading
// answers, even when a later sensor carries the requested key.
class HIDMonitor {
public:
    // Reads the machine's own sensors.
    HIDMonitor();
    explicit HIDMonitor(std::unique_ptr<ThermalSensorReader> reader);
    ~HIDMonitor();

    // Degrees Celsius, or nullopt when no matching sensor reads above 0.
    std::optional<double> readTemperature(const QString& name);

private:
    std::unique_ptr<ThermalSensorReader> m_reader;
    // The "no sensors" line is printed when that state begins, not on every
    // reading while it lasts.
    bool m_reportedMissing = false;
};
