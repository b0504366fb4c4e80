#include "fakes/StoppableServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

StoppableServer::StoppableServer()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 128) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    m_port = ntohs(address.sin_port);
    m_pid = ::fork();
    if (m_pid == 0) {
        // Copies of the test's own sockets would keep them open. The kernel
        // takes connections and data into the backlog for a server that
        // never accepts, as for one that is stopped.
        ::close_range(3, unsigned(fd) - 1, 0);
        ::close_range(unsigned(fd) + 1, ~0U, 0);
        for (;;)
            ::pause();
    }
    ::close(fd); // the child holds the listening socket
}

StoppableServer::~StoppableServer()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
}

bool StoppableServer::stop()
{
    if (m_pid <= 0 || ::kill(m_pid, SIGSTOP) != 0)
        return false;
    int status = 0;
    return ::waitpid(m_pid, &status, WUNTRACED) == m_pid && WIFSTOPPED(status);
}
