#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>

class QTcpServer;
class QTcpSocket;

// A model server on a loopback ephemeral port that speaks enough HTTP/1.1
// (keep-alive, Content-Length bodies) for the model-server client and the
// local API proxy. GET /api/ps gets a scripted answer; POST /api/generate is
// recorded and answered; anything else gets 404.
class FakeModelServer : public QObject {
    Q_OBJECT

public:
    struct Answer {
        int status = 200;
        QByteArray body = "{}";
        std::chrono::milliseconds delay{0};   // a slow server
        bool hang = false;                     // reads the request, never answers
        QByteArray raw;                        // when set: sent verbatim, then the connection closes
    };

    struct Request {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers;   // names in lower case
        QByteArray body;
    };

    explicit FakeModelServer(QObject* parent = nullptr);
    ~FakeModelServer() override;

    quint16 port() const { return m_port; }
    // http://127.0.0.1:<port>
    QUrl baseUrl() const;
    bool isListening() const;

    void setPsAnswer(Answer answer) { m_psAnswer = std::move(answer); }
    void answerPs(int status, QByteArray body);
    // A well-formed /api/ps body of `count` models "model-<i>", i from `first`.
    static QByteArray modelList(int count, int first = 0);
    void setGenerateAnswer(Answer answer) { m_generateAnswer = std::move(answer); }

    // Refuses new connections from now on and drops the open ones.
    void stopListening();

    const QList<Request>& requests() const { return m_requests; }
    QList<QByteArray> generateBodies() const;
    int psRequestCount() const;

signals:
    void requestReceived();

private:
    void onConnection();
    void onReadable(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const Answer& answer);

    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QList<QPointer<QTcpSocket>> m_sockets;
    QList<Request> m_requests;
    Answer m_psAnswer;
    Answer m_generateAnswer{200, "{\"done\":true}", std::chrono::milliseconds{0}, false, {}};
};
