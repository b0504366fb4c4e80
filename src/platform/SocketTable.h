#pragma once

#include "platform/TcpSocket.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

// TCP sockets from /proc/net/tcp and tcp6, and the processes that own them,
// found through the socket inodes in /proc/PID/fd. Owners are remembered
// between calls and re-checked with one readlink each, so a steady table
// costs no full /proc walk. Only processes whose descriptors we may read are
// seen; sockets of others have no owner.
class SocketTable {
public:
    struct Owner {
        qint32 pid = 0;
        QString name;   // /proc/PID/comm
    };

    explicit SocketTable(QString procRoot = QStringLiteral("/proc"));

    // Sockets in the given state (TcpSocket::State), IPv4 rows first, each
    // file in its own order.
    QList<TcpSocket> read(quint8 state) const;

    // Owners of the given socket inodes; inodes without a visible owner are
    // absent from the result.
    QHash<quint64, Owner> owners(const QSet<quint64>& inodes);

    // Parses one file's text (exposed for tests and benchmarks).
    static void parse(const QByteArray& text, bool ipv6, quint8 state, QList<TcpSocket>& out);

private:
    struct Seen {
        qint32 pid;
        int fd;
    };
    bool stillOwns(const Seen& seen, quint64 inode) const;
    void scanAll(const QSet<quint64>& wanted);
    QString commOf(qint32 pid) const;

    QString m_procRoot;
    QHash<quint64, Seen> m_known;
    // Inodes a full walk could not place (owned by processes we may not
    // read); not searched again while they exist.
    QSet<quint64> m_unplaceable;
};
