#include "core/SerialGate.h"
#include "support/TaskRunner.h"

#include <gtest/gtest.h>

#include <optional>

TEST(SerialGateTest, TurnsPassOnInArrivalOrderFromTheEventLoop)
{
    SerialGate gate;
    QStringList log;
    std::optional<SerialGate::Turn> held;
    auto take = [&]() -> QCoro::Task<> {
        auto entry = gate.enter();
        held.emplace(co_await entry);
    };
    auto waiter = [&](QString name) -> QCoro::Task<> {
        auto entry = gate.enter();
        const auto turn = co_await entry;
        log << name;
    };
    auto first = take();
    ASSERT_TRUE(held.has_value()) << "a free gate is entered at once";
    auto b = waiter(QStringLiteral("b"));
    auto c = waiter(QStringLiteral("c"));
    EXPECT_EQ(gate.waitingCount(), 2);

    held.reset();
    EXPECT_TRUE(log.isEmpty()) << "the next holder never runs inside the release";
    EXPECT_TRUE(gate.isBusy()) << "the turn is handed straight on";
    ASSERT_TRUE(waitUntil([&] { return !gate.isBusy(); }));
    EXPECT_EQ(log, (QStringList{QStringLiteral("b"), QStringLiteral("c")}));
}
