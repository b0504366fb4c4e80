#pragma once

// One reading of the machine's own battery.
struct BatteryInfo {
    int percentage = 0;        // charge, 0..100
    bool isCharging = false;
    int timeToEmpty = 0;       // minutes
    double wattage = 0.0;      // power flowing through the battery, watts
    bool isUnplugged = false;  // running on battery power

    bool operator==(const BatteryInfo&) const = default;
};
