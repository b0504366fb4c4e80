#pragma once

#include "telemetry/ProcessInfoData.h"

#include <QList>

// Which processes look like AI or ML work: a name (lower-cased) holding
// "python", "conda", "ollama" or "llama", or a path (lower-cased) running
// through "pytorch" or "miniconda". Plain substring tests.
namespace AIProcessFilter {

bool matches(const ProcessInfoData& process);
// The matching processes, in the order given.
QList<ProcessInfoData> apply(const QList<ProcessInfoData>& processes);
bool anySuspended(const QList<ProcessInfoData>& processes);

} // namespace AIProcessFilter
