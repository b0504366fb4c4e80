#include "telemetry/SystemStatsProvider.h"
#include "telemetry/SystemStatsProvider_readers.h"

#include "core/SettingsStore.h"
#include "platform/CpuTopologyReader.h"

#include <algorithm>

namespace {

// A counter that went backwards (reset, or a CPU that came back) adds nothing.
quint64 advance(quint64 now, quint64 before) { return now >= before ? now - before : 0; }

bool sameCpus(const std::vector<CpuTicks>& a, const std::vector<CpuTicks>& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const CpuTicks& x, const CpuTicks& y) { return x.cpu == y.cpu; });
}

} // namespace

void SystemStatsProvider::determineCoreCounts()
{
    if (const auto clusters = CpuTopologyReader(m_deps.paths.sysRoot).read()) {
        m_eCoreCount = int(clusters->efficiency.size());
        m_pCoreCount = int(clusters->performance.size());
        std::vector<bool>& efficiency = m_readers->efficiencyCpu;
        for (int cpu : clusters->efficiency) {
            if (std::size_t(cpu) >= efficiency.size())
                efficiency.resize(std::size_t(cpu) + 1, false);
            efficiency[std::size_t(cpu)] = true;
        }
        m_readers->clustersKnown = true;
    }
    // A machine that does not tell its clusters apart is shown as four and four.
    if (m_eCoreCount == 0 && m_pCoreCount == 0) {
        m_eCoreCount = 4;
        m_pCoreCount = 4;
    }
}

bool SystemStatsProvider::isEfficiencyCpu(int cpu, std::size_t position) const
{
    const std::vector<bool>& efficiency = m_readers->efficiencyCpu;
    if (m_readers->clustersKnown)
        return cpu >= 0 && std::size_t(cpu) < efficiency.size() && efficiency[std::size_t(cpu)];
    return position < std::size_t(m_eCoreCount);
}

void SystemStatsProvider::updateCPU()
{
    Readers& r = *m_readers;
    if (!r.procStat.read(r.cpuSample))
        return; // keep the stored counters: the next reading spans the longer interval

    // With a different set of CPUs (hotplug) there is nothing to compare
    // against: like the very first tick, only store the counters.
    if (r.hasPreviousCpuInfo && sameCpus(r.previousCpuInfo, r.cpuSample)) {
        double eSum = 0;
        double pSum = 0;
        int eCounted = 0;
        int pCounted = 0;
        for (std::size_t i = 0; i < r.cpuSample.size(); ++i) {
            const CpuTicks& now = r.cpuSample[i];
            const CpuTicks& before = r.previousCpuInfo[i];
            const quint64 user = advance(now.user, before.user);
            const quint64 system = advance(now.system, before.system);
            const quint64 idle = advance(now.idle, before.idle);
            const quint64 nice = advance(now.nice, before.nice);
            const quint64 busy = user + system + nice;
            const double total = busy + idle > 0 ? double(busy + idle) : 1.0;
            const double load = double(busy) / total;
            if (isEfficiencyCpu(now.cpu, i)) {
                eSum += load;
                ++eCounted;
            } else {
                pSum += load;
                ++pCounted;
            }
        }
        // Each cluster is averaged over the CPUs really counted in it, so a
        // machine with fewer CPUs than the assumed cluster sizes stays <= 100.
        setEClusterUsage(eSum / std::max(eCounted, 1) * 100.0);
        setPClusterUsage(pSum / std::max(pCounted, 1) * 100.0);
        setCpuUsage((eSum + pSum) / double(r.cpuSample.size()) * 100.0);
        pushHistory(m_cpuUsage);
        updateBaselines();
    }
    std::swap(r.previousCpuInfo, r.cpuSample);
    r.hasPreviousCpuInfo = true;
}

void SystemStatsProvider::pushHistory(double value)
{
    // In place, and observers hear of it every time.
    if (!m_cpuHistory.isEmpty())
        m_cpuHistory.removeFirst();
    m_cpuHistory.append(value);
    emit cpuHistoryChanged();
    emit changed();
}

// Slow moving averages, seeded with the first figure. The temperature is the
// one left by the previous tick: the sensors are read later in the tick.
void SystemStatsProvider::updateBaselines()
{
    SettingsStore& settings = *m_deps.settings;
    const double cpu = baselineCpuUsage();
    settings.setBaselineCpuUsage(cpu == 0 ? m_cpuUsage : cpu * 0.999 + m_cpuUsage * 0.001);
    const double temp = baselineTemp();
    settings.setBaselineTemp(temp == 0 ? m_socTemperature : temp * 0.999 + m_socTemperature * 0.001);
}
