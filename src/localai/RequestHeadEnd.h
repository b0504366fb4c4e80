#pragma once

#include <QtGlobal>

// Watches a client's bytes for the blank line that ends an HTTP request's
// head (CR LF CR LF, or bare LF line ends as servers also accept), across
// reads of any size. The proxy looks no further into a request than this.
class RequestHeadEnd {
public:
    // Feeds the next bytes of the stream; true once the head has ended.
    bool feed(const char* data, qsizetype size);
    bool found() const { return m_state == State::found; }

private:
    enum class State { inLine, lineStart, lineStartCr, found };
    State m_state = State::inLine;
};
