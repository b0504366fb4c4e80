#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

// A child forked by a test. Its body writes a byte to the descriptor it is
// given once it got where the test waits for, and never returns (else the
// child leaves with 1). The child is killed when this goes.
class ForkedChild {
public:
    template <typename Body>
    explicit ForkedChild(Body&& body)
    {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return;
        if ((m_pid = ::fork()) == 0) {
            ::close(ready[0]);
            body(ready[1]);
            ::_exit(1);
        }
        ::close(ready[1]);
        char byte = 0;
        m_ready = m_pid > 0 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~ForkedChild() { endsBy(SIGKILL, true); }
    ForkedChild(const ForkedChild&) = delete;
    ForkedChild& operator=(const ForkedChild&) = delete;

    bool ready() const { return m_ready; }
    // Waits for the child's end, sending it `signal` first if asked: was it `signal` that ended it?
    bool endsBy(int signal, bool send = false)
    {
        int status = 0;
        if (m_pid <= 0 || (send && ::kill(m_pid, signal) != 0) || ::waitpid(m_pid, &status, 0) != m_pid)
            return false;
        m_pid = -1;
        return WIFSIGNALED(status) && WTERMSIG(status) == signal;
    }

private:
    pid_t m_pid = -1;
    bool m_ready = false;
};
