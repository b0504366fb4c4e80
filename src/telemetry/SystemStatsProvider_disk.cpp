#include "telemetry/SystemStatsProvider.h"

#include "core/Random.h"
#include "platform/TreeSizeMeter.h"
#include "platform/VolumeSpace.h"

#include <algorithm>

namespace {
constexpr double kGiB = 1073741824.0;
}

void SystemStatsProvider::updateDisk()
{
    if (const auto space = m_deps.volumeSpace(m_deps.paths.home)) {
        setDiskTotal(double(space->totalBytes) / kGiB);
        const double used = double(space->totalBytes - std::min(space->freeBytes, space->totalBytes)) / kGiB;
        setDiskUsed(std::max(used - m_cleanedJunkTotal, 5.0));
    }
    updateHuggingFaceCacheSize();
    Random& random = *m_deps.random;
    setDiskRead(random.uniform(0.1, 5.0));
    setDiskWrite(random.uniform(0.1, 2.0));
}

QString SystemStatsProvider::huggingFaceCacheFolder() const
{
    return m_deps.paths.home + QStringLiteral("/.cache/huggingface/hub");
}

void SystemStatsProvider::updateHuggingFaceCacheSize()
{
    // A walk still running keeps the figure of the last one.
    m_cacheMeter->request(huggingFaceCacheFolder());
}
