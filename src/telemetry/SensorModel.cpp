#include "telemetry/SensorModel.h"

#include "core/Random.h"
#include "telemetry/HIDMonitor.h"

#include <algorithm>

double SensorModel::throttlingFor(double socTemperature)
{
    return socTemperature > 95.0 ? (socTemperature - 95.0) * 5.0 : 0.0;
}

double SensorModel::fanSpeedFor(double socTemperature)
{
    if (socTemperature <= 55.0)
        return 0.0;
    return std::min((socTemperature - 55.0) * 120.0 + 1200.0, 7200.0);
}

double SensorModel::turboFanSpeed(Random& random) { return 6800.0 + random.uniform(-50.0, 50.0); }

double SensorModel::modelledGpuTemperature(double socTemperature, Random& random)
{
    return socTemperature * 0.9 + random.uniform(-2.0, 2.0);
}

double SensorModel::modelledSsdTemperature(Random& random) { return 35.0 + random.uniform(-1.0, 3.0); }

SensorFigures SensorModel::sample(HIDMonitor& monitor, Random& random, const Inputs& inputs)
{
    SensorFigures figures;
    figures.socTemperature = monitor.readTemperature(QStringLiteral("Tp09")).value_or(inputs.previousSocTemperature);

    const auto gpu = monitor.readTemperature(QStringLiteral("Tg05"));
    figures.gpuTemperature = gpu ? *gpu : modelledGpuTemperature(figures.socTemperature, random);

    const auto ssd = monitor.readTemperature(QStringLiteral("Ts01"));
    figures.ssdTemperature = ssd ? *ssd : modelledSsdTemperature(random);

    figures.throttlingStatus = throttlingFor(figures.socTemperature);

    // The process scan matters only when build turbo could decide the speed.
    const bool turbo = inputs.forceTurboCooling
        || (inputs.buildTurboEnabled && inputs.isCompilerRunning && inputs.isCompilerRunning());
    figures.fanRPMs = {turbo ? turboFanSpeed(random) : fanSpeedFor(figures.socTemperature)};
    return figures;
}
