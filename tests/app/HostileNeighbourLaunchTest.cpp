#include "support/ForeignUserSocket.h"
#include "support/LaunchedApp.h"

#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <memory>

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
