#pragma once

#include <QByteArray>
#include <QDir>
#include <QHostAddress>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

// A blocking test client socket with 5-second time-outs, closed on
// destruction so a failing test leaks nothing.
class LoopbackClient {
public:
    LoopbackClient() = default;
    // A receive buffer of `receiveBuffer` bytes (0: the default) is set before connecting, so the window the
    // peer sees is small from the start.
    explicit LoopbackClient(quint16 port, const QHostAddress& host = QHostAddress(QHostAddress::LocalHost),
                            int receiveBuffer = 0)
    {
        sockaddr_storage storage{};
        socklen_t length;
        if (host.protocol() == QAbstractSocket::IPv6Protocol) {
            auto* address = reinterpret_cast<sockaddr_in6*>(&storage);
            address->sin6_family = AF_INET6;
            address->sin6_port = htons(port);
            const Q_IPV6ADDR bytes = host.toIPv6Address();
            std::memcpy(&address->sin6_addr, bytes.c, sizeof bytes.c);
            length = sizeof *address;
        } else {
            auto* address = reinterpret_cast<sockaddr_in*>(&storage);
            address->sin_family = AF_INET;
            address->sin_port = htons(port);
            address->sin_addr.s_addr = htonl(host.toIPv4Address());
            length = sizeof *address;
        }
        m_fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const timeval limit{5, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        const int one = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (receiveBuffer > 0)
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&storage), length) != 0) {
            m_error = errno;
            close();
        }
    }
    ~LoopbackClient() { close(); }
    LoopbackClient(LoopbackClient&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)), m_error(other.m_error) {}
    LoopbackClient& operator=(LoopbackClient&& other) noexcept
    {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_error = other.m_error;
        return *this;
    }

    bool connected() const { return m_fd >= 0; }
    int connectError() const { return m_error; }
    int fd() const { return m_fd; }

    bool send(const QByteArray& bytes) const
    {
        qsizetype offset = 0;
        while (offset < bytes.size()) {
            const ssize_t sent = ::send(m_fd, bytes.constData() + offset, size_t(bytes.size() - offset), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            offset += sent;
        }
        return true;
    }
    // Exactly `size` bytes, or fewer if the stream ends or times out first.
    QByteArray read(qsizetype size) const
    {
        QByteArray bytes(size, Qt::Uninitialized);
        qsizetype got = 0;
        while (got < size) {
            const ssize_t n = ::recv(m_fd, bytes.data() + got, size_t(size - got), 0);
            if (n <= 0)
                break;
            got += n;
        }
        bytes.resize(got);
        return bytes;
    }
    // Everything up to the end of the stream; `ended` tells whether it came.
    QByteArray readToEnd(bool* ended = nullptr) const
    {
        QByteArray bytes;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                bytes.append(buffer, n);
                continue;
            }
            if (ended)
                *ended = n == 0;
            return bytes;
        }
    }
    void shutdownWrite() const { ::shutdown(m_fd, SHUT_WR); }
    // Closes with a reset instead of an orderly end.
    void reset()
    {
        const linger abort{1, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        close();
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    quint16 localPort() const
    {
        sockaddr_storage storage{};
        socklen_t length = sizeof storage;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&storage), &length);
        return storage.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port)
                                             : ntohs(reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
    }

    // A loopback port nothing listens on right now.
    static quint16 freePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(fd);
        return ntohs(address.sin_port);
    }

    // Descriptors this process has open.
    static int openDescriptorCount()
    {
        return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size());
    }

private:
    int m_fd = -1;
    int m_error = 0;
};
