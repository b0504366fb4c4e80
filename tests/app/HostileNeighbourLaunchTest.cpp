#include "support/ForeignUserSocket.h"
#include "support/LaunchState.h"
#include "support/LaunchedApp.h"

#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <memory>
#include <optional>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

// Without a runtime folder or a session bus, another user's sockets that
// answer like a running copy, planted where the temp folder would hold ours
// (beside it, and in a per-user folder of that user's), do not stop the
// launch: it starts and runs.
TEST(HostileNeighbourLaunch, AnotherUsersSocketDoesNotStopTheStart)
{
    if (!ForeignUserSocket::canPlant())
        GTEST_SKIP() << "planting another user's socket needs root";
    QTemporaryDir root(ForeignUserSocket::reachableTemplate());
    LaunchedApp app(root.path());
    const QString temp = root.filePath(QStringLiteral("tmp"));
    ASSERT_TRUE(QDir().mkpath(temp));
    ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0711), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(temp).constData(), 01777), 0);
    const QString perUser = temp + QStringLiteral("/kestrova-%1").arg(::getuid());
    ASSERT_TRUE(QDir().mkpath(perUser));
    ASSERT_EQ(::chown(QFile::encodeName(perUser).constData(), ForeignUserSocket::kNobody, ForeignUserSocket::kNobody), 0);

    QList<std::shared_ptr<ForeignUserSocket>> planted;
    QList<std::shared_ptr<QLockFile>> locks;
    for (const QString& socket : {perUser + QStringLiteral(".socket"), perUser + QStringLiteral("/kestrova.socket")}) {
        planted.append(std::make_shared<ForeignUserSocket>(socket));
        ASSERT_TRUE(planted.last()->listening()) << socket.toStdString();
        // A live holder of the lock, so only what answers can decide.
        locks.append(std::make_shared<QLockFile>(socket + QStringLiteral(".lock")));
        ASSERT_TRUE(locks.last()->tryLock(0));
    }

    app.environment.insert(QStringLiteral("TMPDIR"), temp);
    app.environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
    EXPECT_TRUE(app.saysItIsUp()) << "it left as if another copy ran";
    const LaunchedApp::Ending ending = app.terminate();
    EXPECT_TRUE(ending.finished);
    EXPECT_EQ(ending.exitCode, 0) << ending.output.toStdString();
}

// A lock or socket of another user in our runtime folder, left dead or answering like a running copy (also behind a
// lock of ours that someone holds), is never taken for our running copy: the folder is given up for the temp folder,
// one line says so, and a second launch is handed over to the first.
TEST(HostileNeighbourLaunch, AnotherUsersLockOrSocketInOurFolderIsGivenUp)
{
    if (!ForeignUserSocket::canPlant())
        GTEST_SKIP() << "planting another user's lock or socket needs root";
    enum class Lock { none, deadTheirs, heldTheirs, heldOurs };
    const struct {
        const char* name;
        bool socket, listening;
        Lock lock;
    } cases[] = {{"dead lock", false, false, Lock::deadTheirs},
                 {"dead socket", true, false, Lock::none},
                 {"live listener with its lock", true, true, Lock::heldTheirs},
                 {"live listener behind a held lock of ours", true, true, Lock::heldOurs}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root(ForeignUserSocket::reachableTemplate());
        ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0711), 0);
        LaunchedApp app(root.path());
        const QString temp = root.filePath(QStringLiteral("tmp"));
        const QString planting = root.filePath(QStringLiteral("planting"));
        ASSERT_TRUE(QDir().mkpath(temp) && QDir().mkpath(planting));
        ASSERT_EQ(::chmod(QFile::encodeName(planting).constData(), 0777), 0);
        const QByteArray socket = QFile::encodeName(root.filePath(QStringLiteral("run/kestrova.socket")));
        const QByteArray lock = socket + ".lock";

        std::optional<ForeignUserSocket> listener;
        if (c.socket) {
            // Bound where the other user may write, then moved in as only root could.
            ASSERT_TRUE(listener.emplace(planting + QStringLiteral("/s")).listening());
            ASSERT_EQ(::rename(QFile::encodeName(planting + QStringLiteral("/s")).constData(), socket.constData()), 0);
            if (!c.listening)
                listener.reset();
        }
        std::optional<QLockFile> held;
        if (c.lock == Lock::deadTheirs) {
            QFile file(QFile::decodeName(lock));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("2147483646\nkestrova\n\n") > 0);
        } else if (c.lock != Lock::none) {
            ASSERT_TRUE(held.emplace(QFile::decodeName(lock)).tryLock(0));
        }
        ASSERT_TRUE(c.lock == Lock::none
                    || (c.lock == Lock::heldOurs ? ::chown(socket.constData(), ::geteuid(), ::getegid())
                                                 : ::lchown(lock.constData(), ForeignUserSocket::kNobody, ForeignUserSocket::kNobody))
                           == 0);

        app.environment.insert(QStringLiteral("TMPDIR"), temp);
        ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        const QString fallback = temp + QStringLiteral("/kestrova-%1/kestrova.socket").arg(::getuid());
        ASSERT_TRUE(app.saysItIsUp() && LaunchState::isUp(app.process.processId(), fallback)) << app.terminate().output.toStdString();
        LaunchedApp second(root.path());
        second.environment = app.environment;
        ASSERT_TRUE(second.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        EXPECT_TRUE(second.process.waitForFinished(60'000) && second.process.exitCode() == 0) << second.process.readAll().toStdString();
        QString output;
        EXPECT_TRUE(LaunchState::leavesWithZero(app, &output));
        EXPECT_EQ(output.count(QStringLiteral("launch socket")), 1) << output.toStdString();
        EXPECT_EQ(output.count(QStringLiteral("(a lock or socket of another user is there): later launches find this copy through ") + fallback), 1)
            << output.toStdString();
    }
}
