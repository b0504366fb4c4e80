#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A loopback HTTP server that answers every request with one scripted reply
// and closes, or never answers while `hang` is set. With `keepOpen` a reply
// shorter than its Content-Length stalls the client mid-body.
class ScriptedHttpServer : public QTcpServer {
public:
    QByteArray response = reply(200, "OK");
    bool hang = false;
    bool keepOpen = false; // write the reply but leave the connection open
    int requests = 0;
    QByteArray lastRequest; // head of the latest request, as received

    ScriptedHttpServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray head = socket->readAll();
                    if (!head.contains("\r\n\r\n"))
                        return;
                    ++requests;
                    lastRequest = head;
                    if (hang)
                        return;
                    socket->write(response);
                    if (!keepOpen)
                        socket->disconnectFromHost();
                });
            }
        });
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(serverPort())); }

    static QByteArray reply(int status, const QByteArray& body)
    {
        return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: text/plain\r\nContent-Length: " +
               QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }
};
