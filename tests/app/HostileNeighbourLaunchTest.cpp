#include "support/ForeignUserSocket.h"
#include "support/LaunchState.h"
#include "support/LaunchedApp.h"
#include "support/TaskRunner.h"

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

namespace {

bool giveToNobody(const QString& path)
{
    return ::lchown(QFile::encodeName(path).constData(), ForeignUserSocket::kNobody, ForeignUserSocket::kNobody) == 0;
}

} // namespace

// A lock or socket of another user in our runtime folder, left dead or answering like a running copy (also behind a
// lock of ours that someone holds), is never taken for our running copy: the folder is given up for the temp folder,
// one line says so, and a second launch is handed over to the first.
TEST(HostileNeighbourLaunch, AnotherUsersLockOrSocketInOurFolderIsGivenUp)
{
    if (!ForeignUserSocket::canPlant())
        GTEST_SKIP() << "planting another user's lock or socket needs root";
    enum class Plant { deadLock, deadSocket, listenerWithItsLock, listenerBehindOurLock };
    const struct {
        const char* name;
        Plant plant;
    } cases[] = {{"dead lock", Plant::deadLock},
                 {"dead socket", Plant::deadSocket},
                 {"live listener with its lock", Plant::listenerWithItsLock},
                 {"live listener behind a held lock of ours", Plant::listenerBehindOurLock}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root(ForeignUserSocket::reachableTemplate());
        ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0711), 0);
        LaunchedApp app(root.path());
        const QString temp = root.filePath(QStringLiteral("tmp"));
        const QString planting = root.filePath(QStringLiteral("planting"));
        ASSERT_TRUE(QDir().mkpath(temp) && QDir().mkpath(planting));
        ASSERT_EQ(::chmod(QFile::encodeName(planting).constData(), 0777), 0);
        const QString socket = root.filePath(QStringLiteral("run/kestrova.socket"));
        const QString lock = socket + QStringLiteral(".lock");

        std::optional<ForeignUserSocket> listener;
        std::optional<QLockFile> heldLock;
        if (c.plant != Plant::deadLock) {
            // Bound where the other user may write, then moved in as only root could.
            const QString bound = planting + QStringLiteral("/s");
            ASSERT_TRUE(listener.emplace(bound).listening());
            ASSERT_EQ(::rename(QFile::encodeName(bound).constData(), QFile::encodeName(socket).constData()), 0);
        }
        if (c.plant == Plant::deadSocket)
            listener.reset();
        if (c.plant == Plant::listenerWithItsLock || c.plant == Plant::listenerBehindOurLock) {
            ASSERT_TRUE(heldLock.emplace(lock).tryLock(0));
            ASSERT_TRUE(c.plant == Plant::listenerWithItsLock ? giveToNobody(lock)
                                                              : ::chown(QFile::encodeName(socket).constData(), ::geteuid(), ::getegid()) == 0);
        }
        if (c.plant == Plant::deadLock) {
            QFile file(lock);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("2147483646\nkestrova\n\n") > 0);
            file.close();
            ASSERT_TRUE(giveToNobody(lock));
        }

        app.environment.insert(QStringLiteral("TMPDIR"), temp);
        ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        const qint64 pid = app.process.processId();
        const QString fallback = temp + QStringLiteral("/kestrova-%1/kestrova.socket").arg(::getuid());
        waitUntil([&] { return app.process.state() == QProcess::NotRunning || LaunchState::isUp(pid, fallback); },
                  std::chrono::seconds(60));
        ASSERT_TRUE(LaunchState::isUp(pid, fallback)) << app.terminate().output.toStdString();
        LaunchedApp second(root.path());
        second.environment = app.environment;
        ASSERT_TRUE(second.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        EXPECT_TRUE(second.process.waitForFinished(60'000) && second.process.exitCode() == 0)
            << second.process.readAll().toStdString();
        const LaunchedApp::Ending ending = app.terminate(std::chrono::seconds(30));
        EXPECT_TRUE(ending.finished && ending.status == QProcess::NormalExit && ending.exitCode == 0)
            << ending.output.toStdString();
        EXPECT_EQ(ending.output.count(QStringLiteral("launch socket")), 1) << ending.output.toStdString();
        EXPECT_EQ(ending.output.count(QStringLiteral("(a lock or socket of another user is there): later launches find "
                                                     "this copy through ")
                                      + fallback),
                  1)
            << ending.output.toStdString();
    }
}
