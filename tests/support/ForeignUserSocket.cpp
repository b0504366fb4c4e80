#include "support/ForeignUserSocket.h"

#include <QFile>

#include <grp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

namespace {

// Runs in the forked child: only async-signal-safe calls.
[[noreturn]] void serve(const sockaddr_un& address, socklen_t size, uid_t uid, int ready)
{
    const gid_t gid = gid_t(uid);
    if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
        ::_exit(1);
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (server < 0 || ::bind(server, reinterpret_cast<const sockaddr*>(&address), size) != 0
        || ::listen(server, 8) != 0)
        ::_exit(1);
    if (::write(ready, "1", 1) != 1)
        ::_exit(1);
    ::close(ready);
    for (;;) {
        const int client = ::accept(server, nullptr, nullptr);
        if (client < 0)
            continue;
        char request[64];
        if (::read(client, request, sizeof request) > 0 && ::write(client, "ok\n", 3) != 3)
            ::_exit(1);
        ::close(client);
    }
}

} // namespace

ForeignUserSocket::ForeignUserSocket(const QString& path, uid_t uid)
{
    // "@name" stands for an abstract name, bound at its exact length as Qt
    // connects to one.
    const bool abstract = path.startsWith(QLatin1Char('@'));
    const QByteArray native = abstract ? QByteArray(1, '\0') + path.mid(1).toLatin1() : QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (!canPlant() || native.size() >= qsizetype(sizeof address.sun_path))
        return;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const socklen_t size = abstract ? socklen_t(offsetof(sockaddr_un, sun_path) + size_t(native.size())) : socklen_t(sizeof address);
    m_child.emplace([&](int ready) { serve(address, size, uid, ready); });
}
