#pragma once

#include <QString>

// A local TCP port in the listening state.
struct LocalPortInfo {
    qint64 port = 0;
    QString processName;
    qint32 pid = 0;

    QString id() const { return QStringLiteral("%1-%2").arg(port).arg(pid); }
    bool operator==(const LocalPortInfo&) const = default;
};
