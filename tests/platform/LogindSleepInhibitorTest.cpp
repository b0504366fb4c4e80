#include "platform/LogindSleepInhibitor.h"

#include "support/PrivateBus.h"
#include "support/TaskRunner.h"

#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// Stands in for logind the way logind works: the caller gets the write end
// of a pipe, and the inhibitor lasts until every copy of it is closed.
class PipeLogind : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    ~PipeLogind() override
    {
        for (const int fd : std::as_const(readEnds))
            ::close(fd);
    }
    // True once nobody holds the write end of that inhibitor any more.
    bool released(int index) const
    {
        pollfd poller{readEnds.at(index), POLLIN, 0};
        return ::poll(&poller, 1, 0) == 1 && (poller.revents & POLLHUP);
    }

    QStringList calls;
    QList<int> readEnds;
    bool refuse = false;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode)
    {
        calls << QStringList{what, who, why, mode}.join(QLatin1Char('|'));
        if (refuse) {
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not allowed"));
            return {};
        }
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return {};
        readEnds << fds[0];
        QDBusUnixFileDescriptor writeEnd(fds[1]); // keeps a copy of its own
        ::close(fds[1]);
        return writeEnd;
    }
};

TEST(LogindSleepInhibitorTest, HoldsTheAnsweredDescriptorUntilReleased)
{
    PrivateBus bus;
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon is not available";
    QDBusConnection serverSide = bus.connect(QStringLiteral("logind-server"));
    PipeLogind logind;
    ASSERT_TRUE(serverSide.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serverSide.registerService(QStringLiteral("org.freedesktop.login1")));

    LogindSleepInhibitor inhibitor(bus.connect(QStringLiteral("logind-client")));
    const auto first = runTask(inhibitor.acquire(QStringLiteral("Kestrova: Local Training Mode active")));
    const auto second = runTask(inhibitor.acquire(QStringLiteral("Kestrova: Compile Max active")));
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, 0u);
    EXPECT_NE(*second, *first);
    EXPECT_EQ(logind.calls.first(), QStringLiteral("idle|Kestrova|Kestrova: Local Training Mode active|block"));
    ASSERT_EQ(logind.readEnds.size(), 2);
    EXPECT_FALSE(logind.released(0));

    inhibitor.release(*first);
    EXPECT_TRUE(logind.released(0));
    EXPECT_FALSE(logind.released(1));
    inhibitor.release(*first); // already gone: nothing else is closed
    EXPECT_FALSE(logind.released(1));

    logind.refuse = true;
    EXPECT_EQ(runTask(inhibitor.acquire(QStringLiteral("refused"))), std::optional<quint32>(0u));
    EXPECT_EQ(inhibitor.heldCount(), 1);
}

TEST(LogindSleepInhibitorTest, HoldsAnIdleInhibitorUntilReleased)
{
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        GTEST_SKIP() << "no system bus here, the logind inhibitor is not exercised: "
                     << bus.lastError().message().toStdString();
    if (!bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.login1")))
        GTEST_SKIP() << "logind is not on the system bus, the inhibitor is not exercised";

    LogindSleepInhibitor inhibitor;
    const auto id = runTask(inhibitor.acquire(QStringLiteral("Kestrova test inhibitor")));
    ASSERT_TRUE(id.has_value());
    ASSERT_NE(*id, 0u);
    EXPECT_EQ(inhibitor.heldCount(), 1);
    inhibitor.release(*id);
    EXPECT_EQ(inhibitor.heldCount(), 0);
}

} // namespace

#include "LogindSleepInhibitorTest.moc"
