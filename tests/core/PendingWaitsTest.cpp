#include "core/PendingWaits.h"
#include "core/SignalWait.h"

#include <QCoroTask>

#include <gtest/gtest.h>

namespace {

// Counts the frames it lives in as they are freed.
struct FrameGuard {
    int* freed;
    ~FrameGuard() { ++*freed; }
};

struct Log {
    int freed = 0;
    QStringList after;
};

QCoro::Task<> sleeper(PendingWaits::Wait wait, Log& log, QString name)
{
    FrameGuard guard{&log.freed};
    co_await wait;
    log.after << name;
}

// A fire-and-forget caller one level up, the way views start their waits.
QCoro::Task<> caller(PendingWaits::Wait wait, Log& log, QString name)
{
    FrameGuard guard{&log.freed};
    co_await sleeper(wait, log, name);
    log.after << name + QStringLiteral(" caller");
}

} // namespace

TEST(PendingWaitsTest, FinishedWaitsRunOnAndAbandonedOnesUnwindFreeingEveryFrame)
{
    Log log;
    PendingWaits waits;
    const PendingWaits::Wait a = waits.open();
    const PendingWaits::Wait b = waits.open();
    caller(a, log, QStringLiteral("a"));
    caller(b, log, QStringLiteral("b"));
    EXPECT_EQ(waits.openCount(), 2);

    a.finish();
    EXPECT_EQ(log.after, QStringList({"a", "a caller"}));
    EXPECT_EQ(log.freed, 2);
    a.abandon();
    EXPECT_EQ(log.freed, 2) << "an ended wait stays ended";

    waits.abandonAll();
    EXPECT_EQ(log.after, QStringList({"a", "a caller"})) << "nothing after an abandoned wait runs";
    EXPECT_EQ(log.freed, 4);
    EXPECT_EQ(waits.openCount(), 0);

    // A wait ended before it is awaited does not suspend.
    const PendingWaits::Wait early = waits.open();
    early.finish();
    caller(early, log, QStringLiteral("early"));
    EXPECT_EQ(log.after.last(), "early caller");
}

TEST(PendingWaitsTest, GoingAwayAbandonsWhatIsStillOpen)
{
    Log log;
    {
        PendingWaits waits;
        caller(waits.open(), log, QStringLiteral("late"));
        EXPECT_EQ(log.freed, 0);
    }
    EXPECT_EQ(log.freed, 2);
    EXPECT_TRUE(log.after.isEmpty());
}

TEST(PendingWaitsTest, ASignalWaitEndsWithTheSignalAndIsAbandonedWhenTheSenderGoes)
{
    Log log;
    auto waiter = [&log](QObject* sender, QString name) -> QCoro::Task<> {
        FrameGuard guard{&log.freed};
        co_await waitForSignal(sender, &QObject::objectNameChanged);
        log.after << name;
    };
    auto* signalled = new QObject;
    auto* destroyed = new QObject;
    waiter(signalled, QStringLiteral("signalled"));
    waiter(destroyed, QStringLiteral("destroyed"));

    signalled->setObjectName(QStringLiteral("x"));
    EXPECT_EQ(log.after, QStringList({"signalled"}));
    delete destroyed;
    EXPECT_EQ(log.after, QStringList({"signalled"}));
    EXPECT_EQ(log.freed, 2);
    delete signalled;
}
