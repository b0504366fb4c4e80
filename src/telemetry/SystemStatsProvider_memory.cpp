#include "telemetry/SystemStatsProvider.h"

#include "telemetry/LocalAIStateSource.h"

#include <algorithm>

namespace {
constexpr double kGiB = 1024.0 * 1024.0 * 1024.0;
}

void SystemStatsProvider::updateMemory()
{
    const bool readable = m_memInfoReader.read(m_memInfo);
    if (readable && m_memInfo.active) {
        const double released = m_optimizedMemoryReleased;
        // Compressed memory: zswap's pool when it holds anything, else what
        // zram devices take.
        const quint64 compressed = m_memInfo.zswap.value_or(0) > 0 ? *m_memInfo.zswap
                                                                   : m_zram.compressedBytes().value_or(0);
        setMemoryWired(double(m_memInfo.wired()) / kGiB);
        setMemoryApp(std::max(double(*m_memInfo.active) / kGiB - released, 0.5));
        setMemoryCompressed(std::max(double(compressed) / kGiB - 0.3 * released, 0.1));
        setMemoryTotal(double(m_deps.physicalMemory()) / kGiB);
        setMemoryUsed(m_memoryWired + m_memoryApp + m_memoryCompressed);
        // An unknown total gives no pressure rather than infinity or NaN.
        setMemoryPressure(m_memoryTotal > 0 ? m_memoryUsed / m_memoryTotal * 100.0 : 0.0);

        setAiVramTotal(m_memoryTotal * 0.75);
        double modelBytes = 0;
        for (const qint64 size : m_deps.localAI->loadedModelSizes())
            modelBytes += double(std::max<qint64>(size, 0));
        setAiVramUsed(modelBytes / kGiB);
        setHostVramSplitAlert(m_memoryPressure > 85.0 || m_aiVramUsed / std::max(m_aiVramTotal, 1.0) > 0.9);
    }
    if (readable) {
        if (const auto swapUsed = m_memInfo.swapUsed())
            setMemorySwap(double(*swapUsed) / kGiB);
    }
}
