#pragma once

#include <QString>

// An IDE helper process that outlived its IDE.
struct OrphanedCompanionInfo {
    QString name;
    qint32 pid = 0;
    QString memoryUsage;     // display text
    QString targetIDE;       // e.g. "VS Code (Closed)"

    QString id() const { return QString::number(pid); }
    bool operator==(const OrphanedCompanionInfo&) const = default;
};
