#pragma once

#include "platform/SocketTable.h"
#include "telemetry/ActiveConnection.h"

#include <QHash>
#include <QList>

// The established TCP connections as the network page lists them, with
// each row's process remembered by start time so a kill hits only the
// process that was listed.
class ConnectionList {
public:
    static constexpr int kMaxRows = 15;

    struct ListedProcess {
        QString name;
        quint64 startTime = 0;
    };

    explicit ConnectionList(const QString& procRoot);

    // Reads the table again: sockets whose remote end is loopback or whose
    // owner we cannot see are left out; at most kMaxRows rows.
    QList<ActiveConnection> scan();

    // The process behind a pid of the latest scan, if it was listed.
    std::optional<ListedProcess> listed(qint32 pid) const;

    static ActiveConnection placeholder();

private:
    QString m_procRoot;
    SocketTable m_table;
    QHash<qint32, ListedProcess> m_listed;
};
