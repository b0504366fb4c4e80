#include "platform/UnixSocketTable.h"

namespace {

// __SO_ACCEPTCON: the socket listens.
constexpr quint32 kListening = 0x10000;

} // namespace

QSet<quint64> UnixSocketTable::listeningInodes(const QByteArray& table, const QStringList& paths)
{
    QSet<quint64> inodes;
    if (paths.isEmpty() || table.size() > kReadLimit)
        return inodes;
    // "Num RefCount Protocol Flags Type St Inode Path", the path optional.
    for (const QByteArray& line : table.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 8)
            continue;
        bool ok = false;
        const quint32 flags = fields.at(3).toUInt(&ok, 16);
        if (!ok || !(flags & kListening))
            continue;
        QByteArray path = fields.at(7);
        if (path.startsWith('@'))
            path.remove(0, 1);
        if (!paths.contains(QString::fromUtf8(path)))
            continue;
        const quint64 inode = fields.at(6).toULongLong(&ok);
        if (ok)
            inodes.insert(inode);
    }
    return inodes;
}
