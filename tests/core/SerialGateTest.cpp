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

// A hand-off the event loop drops undelivered (the application goes away) ends
// the waiters with WaitAbandoned instead of leaving them suspended for good.
TEST(SerialGateTest, AHandOffThatIsNeverDeliveredAbandonsTheWaiters)
{
    SerialGate gate;
    std::optional<SerialGate::Turn> held;
    QStringList log;
    auto take = [&]() -> QCoro::Task<> {
        auto entry = gate.enter();
        held.emplace(co_await entry);
    };
    auto waiter = [&](QString name) -> QCoro::Task<> {
        try {
            auto entry = gate.enter();
            const auto turn = co_await entry;
            log << name;
        } catch (const WaitAbandoned&) {
            log << name + QStringLiteral(" abandoned");
        }
    };
    auto first = take();
    auto b = waiter(QStringLiteral("b"));
    auto c = waiter(QStringLiteral("c"));
    held.reset();
    QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
    EXPECT_EQ(log, (QStringList{QStringLiteral("b abandoned"), QStringLiteral("c abandoned")}));
    EXPECT_TRUE(b.isReady() && c.isReady());
}
