#include "localai/ListeningPortScanner.h"

#include "core/ProcessStartTime.h"

#include <QMap>
#include <QSet>

ListeningPortScanner::ListeningPortScanner(QString procRoot) : m_procRoot(procRoot), m_table(std::move(procRoot)) {}

ListeningPortScanner::Result ListeningPortScanner::scan()
{
    const QList<TcpSocket> sockets = m_table.read(TcpSocket::listen);
    QSet<quint64> inodes;
    inodes.reserve(sockets.size());
    for (const TcpSocket& socket : sockets)
        inodes.insert(socket.inode);
    const QHash<quint64, SocketTable::Owner> owners = m_table.owners(inodes);

    QMap<quint16, LocalPortInfo> byPort; // ordered by port
    for (const TcpSocket& socket : sockets) {
        const auto owner = owners.constFind(socket.inode);
        if (owner == owners.constEnd())
            continue;
        byPort.insert(socket.localPort, LocalPortInfo{socket.localPort, owner->name, owner->pid});
    }

    Result result;
    result.ports = byPort.values();
    for (const LocalPortInfo& port : std::as_const(result.ports)) {
        if (result.owners.contains(port.pid))
            continue;
        if (const auto started = readProcessStartTime(port.pid, m_procRoot))
            result.owners.insert(port.pid, {port.processName, *started});
    }
    return result;
}
