#include "platform/FreedesktopNotifier.h"

#include "support/PrivateBus.h"
#include "support/TaskRunner.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A notification server that records what it is asked to show.
class RecordingNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString appName;
        uint replacesId = 0;
        QString summary;
        QString body;
        int timeout = 0;
    };
    QList<Call> calls;
    uint nextId = 41;

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& /*icon*/, const QString& summary,
                const QString& body, const QStringList& /*actions*/, const QVariantMap& /*hints*/, int timeout)
    {
        calls.append({appName, replacesId, summary, body, timeout});
        return replacesId != 0 ? replacesId : ++nextId;
    }
};

TEST(FreedesktopNotifier, PostsAsynchronouslyAndReplacesItsEarlierNotification)
{
    PrivateBus bus;
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon is not available";
    QDBusConnection serverSide = bus.connect(QStringLiteral("notify-server"));
    RecordingNotificationServer server;
    ASSERT_TRUE(serverSide.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serverSide.registerService(QStringLiteral("org.freedesktop.Notifications")));

    FreedesktopNotifier notifier(bus.connect(QStringLiteral("notify-client")));
    notifier.post(QStringLiteral("HighCPU"), QStringLiteral("High CPU Usage Alert"), QStringLiteral("at 95%"));
    EXPECT_TRUE(server.calls.isEmpty()); // nothing waits for the server
    ASSERT_TRUE(waitUntil([&] { return server.calls.size() == 1; }));
    EXPECT_EQ(server.calls[0].appName, QStringLiteral("Kestrova"));
    EXPECT_EQ(server.calls[0].replacesId, 0u);
    EXPECT_EQ(server.calls[0].summary, QStringLiteral("High CPU Usage Alert"));
    EXPECT_EQ(server.calls[0].body, QStringLiteral("at 95%"));
    EXPECT_EQ(server.calls[0].timeout, -1);

    // Let the reply with the server's id come back before the next alert.
    QElapsedTimer settle;
    settle.start();
    waitUntil([&] { return settle.elapsed() > 100; });
    notifier.post(QStringLiteral("HighCPU"), QStringLiteral("High CPU Usage Alert"), QStringLiteral("at 97%"));
    notifier.post(QStringLiteral("Other"), QStringLiteral("t"), QStringLiteral("b"));
    ASSERT_TRUE(waitUntil([&] { return server.calls.size() == 3; }));
    EXPECT_EQ(server.calls[1].replacesId, 42u);
    EXPECT_EQ(server.calls[1].body, QStringLiteral("at 97%"));
    EXPECT_EQ(server.calls[2].replacesId, 0u); // another identifier is another notification
}

TEST(FreedesktopNotifier, NoNotificationServiceOrNoBusMeansNothingHappensAndNothingWaits)
{
    PrivateBus bus;
    if (bus.running()) {
        FreedesktopNotifier notifier(bus.connect(QStringLiteral("lonely-client")));
        QElapsedTimer clock;
        clock.start();
        notifier.post(QStringLiteral("HighCPU"), QStringLiteral("t"), QStringLiteral("b"));
        EXPECT_LT(clock.elapsed(), 200);
        // The error reply arrives and is dropped.
        waitUntil([&] { return clock.elapsed() > 200; });
    }

    FreedesktopNotifier unreachable(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                                  QStringLiteral("unreachable")));
    unreachable.post(QStringLiteral("HighCPU"), QStringLiteral("t"), QStringLiteral("b"));
    QDBusConnection::disconnectFromBus(QStringLiteral("unreachable"));

    // The tests' session has no bus: the default notifier must not try to
    // start one.
    if (!FreedesktopNotifier::sessionBusAdvertised()) {
        FreedesktopNotifier session;
        QElapsedTimer clock;
        clock.start();
        session.post(QStringLiteral("HighCPU"), QStringLiteral("t"), QStringLiteral("b"));
        EXPECT_LT(clock.elapsed(), 100);
    }
}

} // namespace

#include "FreedesktopNotifierTest.moc"
