#include "localai/TcpPortProber.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>

#include <memory>

QObject* TcpPortProber::start(quint16 port, Done done)
{
    auto* socket = new QTcpSocket;
    socket->setProxy(QNetworkProxy::NoProxy);
    auto reported = std::make_shared<bool>(false);
    const auto report = [socket, reported, done = std::move(done)](bool accepted) {
        if (*reported)
            return;
        *reported = true;
        socket->abort();
        done(accepted);
    };
    QObject::connect(socket, &QAbstractSocket::connected, socket, [report] { report(true); });
    QObject::connect(socket, &QAbstractSocket::errorOccurred, socket, [report] { report(false); });
    socket->connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    return socket;
}

PortProber& PortProber::system()
{
    static TcpPortProber prober;
    return prober;
}
