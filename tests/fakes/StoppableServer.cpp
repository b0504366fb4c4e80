#include "fakes/StoppableServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace {

constexpr int maxClients = 256;

// Runs in the forked child of a threaded process: system calls only.
[[noreturn]] void serve(int listenFd)
{
    pollfd fds[maxClients + 1];
    int count = 1;
    fds[0] = {listenFd, POLLIN, 0};
    char sink[4096];
    for (;;) {
        if (::poll(fds, nfds_t(count), -1) <= 0)
            continue;
        if ((fds[0].revents & POLLIN) && count <= maxClients) {
            const int client = ::accept(listenFd, nullptr, nullptr);
            if (client >= 0)
                fds[count++] = {client, POLLIN, 0};
        }
        for (int i = count - 1; i >= 1; --i) {
            if (fds[i].revents == 0)
                continue;
            if (::read(fds[i].fd, sink, sizeof sink) <= 0) {
                ::close(fds[i].fd);
                fds[i] = fds[--count];
            }
        }
    }
}

} // namespace

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
        // Copies of the test's own sockets would keep them open.
        ::close_range(3, unsigned(fd) - 1, 0);
        ::close_range(unsigned(fd) + 1, ~0U, 0);
        serve(fd);
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
