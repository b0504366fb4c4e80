#pragma once

#include <QtGlobal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fcntl.h>
#include <utility>

// Connections that send nothing, held by a child process so that they spend
// none of this process's descriptors. Made before the sockets the child must
// not share exist; it connects when asked, and holds until released.
class SilentConnectionFlood {
public:
    SilentConnectionFlood()
    {
        if (::pipe2(m_ask, O_CLOEXEC) != 0 || ::pipe2(m_told, O_CLOEXEC) != 0 || (m_child = ::fork()) < 0)
            return;
        if (m_child > 0) { // the child's ends, so that its exit is seen
            ::close(std::exchange(m_ask[0], -1));
            ::close(std::exchange(m_told[1], -1));
            return;
        }
        // Only system calls from here: the parent has threads.
        ::close(m_ask[1]); // else the release would never be seen
        int asked[2]; // port, count
        if (::read(m_ask[0], asked, sizeof asked) != sizeof asked)
            ::_exit(1);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(quint16(asked[0]));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int opened = 0;
        for (int i = 0; i < asked[1]; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            opened += fd >= 0 && (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 || errno == EINPROGRESS);
        }
        char byte;
        if (::write(m_told[1], &opened, sizeof opened) == sizeof opened) {
            [[maybe_unused]] const ssize_t released = ::read(m_ask[0], &byte, 1);
        }
        ::_exit(0);
    }
    ~SilentConnectionFlood() { release(); }
    SilentConnectionFlood(const SilentConnectionFlood&) = delete;
    SilentConnectionFlood& operator=(const SilentConnectionFlood&) = delete;

    // Opens `count` connections to `port`; how many connected or are connecting.
    int connect(quint16 port, int count)
    {
        const int asked[2] = {port, count};
        int opened = -1;
        if (m_child <= 0 || ::write(m_ask[1], asked, sizeof asked) != sizeof asked
            || ::read(m_told[0], &opened, sizeof opened) != sizeof opened)
            return -1;
        return opened;
    }
    // Closes every connection: the child exits.
    void release()
    {
        for (int* fd : {&m_ask[1], &m_told[0]})
            if (*fd >= 0)
                ::close(std::exchange(*fd, -1));
        if (m_child > 0)
            ::waitpid(m_child, nullptr, 0);
        m_child = -1;
    }

private:
    int m_ask[2] = {-1, -1};
    int m_told[2] = {-1, -1};
    pid_t m_child = -1;
};
