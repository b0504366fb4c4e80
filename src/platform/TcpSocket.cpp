#include "platform/TcpSocket.h"

#include <QHostAddress>

namespace {

bool isMappedV4(const std::array<quint8, 16>& a)
{
    for (int i = 0; i < 10; ++i)
        if (a[i] != 0)
            return false;
    return a[10] == 0xff && a[11] == 0xff;
}

QString endpoint(bool ipv6, const std::array<quint8, 16>& address, quint16 port)
{
    if (!ipv6 || isMappedV4(address)) {
        const int o = ipv6 ? 12 : 0;
        return QStringLiteral("%1.%2.%3.%4:%5")
            .arg(address[o]).arg(address[o + 1]).arg(address[o + 2]).arg(address[o + 3]).arg(port);
    }
    Q_IPV6ADDR raw;
    for (int i = 0; i < 16; ++i)
        raw[i] = address[i];
    return QStringLiteral("[%1]:%2").arg(QHostAddress(raw).toString()).arg(port);
}

} // namespace

bool TcpSocket::remoteIsLoopback() const
{
    if (!ipv6 || isMappedV4(remoteAddress))
        return remoteAddress[ipv6 ? 12 : 0] == 127;
    for (int i = 0; i < 15; ++i)
        if (remoteAddress[i] != 0)
            return false;
    return remoteAddress[15] == 1;
}

QString TcpSocket::localEndpoint() const { return endpoint(ipv6, localAddress, localPort); }
QString TcpSocket::remoteEndpoint() const { return endpoint(ipv6, remoteAddress, remotePort); }
