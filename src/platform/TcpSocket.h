#pragma once

#include <QString>

#include <array>

// One row of /proc/net/tcp or /proc/net/tcp6.
struct TcpSocket {
    enum State : quint8 { established = 0x01, listen = 0x0A };

    bool ipv6 = false;
    std::array<quint8, 16> localAddress{};   // IPv4 uses the first 4 bytes
    quint16 localPort = 0;
    std::array<quint8, 16> remoteAddress{};
    quint16 remotePort = 0;
    quint8 state = 0;
    quint32 uid = 0;
    quint64 inode = 0;

    bool remoteIsLoopback() const;
    // Endpoints as lsof prints them: "10.0.0.2:5000", "[2606:4700::1111]:443",
    // an IPv4-mapped IPv6 address as its IPv4 form.
    QString localEndpoint() const;
    QString remoteEndpoint() const;
};
