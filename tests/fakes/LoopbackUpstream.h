#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <list>
#include <mutex>
#include <set>
#include <thread>

// A raw TCP server on 127.0.0.1 (a free port) standing in for whatever a
// relay forwards to. Every connection runs the handler on its own thread with
// a blocking socket, which is closed when the handler returns. Destruction
// stops accepting, shuts every open connection down and joins the threads.
class LoopbackUpstream {
public:
    using Handler = std::function<void(int fd)>;

    explicit LoopbackUpstream(Handler handler);
    ~LoopbackUpstream();
    LoopbackUpstream(const LoopbackUpstream&) = delete;
    LoopbackUpstream& operator=(const LoopbackUpstream&) = delete;

    quint16 port() const { return m_port; }
    int acceptedCount() const { return m_accepted.load(); }
    int openCount() const { return m_open.load(); }
    // The most connections that were open at one time.
    int peakOpenCount() const { return m_peakOpen.load(); }

    // Ready-made behaviours.
    // Writes back everything it reads; closes after the peer's end.
    static Handler echo();
    // Reads until the peer's end, then sends `answer` and closes: only a
    // relay that passes the half-close on gets the answer back.
    static Handler answerAfterEnd(QByteArray answer);
    // Reads until the peer's end and closes without a word.
    static Handler holdUntilEnd();
    // After the first bytes, writes `bytes` bytes of a counting pattern and
    // closes (stopping early if the peer goes away).
    static Handler streamAfterRequest(qint64 bytes);
    // After the first bytes, resets the connection.
    static Handler resetAfterRequest();
    // Sends `answer` once what came ends with a blank line (a request with no
    // body; one with a body is never answered), then holds until the end.
    static Handler answerBodilessRequest(QByteArray answer);

    // Blocking helpers for handlers.
    static bool writeAll(int fd, const char* data, qint64 size);
    static QByteArray readSome(int fd, qint64 max = 65536);

private:
    struct Connection {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void acceptLoop();
    void serve(int fd, Connection& connection);
    void joinFinished();

    Handler m_handler;
    int m_listenFd = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_accepted{0};
    std::atomic<int> m_open{0};
    std::atomic<int> m_peakOpen{0};
    std::thread m_acceptThread;

    std::mutex m_mutex;
    std::set<int> m_openFds;               // shut down at destruction
    std::list<Connection> m_connections;   // joined when done, or at destruction
};
