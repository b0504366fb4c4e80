#include "platform/InterfaceAddress.h"

#include <gtest/gtest.h>

TEST(InterfaceAddressTest, LastPhysicalInterfaceWinsAndVirtualOnesNeverCount)
{
    using A = InterfaceAddress;
    EXPECT_EQ(A::chooseLocalAddress({{"lo", "127.0.0.1"}, {"eth0", "10.0.0.5"}, {"wlp2s0", "192.168.1.20"}}),
              QStringLiteral("192.168.1.20"));
    EXPECT_EQ(A::chooseLocalAddress({{"docker0", "172.17.0.1"}, {"br-1a2b", "172.18.0.1"}, {"virbr0", "192.168.122.1"},
                                     {"veth12", "10.1.1.1"}, {"tun0", "10.8.0.2"}, {"tap0", "10.9.0.2"},
                                     {"wg0", "10.7.0.2"}, {"tailscale0", "100.64.0.1"}, {"lo", "127.0.0.1"}}),
              QStringLiteral("127.0.0.1"));
    EXPECT_EQ(A::chooseLocalAddress({{"enp3s0", ""}}), QString()) << "an unconvertible address stays empty";
    EXPECT_EQ(A::chooseLocalAddress({{"wwan0", "10.20.0.3"}}), QStringLiteral("10.20.0.3"));
}

TEST(InterfaceAddressTest, ThisMachineListsItsAddresses)
{
    const auto addresses = InterfaceAddress::listIPv4();
    const bool hasLoopback = std::any_of(addresses.begin(), addresses.end(),
                                         [](const InterfaceAddress& a) { return a.address == QStringLiteral("127.0.0.1"); });
    EXPECT_TRUE(hasLoopback);
}
