#pragma once

#include <QByteArray>
#include <QSet>
#include <QStringList>

// The Unix-domain socket table of /proc/net/unix.
class UnixSocketTable {
public:
    // A desktop's table is a few hundred kilobytes; more is malformed.
    static constexpr qsizetype kReadLimit = 8 << 20;

    // Inodes of the listening sockets bound to one of `paths` (a path bound
    // in the abstract namespace counts as the same path).
    static QSet<quint64> listeningInodes(const QByteArray& table, const QStringList& paths);
};
