#include "telemetry/SystemStatsProvider.h"

// Home volume capacity and use, the model-download cache size and the
// modelled read/write rates. Not measured yet: the figures keep their start
// values.
void SystemStatsProvider::updateDisk() {}
