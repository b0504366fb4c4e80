#include "core/NotificationCenter.h"

#include <gtest/gtest.h>

#include <memory>

TEST(NotificationCenterTest, DeliversSynchronouslyInOrderToObserversOfThatName)
{
    NotificationCenter center;
    QObject context;
    QStringList log;
    center.observe(QStringLiteral("OpenDashboard"), &context,
                   [&](const QVariantMap& info) { log << QStringLiteral("a:") + info.value(QStringLiteral("tab")).toString(); });
    center.observe(QStringLiteral("OpenPopover"), &context, [&](const QVariantMap&) { log << QStringLiteral("popover"); });
    center.observe(QStringLiteral("OpenDashboard"), &context, [&](const QVariantMap&) { log << QStringLiteral("b"); });

    center.post(QStringLiteral("OpenDashboard"), {{QStringLiteral("tab"), QStringLiteral("Settings")}});
    EXPECT_EQ(log, (QStringList{QStringLiteral("a:Settings"), QStringLiteral("b")}));
}

TEST(NotificationCenterTest, DestroyedObserverIsNeverCalledEvenMidDelivery)
{
    NotificationCenter center;
    auto first = std::make_unique<QObject>();
    auto second = std::make_unique<QObject>();
    int secondCalls = 0;
    // The first observer destroys the second one while the post is running.
    center.observe(QStringLiteral("ClosePopover"), first.get(), [&](const QVariantMap&) { second.reset(); });
    center.observe(QStringLiteral("ClosePopover"), second.get(), [&](const QVariantMap&) { ++secondCalls; });
    center.post(QStringLiteral("ClosePopover"));
    EXPECT_EQ(secondCalls, 0);

    first.reset();
    center.post(QStringLiteral("ClosePopover")); // must not touch the dead handlers
    SUCCEED();
}

TEST(NotificationCenterTest, RemoveObserverStopsDelivery)
{
    NotificationCenter center;
    QObject context;
    int calls = 0;
    center.observe(QStringLiteral("StartTour"), &context, [&](const QVariantMap&) { ++calls; });
    center.removeObserver(&context);
    center.post(QStringLiteral("StartTour"));
    EXPECT_EQ(calls, 0);
}
