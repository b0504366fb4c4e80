#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTcpServer>

// Just enough of the container engine's HTTP API on a loopback port for the
// real docker client (DOCKER_HOST=tcp://...) to list, stop and pause: the
// version ping, the container list and 204 for every other request. Records
// each request as "METHOD /path" with the API version prefix removed.
class FakeDockerDaemon : public QTcpServer {
public:
    struct Container {
        QString id;   // 64 hex digits or fewer; docker ps shows the first 12
        QString name; // without the leading slash the API adds
        QString state = QStringLiteral("running");
    };

    FakeDockerDaemon();

    QList<Container> containers;
    QStringList requests() const { return m_requests; }
    QByteArray host() const; // the DOCKER_HOST value

private:
    void answer(QTcpSocket* socket);
    QByteArray containerList() const;

    QStringList m_requests;
};
