#include "localai/PipePool.h"

#include <fcntl.h>
#include <unistd.h>

PipePool::~PipePool()
{
    clear();
}

void PipePool::clear()
{
    for (Pipe& pipe : m_idle)
        closePipe(pipe);
    m_idle.clear();
}

PipePool::Pipe PipePool::acquire()
{
    if (!m_idle.empty()) {
        Pipe pipe = m_idle.back();
        m_idle.pop_back();
        return pipe;
    }
    if (m_open >= m_maxOpen)
        return {};
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        return {};
    // 64 KiB is the usual default; asking for it keeps one chunk per pipe
    // even where the default differs. A refusal still leaves a usable pipe.
    ::fcntl(fds[1], F_SETPIPE_SZ, 65536);
    ++m_open;
    return {fds[0], fds[1]};
}

void PipePool::release(Pipe& pipe, bool empty)
{
    if (!pipe.valid())
        return;
    if (empty && int(m_idle.size()) < m_keepIdle)
        m_idle.push_back(pipe);
    else
        closePipe(pipe);
    pipe = {};
}

void PipePool::closePipe(Pipe& pipe)
{
    --m_open;
    ::close(pipe.readFd);
    ::close(pipe.writeFd);
    pipe = {};
}
