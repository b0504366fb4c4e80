#pragma once

#include <QtGlobal>

#include <sys/types.h>

// A real server process on 127.0.0.1 (a free port) that never answers: a
// model server that can be frozen with SIGSTOP, as the battery shield does.
// The child is killed and reaped on destruction.
class StoppableServer {
public:
    StoppableServer();
    ~StoppableServer();
    StoppableServer(const StoppableServer&) = delete;
    StoppableServer& operator=(const StoppableServer&) = delete;

    bool running() const { return m_pid > 0; }
    quint16 port() const { return m_port; }
    // SIGSTOP, and waits until the child is stopped.
    bool stop();

private:
    pid_t m_pid = -1;
    quint16 m_port = 0;
};
