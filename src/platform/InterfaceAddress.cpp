#include "platform/InterfaceAddress.h"

#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

QList<InterfaceAddress> InterfaceAddress::listIPv4()
{
    QList<InterfaceAddress> result;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return result;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        char host[NI_MAXHOST] = {};
        // A failed conversion leaves the buffer zeroed: an empty address.
        ::getnameinfo(entry->ifa_addr, sizeof(sockaddr_in), host, sizeof host, nullptr, 0, NI_NUMERICHOST);
        result.append({QString::fromUtf8(entry->ifa_name), QString::fromLatin1(host)});
    }
    ::freeifaddrs(list);
    return result;
}

bool InterfaceAddress::isPhysicalInterfaceName(const QString& name)
{
    for (const char* prefix : {"en", "eth", "wl", "ww"})
        if (name.startsWith(QLatin1String(prefix)))
            return true;
    return false;
}

QString InterfaceAddress::chooseLocalAddress(const QList<InterfaceAddress>& addresses)
{
    QString chosen = QStringLiteral("127.0.0.1");
    for (const InterfaceAddress& a : addresses)
        if (isPhysicalInterfaceName(a.interfaceName))
            chosen = a.address;
    return chosen;
}
