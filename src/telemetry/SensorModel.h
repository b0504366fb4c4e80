#pragma once

#include "telemetry/SensorFigures.h"

#include <functional>

class HIDMonitor;
class Random;

// The temperature step of the sampler's tick: three sensor readings, modelled
// figures where a sensor does not answer, the throttling figure and the fan
// speed. The machine's fans are never read: the speed is modelled from the
// SoC temperature and the two turbo switches.
class SensorModel {
public:
    struct Inputs {
        double previousSocTemperature = 0.0;   // kept when no sensor answers
        bool forceTurboCooling = false;
        bool buildTurboEnabled = false;
        std::function<bool()> isCompilerRunning;
    };

    // Reads "Tp09", "Tg05", "Ts01" in that order and models the rest. Random
    // figures are drawn in the order GPU, SSD, fan, each only when needed.
    static SensorFigures sample(HIDMonitor& monitor, Random& random, const Inputs& inputs);

    // (soc - 95) x 5 above 95 degrees, else 0.
    static double throttlingFor(double socTemperature);
    // 0 up to 55 degrees, then 1200 + 120 per degree above 55, at most 7200.
    static double fanSpeedFor(double socTemperature);
    // 6800 RPM, give or take 50.
    static double turboFanSpeed(Random& random);
    // Stand-ins for sensors that do not answer.
    static double modelledGpuTemperature(double socTemperature, Random& random);
    static double modelledSsdTemperature(Random& random);
};
