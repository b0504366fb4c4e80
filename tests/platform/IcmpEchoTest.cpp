#include "platform/IcmpEcho.h"

#include <QCoroTask>

#include <gtest/gtest.h>

// An echo whose socket owner goes before the answer ends with its callers:
// nothing after the wait runs and no frame stays suspended.
TEST(IcmpEcho, GoingAwayMidEchoUnwindsTheCaller)
{
    auto* echo = new IcmpEcho;
    if (!echo->isOpen()) {
        delete echo;
        GTEST_SKIP() << "no ICMP socket here (ping_group_range or raw sockets refused)";
    }
    bool answered = false;
    int freed = 0;
    struct Guard {
        int* freed;
        ~Guard() { ++*freed; }
    };
    auto caller = [&](IcmpEcho* e) -> QCoro::Task<> {
        Guard guard{&freed};
        co_await e->echo(QStringLiteral("127.0.0.1"), std::chrono::seconds(1));
        answered = true;
    };
    caller(echo);
    delete echo;
    EXPECT_FALSE(answered);
    EXPECT_EQ(freed, 1);
}
