#pragma once

#include <QString>

// The connect time of one local listening port.
struct PortLatencyInfo {
    qint64 port = 0;
    QString processName;
    qint32 pid = 0;
    double latencyMs = 0;    // 0 when offline
    QString status;          // "Online" or "Offline"

    QString id() const { return QStringLiteral("%1-%2").arg(port).arg(pid); }
    bool operator==(const PortLatencyInfo&) const = default;
};
