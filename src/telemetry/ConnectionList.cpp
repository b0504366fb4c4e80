#include "telemetry/ConnectionList.h"

#include "core/ProcessStartTime.h"

ConnectionList::ConnectionList(const QString& procRoot) : m_procRoot(procRoot), m_table(procRoot) {}

QList<ActiveConnection> ConnectionList::scan()
{
    const QList<TcpSocket> sockets = m_table.read(TcpSocket::established);
    QSet<quint64> inodes;
    for (const TcpSocket& s : sockets)
        if (!s.remoteIsLoopback())
            inodes.insert(s.inode);
    const QHash<quint64, SocketTable::Owner> owners = m_table.owners(inodes);

    QList<ActiveConnection> rows;
    m_listed.clear();
    for (const TcpSocket& s : sockets) {
        if (rows.size() == kMaxRows)
            break;
        if (s.remoteIsLoopback())
            continue;
        const auto owner = owners.constFind(s.inode);
        if (owner == owners.constEnd())
            continue;
        rows.append({s.localEndpoint() + QStringLiteral("->") + s.remoteEndpoint(), QStringLiteral("ESTABLISHED"),
                     owner->name, QString::number(owner->pid)});
        if (!m_listed.contains(owner->pid)) {
            if (const auto started = readProcessStartTime(owner->pid, m_procRoot))
                m_listed.insert(owner->pid, {owner->name, *started});
        }
    }
    return rows;
}

std::optional<ConnectionList::ListedProcess> ConnectionList::listed(qint32 pid) const
{
    const auto it = m_listed.constFind(pid);
    if (it == m_listed.constEnd())
        return std::nullopt;
    return *it;
}

ActiveConnection ConnectionList::placeholder()
{
    return {QStringLiteral("No external connections"), QStringLiteral("IDLE"), QStringLiteral("System"),
            QStringLiteral("0")};
}
