#include "telemetry/SystemStatsProvider.h"

// Battery charge, charging state and power draw. Not read yet: the figures
// keep their start values, as on a machine without a battery.
void SystemStatsProvider::updateBattery() {}
