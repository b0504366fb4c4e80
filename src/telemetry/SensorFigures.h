#pragma once

#include <QList>

// The temperature step's results for one tick.
struct SensorFigures {
    double socTemperature = 0.0;
    double gpuTemperature = 0.0;
    double ssdTemperature = 0.0;
    double throttlingStatus = 0.0;
    QList<double> fanRPMs{0.0};   // always one modelled fan

    bool operator==(const SensorFigures&) const = default;
};
