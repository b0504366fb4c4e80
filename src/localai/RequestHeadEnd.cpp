#include "localai/RequestHeadEnd.h"

#include <cstring>

bool RequestHeadEnd::feed(const char* data, qsizetype size)
{
    const char* p = data;
    const char* const end = data + size;
    while (p < end && m_state != State::found) {
        if (m_state == State::inLine) {
            // Only line ends matter: skip to the next one.
            const void* lineEnd = std::memchr(p, '\n', size_t(end - p));
            if (!lineEnd)
                break;
            p = static_cast<const char*>(lineEnd) + 1;
            m_state = State::lineStart;
            continue;
        }
        const char c = *p++;
        if (c == '\n')
            m_state = State::found;
        else if (c == '\r' && m_state == State::lineStart)
            m_state = State::lineStartCr;
        else
            m_state = State::inLine;
    }
    return found();
}
