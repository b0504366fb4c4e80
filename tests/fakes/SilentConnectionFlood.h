#pragma once

#include <QtGlobal>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

// Connections to a loopback port that send nothing, held by a child process so that they spend none of this
// process's descriptors. Destruction kills the child, which closes them all at once.
class SilentConnectionFlood {
public:
    SilentConnectionFlood(quint16 port, int count)
    {
        int told[2];
        if (::pipe2(told, O_CLOEXEC) != 0)
            return;
        if ((m_child = ::fork()) == 0) { // only system calls from here: the parent has threads
            ::close_range(3, unsigned(told[1]) - 1, 0); // copies of this process's sockets would keep them open
            ::close_range(unsigned(told[1]) + 1, ~0U, 0);
            rlimit limit{};
            ::getrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = limit.rlim_max; // not this process's lowered limit
            ::setrlimit(RLIMIT_NOFILE, &limit);
            const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
            int opened = 0;
            for (int i = 0; i < count; ++i) {
                const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
                opened += fd >= 0 && (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 || errno == EINPROGRESS);
            }
            if (::write(told[1], &opened, sizeof opened) == sizeof opened)
                for (;;)
                    ::pause();
            ::_exit(1);
        }
        ::close(told[1]);
        if (m_child < 0 || ::read(told[0], &m_connected, sizeof m_connected) != sizeof m_connected)
            m_connected = -1;
        ::close(told[0]);
    }
    ~SilentConnectionFlood()
    {
        if (m_child > 0 && ::kill(m_child, SIGKILL) == 0)
            ::waitpid(m_child, nullptr, 0);
    }
    SilentConnectionFlood(const SilentConnectionFlood&) = delete;
    SilentConnectionFlood& operator=(const SilentConnectionFlood&) = delete;

    // How many connected or are connecting; -1 when the child could not tell.
    int connected() const { return m_connected; }

private:
    pid_t m_child = -1;
    int m_connected = -1;
};
