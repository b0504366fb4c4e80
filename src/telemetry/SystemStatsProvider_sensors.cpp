#include "telemetry/SystemStatsProvider.h"
#include "telemetry/SystemStatsProvider_readers.h"

#include "telemetry/LocalAIStateSource.h"
#include "telemetry/SensorModel.h"

// Temperatures, throttling and the fan model. A sensor that does not answer
// leaves the SoC figure as it was and has the GPU and SSD figures modelled.
void SystemStatsProvider::updateSensors()
{
    SensorModel::Inputs inputs;
    inputs.previousSocTemperature = m_socTemperature;
    inputs.forceTurboCooling = m_forceTurboCooling;
    inputs.buildTurboEnabled = m_deps.localAI->buildTurboEnabled();
    inputs.isCompilerRunning = [this] { return isCompilerRunning(); };
    const SensorFigures figures = SensorModel::sample(m_readers->hidMonitor, *m_deps.random, inputs);
    setSocTemperature(figures.socTemperature);
    setGpuTemperature(figures.gpuTemperature);
    setSsdTemperature(figures.ssdTemperature);
    setThrottlingStatus(figures.throttlingStatus);
    setFanRPMs(figures.fanRPMs);
}
