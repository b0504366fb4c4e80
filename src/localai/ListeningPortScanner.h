#pragma once

#include "localai/LocalPortInfo.h"
#include "platform/SocketTable.h"

#include <QHash>
#include <QList>

// Lists the listening TCP ports of the machine (IPv4 and IPv6) with the
// process that owns each, from /proc. One row per port; where several
// sockets share a port, the last one read (IPv6 after IPv4) wins. Ports
// whose owner we cannot see are left out rather than shown with a made-up
// pid. Keeps the socket table's owner cache between scans, so it must be
// used from one thread at a time (the file worker).
class ListeningPortScanner {
public:
    // Who owned a listed port when it was scanned: enough to recognise the
    // same process later (a pid alone may be reused).
    struct Owner {
        QString name;
        quint64 startTime = 0;
    };

    struct Result {
        QList<LocalPortInfo> ports;    // sorted by port
        QHash<qint32, Owner> owners;   // pids of `ports` whose start time could be read
    };

    explicit ListeningPortScanner(QString procRoot = QStringLiteral("/proc"));

    Result scan();

private:
    QString m_procRoot;
    SocketTable m_table;
};
