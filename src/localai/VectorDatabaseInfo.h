#pragma once

#include <QString>

// A vector-database container.
struct VectorDatabaseInfo {
    QString name;
    qint64 port = 0;
    QString memoryUsage;     // display text such as "128 MB"
    QString containerId;     // short id
    QString status;          // runningStatus(), shieldedStatus() or pausedStatus()

    // Paused by the battery shield, or by someone else: either way the
    // container answers no request, so it never counts as running.
    static QString runningStatus() { return QStringLiteral("Running"); }
    static QString shieldedStatus() { return QStringLiteral("Suspended (Battery Shield)"); }
    static QString pausedStatus() { return QStringLiteral("Paused"); }

    QString id() const { return name; }
    bool isRunning() const { return status == runningStatus(); }
    bool operator==(const VectorDatabaseInfo&) const = default;
};
