#include "fakes/FakeDockerDaemon.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>

namespace {

QByteArray response(int status, const QByteArray& contentType, const QByteArray& body)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + (status == 204 ? " No Content" : " OK") + "\r\n";
    head += "Api-Version: 1.41\r\n";
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType + "\r\n";
    if (status != 204)
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return head + "Connection: close\r\n\r\n" + body;
}

} // namespace

FakeDockerDaemon::FakeDockerDaemon()
{
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QByteArray FakeDockerDaemon::host() const
{
    return "tcp://127.0.0.1:" + QByteArray::number(serverPort());
}

void FakeDockerDaemon::answer(QTcpSocket* socket)
{
    QByteArray buffered = socket->property("buffered").toByteArray() + socket->readAll();
    const qsizetype end = buffered.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("buffered", buffered);
        return;
    }
    const QList<QByteArray> requestLine = buffered.left(buffered.indexOf("\r\n")).split(' ');
    const QByteArray method = requestLine.value(0);
    static const QRegularExpression version(QStringLiteral("^/v[0-9.]+"));
    const QString path = QString::fromLatin1(requestLine.value(1)).section(QLatin1Char('?'), 0, 0).remove(version);
    m_requests.append(QString::fromLatin1(method) + QLatin1Char(' ') + path);

    QByteArray reply;
    if (path == QLatin1String("/_ping"))
        reply = response(200, "text/plain", method == "HEAD" ? QByteArray() : QByteArray("OK"));
    else if (method == "GET" && path == QLatin1String("/containers/json"))
        reply = response(200, "application/json", containerList());
    else
        reply = response(204, {}, {});
    socket->write(reply);
    socket->disconnectFromHost();
}

QByteArray FakeDockerDaemon::containerList() const
{
    QJsonArray list;
    for (const Container& container : containers)
        list.append(QJsonObject{{QStringLiteral("Id"), container.id},
                                {QStringLiteral("Names"), QJsonArray{QLatin1Char('/') + container.name}},
                                {QStringLiteral("State"), container.state}});
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}
