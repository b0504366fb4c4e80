#include "fakes/FakeModelServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray reasonFor(int status)
{
    switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

FakeModelServer::FakeModelServer(QObject* parent) : QObject(parent), m_server(new QTcpServer(this))
{
    m_server->listen(QHostAddress::LocalHost, 0);
    m_port = m_server->serverPort();
    connect(m_server, &QTcpServer::newConnection, this, &FakeModelServer::onConnection);
}

FakeModelServer::~FakeModelServer() { stopListening(); }

QUrl FakeModelServer::baseUrl() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port)); }

bool FakeModelServer::isListening() const { return m_server->isListening(); }

QByteArray FakeModelServer::modelList(int count, int first)
{
    QByteArray body = "{\"models\":[";
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            body += ',';
        body += "{\"name\":\"model-" + QByteArray::number(first + i)
                + "\",\"size\":4661224816,\"details\":{\"parameter_size\":\"8B\",\"quantization_level\":\"Q4_0\"}}";
    }
    return body + "]}";
}

void FakeModelServer::answerPs(int status, QByteArray body)
{
    Answer answer;
    answer.status = status;
    answer.body = std::move(body);
    m_psAnswer = answer;
}

void FakeModelServer::stopListening()
{
    m_server->close();
    for (const QPointer<QTcpSocket>& socket : std::as_const(m_sockets))
        if (socket)
            socket->abort();
    m_sockets.clear();
    m_buffers.clear();
}

QList<QByteArray> FakeModelServer::generateBodies() const
{
    QList<QByteArray> bodies;
    for (const Request& request : m_requests)
        if (request.method == "POST" && request.path == "/api/generate")
            bodies << request.body;
    return bodies;
}

int FakeModelServer::psRequestCount() const
{
    int count = 0;
    for (const Request& request : m_requests)
        count += request.method == "GET" && request.path == "/api/ps";
    return count;
}

void FakeModelServer::onConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        m_sockets << socket;
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void FakeModelServer::onReadable(QTcpSocket* socket)
{
    m_buffers[socket] += socket->readAll();
    for (;;) {
        // Looked up each round: a requestReceived() handler may stop the
        // server, which drops every buffer.
        QByteArray& buffer = m_buffers[socket];
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        Request request;
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length", "0").toLongLong();
        if (buffer.size() < headerEnd + 4 + length)
            return; // the body is still coming
        request.body = buffer.mid(headerEnd + 4, length);
        buffer.remove(0, headerEnd + 4 + length);
        m_requests << request;
        emit requestReceived();
        if (!m_buffers.contains(socket))
            return; // stopped meanwhile: nothing more is answered

        Answer answer;
        if (request.method == "GET" && request.path == "/api/ps")
            answer = m_psAnswer;
        else if (request.method == "POST" && request.path == "/api/generate")
            answer = m_generateAnswer;
        else
            answer = Answer{404, "{\"error\":\"not found\"}", std::chrono::milliseconds{0}, false, {}};
        if (answer.hang)
            continue;
        if (!answer.raw.isEmpty() && answer.delay.count() == 0) {
            respond(socket, answer); // closes the connection: nothing more to read
            return;
        }
        if (answer.delay.count() > 0) {
            QPointer<QTcpSocket> guarded(socket);
            QTimer::singleShot(answer.delay, this, [this, guarded, answer] {
                if (guarded)
                    respond(guarded, answer);
            });
        } else {
            respond(socket, answer);
        }
    }
}

void FakeModelServer::respond(QTcpSocket* socket, const Answer& answer)
{
    if (!answer.raw.isEmpty()) {
        socket->write(answer.raw);
        socket->disconnectFromHost();
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reasonFor(answer.status) + "\r\n";
    head += "Content-Type: application/json\r\n";
    head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    head += "Connection: keep-alive\r\n\r\n";
    socket->write(head + answer.body);
}
