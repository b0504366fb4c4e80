#pragma once

#include <QList>
#include <QtGlobal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

// Listening sockets on 127.0.0.1 that never accept: each has a backlog of
// one, filled by a connection of our own, so the kernel drops every further
// SYN and a connect to the port neither succeeds nor fails until it gives up.
class NeverAcceptingListeners {
public:
    explicit NeverAcceptingListeners(int count)
    {
        for (int i = 0; i < count; ++i) {
            const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t length = sizeof address;
            if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0
                || ::listen(listener, 0) != 0
                || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
                if (listener >= 0)
                    ::close(listener);
                return; // ports() comes out short
            }
            m_fds.push_back(listener);
            // A backlog of 0 holds one finished handshake: this one.
            const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            m_fds.push_back(filler);
            if (filler < 0 || ::connect(filler, reinterpret_cast<sockaddr*>(&address), length) != 0)
                return;
            m_ports << ntohs(address.sin_port);
        }
    }
    ~NeverAcceptingListeners()
    {
        for (const int fd : m_fds) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    NeverAcceptingListeners(const NeverAcceptingListeners&) = delete;
    NeverAcceptingListeners& operator=(const NeverAcceptingListeners&) = delete;

    const QList<quint16>& ports() const { return m_ports; }

private:
    std::vector<int> m_fds;
    QList<quint16> m_ports;
};
