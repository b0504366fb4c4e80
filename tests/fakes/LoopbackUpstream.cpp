#include "fakes/LoopbackUpstream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

LoopbackUpstream::LoopbackUpstream(Handler handler) : m_handler(std::move(handler))
{
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listenFd, SOMAXCONN);
    socklen_t length = sizeof address;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

LoopbackUpstream::~LoopbackUpstream()
{
    m_stopping = true;
    ::shutdown(m_listenFd, SHUT_RDWR); // wakes the blocked accept
    m_acceptThread.join();
    ::close(m_listenFd);
    {
        std::lock_guard lock(m_mutex);
        for (const int fd : m_openFds)
            ::shutdown(fd, SHUT_RDWR);
    }
    for (Connection& connection : m_connections)
        connection.thread.join();
}

void LoopbackUpstream::joinFinished()
{
    // Thousands of short connections would otherwise keep thousands of
    // finished threads (and their stacks) until destruction.
    std::lock_guard lock(m_mutex);
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        if (it->done) {
            it->thread.join();
            it = m_connections.erase(it);
        } else {
            ++it;
        }
    }
}

void LoopbackUpstream::acceptLoop()
{
    while (!m_stopping) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++m_accepted;
        const int open = ++m_open;
        int peak = m_peakOpen.load();
        while (open > peak && !m_peakOpen.compare_exchange_weak(peak, open)) {
        }
        joinFinished();
        std::lock_guard lock(m_mutex);
        m_openFds.insert(fd);
        Connection& connection = m_connections.emplace_back();
        connection.thread = std::thread([this, fd, &connection] { serve(fd, connection); });
    }
}

void LoopbackUpstream::serve(int fd, Connection& connection)
{
    m_handler(fd);
    std::lock_guard lock(m_mutex);
    m_openFds.erase(fd);
    // Counted closed before the peer can see the close, so a relay reacting
    // to it never finds this connection still counted.
    --m_open;
    ::close(fd);
    connection.done = true;
}

bool LoopbackUpstream::writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= sent;
    }
    return true;
}

QByteArray LoopbackUpstream::readSome(int fd, qint64 max)
{
    QByteArray buffer(max, Qt::Uninitialized);
    ssize_t read;
    do
        read = ::recv(fd, buffer.data(), size_t(max), 0);
    while (read < 0 && errno == EINTR);
    buffer.resize(read > 0 ? read : 0);
    return buffer;
}

LoopbackUpstream::Handler LoopbackUpstream::echo()
{
    return [](int fd) {
        for (;;) {
            const QByteArray chunk = readSome(fd);
            if (chunk.isEmpty() || !writeAll(fd, chunk.constData(), chunk.size()))
                return;
        }
    };
}

LoopbackUpstream::Handler LoopbackUpstream::answerAfterEnd(QByteArray answer)
{
    return [answer](int fd) {
        while (!readSome(fd).isEmpty()) {
        }
        writeAll(fd, answer.constData(), answer.size());
    };
}

LoopbackUpstream::Handler LoopbackUpstream::holdUntilEnd()
{
    return [](int fd) {
        while (!readSome(fd).isEmpty()) {
        }
    };
}

LoopbackUpstream::Handler LoopbackUpstream::streamAfterRequest(qint64 bytes)
{
    return [bytes](int fd) {
        if (readSome(fd).isEmpty())
            return;
        QByteArray block(65536, Qt::Uninitialized);
        for (int i = 0; i < block.size(); ++i)
            block[i] = char(i % 251);
        for (qint64 left = bytes; left > 0; left -= block.size()) {
            if (!writeAll(fd, block.constData(), qMin<qint64>(left, block.size())))
                return;
        }
    };
}

LoopbackUpstream::Handler LoopbackUpstream::resetAfterRequest()
{
    return [](int fd) {
        if (readSome(fd).isEmpty())
            return;
        const linger reset{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    };
}

LoopbackUpstream::Handler LoopbackUpstream::answerBodilessRequest(QByteArray answer)
{
    return [answer](int fd) {
        QByteArray got;
        for (QByteArray more; !got.endsWith("\r\n\r\n") && !(more = readSome(fd)).isEmpty();)
            got += more;
        if (got.endsWith("\r\n\r\n"))
            writeAll(fd, answer.constData(), answer.size());
        holdUntilEnd()(fd);
    };
}
