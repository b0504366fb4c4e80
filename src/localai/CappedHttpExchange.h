#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>

class QTcpSocket;

// One plain-HTTP/1.1 request to a peer on this machine, and its answer read
// with a byte cap that holds however fast the peer sends. The socket is
// ours, with a small read buffer: nothing is taken from the kernel faster
// than this object consumes it, body bytes are counted as they arrive, and
// an answer that announces or grows past the cap is cut off at once (the
// connection aborted, what was read dropped). A deadline ends the whole
// exchange. Bodies sized by Content-Length, chunked, or ended by the close
// are read; every answer asks for the connection to close.
//
// Whatever the outcome, finished() is emitted once, later than start().
// Destroying the object ends the exchange without it.
class CappedHttpExchange : public QObject {
    Q_OBJECT

public:
    struct Outcome {
        bool answered = false; // a whole answer came back
        bool tooLarge = false; // cut off at the cap
        int status = 0;
        QByteArray body;
        QString error; // why no answer came back
    };

    static constexpr qint64 kReadBufferBytes = 64 * 1024;
    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;

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
    bool parseHead();
    bool appendBody(const char* data, qsizetype size);
    // A line of the chunk framing, collected across reads: `complete` once
    // its end has come. False once the exchange has ended.
    bool takeLine(const QByteArray& data, qsizetype& at, QByteArray& line, bool& complete);
    void succeed();
    void fail(const QString& error);
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
    QByteArray m_pending; // the head, or a chunk-size or trailer line, so far
    qint64 m_remaining = 0; // of a sized body or of the current chunk
    Outcome m_outcome;
    bool m_ended = false;
};
