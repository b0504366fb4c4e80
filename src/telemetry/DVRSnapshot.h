#pragma once

#include "telemetry/ProcessInfoData.h"

#include <QDateTime>
#include <QList>
#include <QUuid>

// The process list as one tick published it, with the machine's CPU load
// at that moment.
struct DVRSnapshot {
    QUuid id;
    QDateTime timestamp;
    QList<ProcessInfoData> topProcesses;
    double cpuUsage = 0.0; // percent of the whole machine

    bool operator==(const DVRSnapshot&) const = default;
};
