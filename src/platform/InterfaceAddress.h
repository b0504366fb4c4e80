#pragma once

#include <QList>
#include <QString>

// One IPv4 address of a network interface, as getifaddrs lists it.
struct InterfaceAddress {
    QString interfaceName;
    QString address;   // numeric host text

    // The IPv4 addresses of every interface, in the kernel's list order.
    static QList<InterfaceAddress> listIPv4();

    // Whether a name belongs to a physical Ethernet or Wi-Fi/WWAN interface
    // (en*, eth*, wl*, ww*), never a loopback, bridge, container, VPN or
    // tunnel interface.
    static bool isPhysicalInterfaceName(const QString& name);

    // The address of the last physical interface in list order, or
    // "127.0.0.1" when there is none.
    static QString chooseLocalAddress(const QList<InterfaceAddress>& addresses);
};
