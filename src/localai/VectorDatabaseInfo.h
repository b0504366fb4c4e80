#pragma once

#include <QString>

// A vector-database container.
struct VectorDatabaseInfo {
    QString name;
    qint64 port = 0;
    QString memoryUsage;     // display text such as "128 MB"
    QString containerId;     // short id
    QString status;          // "Running" or "Suspended (Battery Shield)"

    QString id() const { return name; }
    bool operator==(const VectorDatabaseInfo&) const = default;
};
