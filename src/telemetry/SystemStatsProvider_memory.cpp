#include "telemetry/SystemStatsProvider.h"
#include "telemetry/SystemStatsProvider_readers.h"

#include "telemetry/LocalAIStateSource.h"

#include <algorithm>

namespace {
constexpr double kGiB = 1024.0 * 1024.0 * 1024.0;
}

void SystemStatsProvider::updateMemory()
{
    Readers& r = *m_readers;
    const MemInfo& info = r.memInfo;
    const bool readable = r.memInfoReader.read(r.memInfo);
    // Compressed memory: zswap's pool when it holds anything, else what zram
    // devices take.
    const quint64 compressed = info.zswap.value_or(0) > 0 ? *info.zswap : r.zram.compressedBytes().value_or(0);
    const std::optional<quint64> application = info.application(compressed);
    if (readable && application) {
        const double released = m_optimizedMemoryReleased;
        setMemoryWired(double(info.wired()) / kGiB);
        setMemoryApp(std::max(double(*application) / kGiB - released, 0.5));
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
        if (const auto swapUsed = info.swapUsed())
            setMemorySwap(double(*swapUsed) / kGiB);
    }
}
