#include "platform/SocketTable.h"

#include <QFile>

#include <dirent.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads `digits` hex digits at p into value; false on a bad digit.
bool readHex(const char*& p, const char* end, int digits, quint32& value)
{
    value = 0;
    for (int i = 0; i < digits; ++i, ++p) {
        if (p >= end)
            return false;
        const int v = hexValue(*p);
        if (v < 0)
            return false;
        value = (value << 4) | quint32(v);
    }
    return true;
}

// "0100007F:0277": the kernel prints each 32-bit word of the address in
// host order (little-endian here), so the word's bytes come out reversed.
bool readEndpoint(const char*& p, const char* end, bool ipv6, std::array<quint8, 16>& address, quint16& port)
{
    const int words = ipv6 ? 4 : 1;
    for (int w = 0; w < words; ++w) {
        quint32 word;
        if (!readHex(p, end, 8, word))
            return false;
        std::memcpy(address.data() + 4 * w, &word, 4);
    }
    if (p >= end || *p != ':')
        return false;
    ++p;
    quint32 value;
    if (!readHex(p, end, 4, value))
        return false;
    port = quint16(value);
    return true;
}

void skipSpaces(const char*& p, const char* end)
{
    while (p < end && *p == ' ')
        ++p;
}

void skipField(const char*& p, const char* end)
{
    while (p < end && *p != ' ' && *p != '\n')
        ++p;
    skipSpaces(p, end);
}

quint64 readDecimal(const char*& p, const char* end)
{
    quint64 value = 0;
    while (p < end && *p >= '0' && *p <= '9')
        value = value * 10 + quint64(*p++ - '0');
    return value;
}

QByteArray readWhole(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// "socket:[12345]" -> 12345, else 0.
quint64 socketInode(const char* link, ssize_t length)
{
    static constexpr char prefix[] = "socket:[";
    constexpr ssize_t prefixLength = sizeof prefix - 1;
    if (length <= prefixLength + 1 || std::memcmp(link, prefix, prefixLength) != 0 || link[length - 1] != ']')
        return 0;
    const char* p = link + prefixLength;
    return readDecimal(p, link + length - 1);
}

// Asks the kernel for the TCP sockets in one state over sock_diag netlink.
// Reading /proc/net/tcp walks the whole connection hash table and formats
// text for every socket; a netlink dump with a state filter costs a fraction
// of that. A dump for any state but LISTEN still walks the whole table once
// per request, so the older request, which covers both families in one walk,
// is tried first; family 0 means that one. Returns false if the kernel
// refuses the request.
bool dumpOverNetlink(int family, quint8 state, QList<TcpSocket>& out)
{
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0)
        return false;
    struct {
        nlmsghdr header;
        union {
            inet_diag_req both;
            inet_diag_req_v2 one;
        };
    } message = {};
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.header.nlmsg_seq = 1;
    if (family == 0) {
        message.header.nlmsg_len = NLMSG_LENGTH(sizeof message.both);
        message.header.nlmsg_type = TCPDIAG_GETSOCK;
        message.both.idiag_family = AF_INET; // ignored: this request covers both
        message.both.idiag_states = 1u << state;
    } else {
        message.header.nlmsg_len = NLMSG_LENGTH(sizeof message.one);
        message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
        message.one.sdiag_family = quint8(family);
        message.one.sdiag_protocol = IPPROTO_TCP;
        message.one.idiag_states = 1u << state;
    }
    sockaddr_nl kernel = {};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd, &message, message.header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0) {
        ::close(fd);
        return false;
    }
    alignas(nlmsghdr) char buffer[32768];
    bool ok = false;
    for (bool done = false; !done;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        int remaining = int(n);
        for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, remaining); h = NLMSG_NEXT(h, remaining)) {
            if (h->nlmsg_type == NLMSG_DONE) {
                done = ok = true;
                break;
            }
            if (h->nlmsg_type == NLMSG_ERROR) {
                done = true;
                break;
            }
            const auto* msg = static_cast<const inet_diag_msg*>(NLMSG_DATA(h));
            if (msg->idiag_state != state || (msg->idiag_family != AF_INET && msg->idiag_family != AF_INET6))
                continue;
            TcpSocket s;
            s.ipv6 = msg->idiag_family == AF_INET6;
            const int bytes = s.ipv6 ? 16 : 4;
            std::memcpy(s.localAddress.data(), msg->id.idiag_src, size_t(bytes));
            std::memcpy(s.remoteAddress.data(), msg->id.idiag_dst, size_t(bytes));
            s.localPort = ntohs(msg->id.idiag_sport);
            s.remotePort = ntohs(msg->id.idiag_dport);
            s.state = msg->idiag_state;
            s.uid = msg->idiag_uid;
            s.inode = msg->idiag_inode;
            out.append(s);
        }
    }
    ::close(fd);
    return ok;
}

} // namespace

SocketTable::SocketTable(QString procRoot) : m_procRoot(std::move(procRoot)) {}

void SocketTable::parse(const QByteArray& text, bool ipv6, quint8 state, QList<TcpSocket>& out)
{
    const char* p = text.constData();
    const char* end = p + text.size();
    // Skip the header line.
    while (p < end && *p != '\n')
        ++p;
    while (p < end) {
        ++p; // past '\n'
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!lineEnd)
            lineEnd = end;
        const char* q = p;
        p = lineEnd;
        skipSpaces(q, lineEnd);
        skipField(q, lineEnd); // "sl:"
        TcpSocket s;
        s.ipv6 = ipv6;
        if (!readEndpoint(q, lineEnd, ipv6, s.localAddress, s.localPort))
            continue;
        skipSpaces(q, lineEnd);
        if (!readEndpoint(q, lineEnd, ipv6, s.remoteAddress, s.remotePort))
            continue;
        skipSpaces(q, lineEnd);
        quint32 st;
        if (!readHex(q, lineEnd, 2, st) || st != state)
            continue;
        s.state = quint8(st);
        skipSpaces(q, lineEnd);
        skipField(q, lineEnd); // tx_queue:rx_queue
        skipField(q, lineEnd); // tr:tm->when
        skipField(q, lineEnd); // retrnsmt
        s.uid = quint32(readDecimal(q, lineEnd));
        skipSpaces(q, lineEnd);
        skipField(q, lineEnd); // timeout
        s.inode = readDecimal(q, lineEnd);
        out.append(s);
    }
}

QList<TcpSocket> SocketTable::read(quint8 state) const
{
    QList<TcpSocket> sockets;
    // The live table comes from netlink when the kernel offers it; a
    // fixture tree (or a kernel without sock_diag) is read as text.
    if (m_procRoot == QLatin1String("/proc")) {
        if (dumpOverNetlink(0, state, sockets)) {
            std::stable_partition(sockets.begin(), sockets.end(), [](const TcpSocket& s) { return !s.ipv6; });
            return sockets;
        }
        sockets.clear();
        if (dumpOverNetlink(AF_INET, state, sockets) && dumpOverNetlink(AF_INET6, state, sockets))
            return sockets;
        sockets.clear();
    }
    parse(readWhole(m_procRoot + QStringLiteral("/net/tcp")), false, state, sockets);
    parse(readWhole(m_procRoot + QStringLiteral("/net/tcp6")), true, state, sockets);
    return sockets;
}

bool SocketTable::stillOwns(const Seen& seen, quint64 inode) const
{
    const QByteArray path =
        QFile::encodeName(QStringLiteral("%1/%2/fd/%3").arg(m_procRoot).arg(seen.pid).arg(seen.fd));
    char link[64];
    const ssize_t n = ::readlink(path.constData(), link, sizeof link);
    return n > 0 && socketInode(link, n) == inode;
}

QString SocketTable::commOf(qint32 pid) const
{
    QByteArray comm = readWhole(QStringLiteral("%1/%2/comm").arg(m_procRoot).arg(pid));
    if (comm.endsWith('\n'))
        comm.chop(1);
    return QString::fromUtf8(comm);
}

void SocketTable::scanAll(const QSet<quint64>& wanted)
{
    QSet<quint64> missing = wanted;
    for (auto it = missing.begin(); it != missing.end();)
        it = (*it == 0 || m_known.contains(*it) || m_unplaceable.contains(*it)) ? missing.erase(it) : std::next(it);
    if (missing.isEmpty())
        return;

    DIR* proc = ::opendir(QFile::encodeName(m_procRoot).constData());
    if (!proc)
        return;
    char link[64];
    while (const dirent* entry = ::readdir(proc)) {
        char* endPtr = nullptr;
        const long pid = std::strtol(entry->d_name, &endPtr, 10);
        if (pid <= 0 || *endPtr != 0)
            continue;
        const QByteArray fdPath = QFile::encodeName(m_procRoot) + '/' + entry->d_name + "/fd";
        const int fdDir = ::open(fdPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fdDir < 0)
            continue; // gone, or not ours to read
        DIR* fds = ::fdopendir(fdDir);
        if (!fds) {
            ::close(fdDir);
            continue;
        }
        while (const dirent* fdEntry = ::readdir(fds)) {
            if (fdEntry->d_name[0] == '.')
                continue;
            const ssize_t n = ::readlinkat(::dirfd(fds), fdEntry->d_name, link, sizeof link);
            const quint64 inode = n > 0 ? socketInode(link, n) : 0;
            if (inode && missing.remove(inode))
                m_known.insert(inode, {qint32(pid), std::atoi(fdEntry->d_name)});
        }
        ::closedir(fds);
        if (missing.isEmpty())
            break;
    }
    ::closedir(proc);
    m_unplaceable.unite(missing);
}

QHash<quint64, SocketTable::Owner> SocketTable::owners(const QSet<quint64>& inodes)
{
    // Forget owners of sockets that are gone or changed hands.
    for (auto it = m_known.begin(); it != m_known.end();) {
        if (!inodes.contains(it.key()) || !stillOwns(it.value(), it.key()))
            it = m_known.erase(it);
        else
            ++it;
    }
    m_unplaceable.intersect(inodes);
    scanAll(inodes);

    QHash<quint64, Owner> result;
    QHash<qint32, QString> names;
    for (quint64 inode : inodes) {
        const auto it = m_known.constFind(inode);
        if (it == m_known.constEnd())
            continue;
        auto name = names.constFind(it->pid);
        if (name == names.constEnd())
            name = names.insert(it->pid, commOf(it->pid));
        result.insert(inode, {it->pid, *name});
    }
    return result;
}
