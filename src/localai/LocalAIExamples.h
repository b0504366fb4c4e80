#pragma once

#include "localai/LocalAIModel.h"
#include "localai/LocalPortInfo.h"
#include "localai/ModelCacheFile.h"
#include "localai/OrphanedCompanionInfo.h"
#include "localai/PortLatencyInfo.h"
#include "localai/VectorDatabaseInfo.h"

#include <QDateTime>
#include <QList>

// The fixed example rows that demo mode shows (and, for vector databases,
// what is shown whenever no database container is found).
namespace LocalAIExamples {

// Two loaded models that unload themselves 240 s and 120 s after `now`.
QList<LocalAIModel> models(const QDateTime& now);
QList<VectorDatabaseInfo> vectorDatabases();
QList<OrphanedCompanionInfo> orphanedCompanions();
QList<LocalPortInfo> localPorts();
QList<ModelCacheFile> modelCacheFiles();
// The latency rows shown in demo mode, in the order shown.
QList<PortLatencyInfo> portLatencies();

// Whether a row is one of the examples above, by what identifies it (a
// container by name, port and id; a port by number, process and pid; ...),
// whatever its status, expiry or measured figures have become since.
// Example rows left on screen after demo mode ends can no longer be acted
// on, so views offer them no action.
bool isExample(const LocalAIModel& model);
bool isExample(const VectorDatabaseInfo& database);
bool isExample(const OrphanedCompanionInfo& companion);
bool isExample(const LocalPortInfo& port);
bool isExample(const ModelCacheFile& file);
bool isExample(const PortLatencyInfo& latency);

} // namespace LocalAIExamples
