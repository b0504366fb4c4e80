#include "telemetry/AIProcessFilter.h"

#include <algorithm>

namespace AIProcessFilter {

bool matches(const ProcessInfoData& process)
{
    const QString name = process.name.toLower();
    const QString path = process.fullPath.toLower();
    for (const char* word : {"python", "conda", "ollama", "llama"})
        if (name.contains(QLatin1String(word)))
            return true;
    return path.contains(QLatin1String("pytorch")) || path.contains(QLatin1String("miniconda"));
}

QList<ProcessInfoData> apply(const QList<ProcessInfoData>& processes)
{
    QList<ProcessInfoData> kept;
    std::copy_if(processes.begin(), processes.end(), std::back_inserter(kept), matches);
    return kept;
}

bool anySuspended(const QList<ProcessInfoData>& processes)
{
    return std::any_of(processes.begin(), processes.end(), [](const ProcessInfoData& p) { return p.isSuspended; });
}

} // namespace AIProcessFilter
