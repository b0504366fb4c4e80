#include "platform/SingleInstance.h"
#include "platform/AbstractSocketNote.h"
#include "platform/SessionProcessGuard.h"
#include "platform/StaleLock.h"
#include "platform/TrayOwnerTracker.h"
#include "support/DeepSocketFolder.h"
#include "support/ForeignUserSocket.h"
#include "support/ListenAsACopy.h"
#include "support/PrivateBus.h"
#include "support/SleepChild.h"
#include "support/TaskRunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

using Role = SingleInstance::Role;

QDBusConnection noBus() { return QDBusConnection(QStringLiteral("kestrova-no-bus")); }

} // namespace

// A second copy finds the first over the bus or, without one, over the
// socket; the first is asked to show itself and answers at once.
TEST(SingleInstance, ASecondCopyHandsOverToTheFirst)
{
    PrivateBus bus;
    if (!bus.running())
        GTEST_SKIP() << "no dbus-daemon";
    QTemporaryDir runtime;
    const QString socket = runtime.path() + QStringLiteral("/kestrova.socket");
    struct Case {
        const char* name;
        QDBusConnection firstBus;
        QDBusConnection secondBus;
    };
    const Case cases[] = {
        {"bus", bus.connect(QStringLiteral("first")), bus.connect(QStringLiteral("second"))},
        {"socket", noBus(), noBus()},
        {"socket for a copy without the bus", bus.connect(QStringLiteral("first-b")), noBus()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto first = std::make_unique<SingleInstance>(c.firstBus, socket);
        ASSERT_EQ(runTask(first->claim()), Role::first);
        QSignalSpy asked(first.get(), &SingleInstance::activationRequested);

        SingleInstance second(c.secondBus, socket);
        QElapsedTimer answer;
        answer.start();
        EXPECT_EQ(runTask(second.claim()), Role::handedOver);
        EXPECT_LT(answer.elapsed(), 200);
        EXPECT_TRUE(waitUntil([&] { return asked.count() == 1; }));

        // Once the first is gone, the next launch is the first again.
        first.reset();
        SingleInstance third(c.secondBus, socket);
        EXPECT_EQ(runTask(third.claim()), Role::first);
    }
}

// A holder of the lock that took it long ago and never answers is not taken
// for a hand-over. A copy of ours that took it a moment ago and listens only
// later, as a copy still starting does, is waited for and handed over to.
// One that took it long ago and lets go of it a little later, as a copy
// quitting does, is waited for and followed: whether its socket went first,
// still takes connections that nobody answers, or (its path too long) is
// named in a note that another user's abstract socket now answers to.
TEST(SingleInstance, AHolderThatDoesNotAnswerIsWaitedForWhileItMayBeStartingOrQuitting)
{
    enum class Holder { hung, starting, quittingSocketGone, quittingUnanswered, quittingNameTaken };
    const struct {
        const char* name;
        Holder holder;
        Role role;
    } cases[] = {
        {"took the lock long ago", Holder::hung, Role::otherNotAnswering},
        {"still starting", Holder::starting, Role::handedOver},
        {"quitting, its socket gone", Holder::quittingSocketGone, Role::first},
        {"quitting, its socket unanswered", Holder::quittingUnanswered, Role::first},
        {"quitting, its abstract name taken by another user", Holder::quittingNameTaken, Role::first},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.holder == Holder::quittingNameTaken && !ForeignUserSocket::canPlant())
            continue; // planting another user's socket needs root
        QTemporaryDir runtime;
        const QString folder = c.holder == Holder::quittingNameTaken ? deepSocketFolder(runtime.path(), QStringLiteral("kestrova.socket"))
                                                                      : runtime.path();
        const QString socket = folder + QStringLiteral("/kestrova.socket");
        // This process runs this program: a copy of ours.
        auto lock = std::make_unique<QLockFile>(socket + QStringLiteral(".lock"));
        ASSERT_TRUE(lock->tryLock(0));
        const timeval longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_TRUE(c.holder == Holder::starting || ::utimes(QFile::encodeName(socket + QStringLiteral(".lock")).constData(), longAgo) == 0);
        QLocalServer server;
        QObject::connect(&server, &QLocalServer::newConnection, [&server, &c] {
            QLocalSocket* client = server.nextPendingConnection();
            QObject::connect(client, &QLocalSocket::readyRead, client, [client, &c] {
                if (client->readAll().endsWith('\n') && c.holder == Holder::starting)
                    client->write("ok\n");
            });
        });
        std::optional<ForeignUserSocket> taken;
        if (c.holder == Holder::quittingNameTaken) {
            const QString name = AbstractSocketNote::freshName();
            QString failure;
            ASSERT_TRUE(AbstractSocketNote::write(socket, name, &failure)) << failure.toStdString();
            ASSERT_TRUE(taken.emplace(QLatin1Char('@') + name).listening());
        }
        ASSERT_TRUE(c.holder != Holder::quittingUnanswered || listenAsACopy(server, socket));
        // Past the time an answer is waited for.
        QTimer::singleShot(SingleInstance::kAnswerTimeoutMs + 500, &server, [&] {
            if (c.holder == Holder::starting) {
                listenAsACopy(server, socket);
            } else if (c.holder != Holder::hung) {
                server.close();
                lock.reset();
            }
        });
        SingleInstance later(noBus(), socket);
        EXPECT_EQ(runTask(later.claim(), std::chrono::milliseconds(4 * (SingleInstance::kStartingMs + SingleInstance::kQuittingMs))), c.role);
    }
}

// A lock's holder is gone unless the kernel still holds the lock for it or
// its pid runs this program and started before the lock was written. It is
// still starting while it holds the lock, a running copy (or nobody yet)
// named in it, and wrote it moments ago.
TEST(SingleInstance, ALockIsStaleOnceItsHolderIsGone)
{
    SleepChild other;
    SleepChild ending;
    const qint64 ended = ending.pid();
    ending.end();
    // writtenLongAgo: before this process started, so its pid was reused.
    const struct {
        const char* name;
        qint64 pid; // 0: nothing written in it yet
        bool held, writtenLongAgo, gone, starting;
    } cases[] = {
        {"held though its pid ended", ended, true, false, false, false},
        {"a running copy without the flock", ::getpid(), false, false, false, false},
        {"pid reused by a copy", ::getpid(), false, true, true, false},
        {"pid reused by another program", other.pid(), false, false, true, false},
        {"pid ended", ended, false, false, true, false},
        {"held by a running copy, just written", ::getpid(), true, false, false, true},
        {"held by a running copy, written long ago", ::getpid(), true, true, false, false},
        {"held by another program, just written", other.pid(), true, false, false, false},
        {"held, nothing written yet", 0, true, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir runtime;
        const QString path = runtime.filePath(QStringLiteral("kestrova.socket.lock"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)
                    && file.write(c.pid ? QByteArray::number(c.pid) + "\nkestrova\nhost\n" : QByteArray()) >= 0);
        file.flush();
        ASSERT_TRUE(!c.held || ::flock(file.handle(), LOCK_EX | LOCK_NB) == 0);
        const timeval longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_TRUE(!c.writtenLongAgo || ::utimes(QFile::encodeName(path).constData(), longAgo) == 0);
        EXPECT_EQ(StaleLock::holderIsGone(path), c.gone);
        EXPECT_EQ(StaleLock::holderIsStarting(path, SingleInstance::kStartingMs), c.starting);
    }
}

// A socket of another user that answers like a running copy, in a folder
// of ours or in one of that user's: this launch carries on as the first.
TEST(SingleInstance, AnotherUsersSocketIsNotTakenForARunningCopy)
{
    if (!ForeignUserSocket::canPlant())
        GTEST_SKIP() << "planting another user's socket needs root";
    for (const bool folderOfOurs : {true, false}) {
        SCOPED_TRACE(folderOfOurs);
        QTemporaryDir scratch(ForeignUserSocket::reachableTemplate());
        const QByteArray folder = QFile::encodeName(scratch.filePath(QStringLiteral("run")));
        ASSERT_EQ(::chmod(QFile::encodeName(scratch.path()).constData(), 0711), 0);
        ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
        // The other user binds there (only root could do so in a folder of ours).
        ASSERT_EQ(::chmod(folder.constData(), 0777), 0);
        const QString socket = QFile::decodeName(folder) + QStringLiteral("/kestrova.socket");
        ForeignUserSocket planted(socket);
        ASSERT_TRUE(planted.listening());
        ASSERT_EQ(::chmod(folder.constData(), 0700), 0);
        if (!folderOfOurs) {
            ASSERT_EQ(::chown(folder.constData(), ForeignUserSocket::kNobody, ForeignUserSocket::kNobody), 0);
        }
        // The lock is held, so only what answers on the socket can decide.
        QLockFile lock(socket + QStringLiteral(".lock"));
        ASSERT_TRUE(lock.tryLock(0));

        SingleInstance launch(noBus(), socket);
        EXPECT_EQ(runTask(launch.claim()), Role::first);
    }
}

TEST(TrayOwnerTracker, TheWatchersBusNameOwnerHostsTheTray)
{
    PrivateBus bus;
    if (!bus.running())
        GTEST_SKIP() << "no dbus-daemon";
    SessionProcessGuard guard(QStringLiteral("/nonexistent"));
    QDBusConnection host = bus.connect(QStringLiteral("tray-host"));
    TrayOwnerTracker tracker(guard, bus.connect(QStringLiteral("tracker")));
    tracker.start();
    EXPECT_TRUE(runTask(tracker.refresh()));
    EXPECT_TRUE(guard.trayOwners().isEmpty());

    // The host is a connection of this very process.
    ASSERT_TRUE(host.registerService(QString::fromLatin1(TrayOwnerTracker::kWatcherName)));
    EXPECT_TRUE(waitUntil([&] { return guard.trayOwners() == QSet<qint32>{qint32(::getpid())}; }));
    ASSERT_TRUE(host.unregisterService(QString::fromLatin1(TrayOwnerTracker::kWatcherName)));
    EXPECT_TRUE(waitUntil([&] { return guard.trayOwners().isEmpty(); }));
}
