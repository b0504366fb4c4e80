#include "telemetry/SystemStatsProvider.h"

// Network throughput, addresses and established connections. Not measured
// yet: the figures keep their start values.
void SystemStatsProvider::updateNetwork() {}

void SystemStatsProvider::updateIPs() {}

void SystemStatsProvider::updateConnections() {}
