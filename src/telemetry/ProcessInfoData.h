#pragma once

#include <QIcon>
#include <QString>

// One row of the process list.
struct ProcessInfoData {
    qint32 id = 0;             // the process id
    QString name;              // the last path component of fullPath
    QString fullPath;          // the command's path (or bare name), whitespace runs made single
    double cpuUsage = 0.0;     // percent of one core, so it can exceed 100
    double energyImpact = 0.0; // cpuUsage × 0.8
    QIcon icon;                // null when the program has none
    bool isSuspended = false;  // frozen by this application when the row was built
    double totalBatteryDrain = 0.0; // the drain tally of this row's name after its tick
    quint64 startTime = 0;     // clock ticks since boot; with id, names one process across pid reuse

    bool operator==(const ProcessInfoData& other) const
    {
        return id == other.id && name == other.name && fullPath == other.fullPath && cpuUsage == other.cpuUsage
               && energyImpact == other.energyImpact && icon.cacheKey() == other.icon.cacheKey()
               && isSuspended == other.isSuspended && totalBatteryDrain == other.totalBatteryDrain
               && startTime == other.startTime;
    }
};
