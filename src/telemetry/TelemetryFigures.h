#pragma once

// The live figures the co-pilot quotes in its chat answers, as the sampler
// holds them at the moment they are read.
struct TelemetryFigures {
    double cpuUsage = 0;        // percent
    double memoryPressure = 0;  // percent
    double socTemperature = 0;  // degrees Celsius
    int batteryPercentage = 0;  // percent

    bool operator==(const TelemetryFigures&) const = default;
};
