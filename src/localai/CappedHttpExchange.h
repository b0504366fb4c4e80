#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <optional>

class QTcpSocket;

// One plain-HTTP/1.1 request to a peer on this machine, and its answer read
// with a byte cap that holds however fast the peer sends. The socket is
// ours, with a small read buffer: nothing is taken from the kernel faster
// than this object consumes it, body bytes are counted as they arrive, and
// an answer that announces or grows past the cap is cut off at once (the
// connection aborted, what was read dropped). A deadline ends the whole
// exchange. Bodies sized by Content-Length, chunked, or ended by the close
// are read; every answer asks for the connection to close. A line may end in
// CRLF or a bare LF. Every count the peer writes is checked before use: one
// that does not fit in 63 bits, a sign, or two lengths that differ make the
// answer malformed.
//
// Whatever the outcome, finished() is emitted once, later than start().
// Destroying the object ends the exchange without it.
class CappedHttpExchange : public QObject {
    Q_OBJECT

public:
    // Why no answer came back.
    enum class Failure {
        none,
        unreachable,  // no connection, or closed before a byte of answer
        timedOut,     // the deadline passed first
        malformed,    // not HTTP/1.x framing we can read exactly, or cut short
        headTooLarge, // the header sections passed kMaxHeadBytes
        bodyTooLarge, // the body passed its cap
    };

    struct Outcome {
        bool answered = false; // a whole answer came back
        Failure failure = Failure::none;
        int status = 0;
        QByteArray body;
        QString error; // why no answer came back, for a log line
    };

    static constexpr qint64 kReadBufferBytes = 64 * 1024;
    // For the status line and headers of an answer, its interim answers and
    // its trailers together.
    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;
    // A chunk-size line, extensions included.
    static constexpr qsizetype kMaxChunkLineBytes = 4096;
    // 1xx answers before the real one.
    static constexpr int kMaxInterimAnswers = 8;

    CappedHttpExchange(QUrl url, QByteArray verb, QByteArray contentType, QByteArray body,
                       std::chrono::milliseconds timeout, qint64 maxBody, QObject* parent = nullptr);
    ~CappedHttpExchange() override;

    void start();
    const Outcome& outcome() const { return m_outcome; }

signals:
    void finished();

private:
    enum class Stage { head, sizedBody, untilClose, chunkSize, chunkData, chunkEnd, trailers, done };

    void onConnected();
    void onReadyRead();
    void onClosed();
    // Consumes `data` from `from` on; false once the exchange has ended.
    bool consume(const QByteArray& data, qsizetype from);
    bool consumeHeadLine(const QByteArray& data, qsizetype& at);
    bool consumeChunkLine(const QByteArray& data, qsizetype& at);
    bool parseHead();
    bool appendBody(const char* data, qsizetype size);
    // A line collected across reads in m_pending, at most `limit` bytes with
    // its end (past that, the exchange fails with `tooLong` and `why`). Once
    // complete, it comes back without its end, `wireSize` saying how many
    // bytes it took.
    std::optional<QByteArray> takeLine(const QByteArray& data, qsizetype& at, qsizetype limit, qsizetype& wireSize,
                                       Failure tooLong, const QString& why);
    void succeed();
    void fail(Failure failure, const QString& error);
    void refuseTooLarge();
    void end();

    QUrl m_url;
    QByteArray m_verb;
    QByteArray m_contentType;
    QByteArray m_requestBody;
    std::chrono::milliseconds m_timeout;
    qint64 m_maxBody;
    QTcpSocket* m_socket;
    QTimer m_deadline;
    Stage m_stage = Stage::head;
    QByteArray m_pending; // the line being read, so far
    QList<QByteArray> m_headLines; // of the head being read
    qsizetype m_headBudget = kMaxHeadBytes; // left for heads and trailers
    int m_interimAnswers = 0;
    qint64 m_framingBytes = 0; // of the chunk framing, bounded like the body
    qint64 m_remaining = 0; // of a sized body or of the current chunk
    bool m_received = false; // any byte of answer
    Outcome m_outcome;
    bool m_ended = false;
};
