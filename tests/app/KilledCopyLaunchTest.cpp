#include "support/BindMount.h"
#include "support/FullTmpfs.h"
#include "support/LaunchState.h"
#include "support/LaunchedApp.h"
#include "support/LockedFolder.h"
#include "support/OwnPidNamespace.h"
#include "support/TaskRunner.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <optional>

using LaunchState::isUp;
using LaunchState::settingsCopies;

// Copies killed with SIGKILL leave their socket, lock and settings copies in a runtime folder that then goes read-only
// or full (or not): the next launch runs, hands a later one over, ends on SIGTERM, and the killed runs' copies go.
TEST(KilledCopyLaunch, WhatAKilledCopyLeftNeitherStopsNorCluttersTheNextLaunch)
{
    if (!OwnPidNamespace::inside()) {
        OwnPidNamespace::runCurrentTestAndReport();
        return;
    }
    enum class Then { asLeft, readOnly, full };
    // leftOver: the killed runs' settings copies that stay once the next launch runs.
    const struct {
        const char* name;
        int kills;
        Then then;
        int leftOver;
    } cases[] = {{"read-only", 1, Then::readOnly, 1}, {"full", 1, Then::full, 0}, {"three killed runs", 3, Then::asLeft, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        const QString run = root.filePath(QStringLiteral("run"));
        const QString temp = root.filePath(QStringLiteral("tmp"));
        ASSERT_TRUE(QDir().mkpath(run) && QDir().mkpath(temp));
        std::optional<FullTmpfs> disk;
        if (c.then == Then::full && !disk.emplace(run).reason().isEmpty())
            GTEST_SKIP() << disk->reason().toStdString();
        const auto launch = [&](LaunchedApp& app) {
            app.environment.insert(QStringLiteral("TMPDIR"), temp);
            return app.start(QStringLiteral(KESTROVA_EXECUTABLE));
        };
        const QString socket = run + QStringLiteral("/kestrova.socket");
        for (int i = 0; i < c.kills; ++i) {
            LaunchedApp killed(root.path());
            ASSERT_TRUE(launch(killed));
            const qint64 pid = killed.process.processId();
            ASSERT_TRUE(waitUntil([&] { return isUp(pid, socket) && settingsCopies({run}, pid, true) == 1; }, std::chrono::seconds(60)));
            killed.process.kill();
            ASSERT_TRUE(killed.process.waitForFinished(10'000));
        }
        std::optional<BindMount> readOnly;
        if (c.then == Then::readOnly && !readOnly.emplace(run, run, true).usable())
            GTEST_SKIP() << readOnly->reason().toStdString();
        ASSERT_TRUE(c.then != Then::full || disk->fill());

        LaunchedApp app(root.path());
        ASSERT_TRUE(launch(app));
        const QString served = c.then == Then::asLeft ? socket : temp + QStringLiteral("/kestrova-%1/kestrova.socket").arg(::getuid());
        const qint64 pid = app.process.processId();
        waitUntil([&] { return app.process.state() == QProcess::NotRunning || isUp(pid, served); }, std::chrono::seconds(60));
        ASSERT_TRUE(isUp(pid, served)) << app.terminate().output.toStdString();
        LaunchedApp second(root.path());
        ASSERT_TRUE(launch(second));
        EXPECT_TRUE(second.process.waitForFinished(60'000) && second.process.exitCode() == 0) << second.process.readAll().toStdString();
        EXPECT_EQ(settingsCopies({run, temp}, pid, false), c.leftOver);
        const LaunchedApp::Ending ending = app.terminate(std::chrono::seconds(30));
        EXPECT_TRUE(ending.finished && ending.status == QProcess::NormalExit && ending.exitCode == 0)
            << ending.output.toStdString();
    }
}

// With no runtime folder, or a read-only one, a run makes its private settings copy in the temp folder: killed, it
// leaves it there, and the next launch removes it.
TEST(KilledCopyLaunch, CopiesLeftInTheTempFolderGoToo)
{
    for (const bool readOnlyRuntime : {false, true}) {
        SCOPED_TRACE(readOnlyRuntime ? "read-only runtime folder" : "no runtime folder");
        QTemporaryDir root;
        const QString temp = root.filePath(QStringLiteral("tmp"));
        ASSERT_TRUE(QDir().mkpath(temp) && QDir().mkpath(root.filePath(QStringLiteral("run"))));
        std::optional<LockedFolder> runtime;
        if (readOnlyRuntime && !runtime.emplace(root.filePath(QStringLiteral("run"))).isLocked())
            GTEST_SKIP() << "root ignores folder modes and the immutable flag cannot be set here";
        const QString socket = temp + QStringLiteral("/kestrova-%1/kestrova.socket").arg(::getuid());
        const auto launch = [&](LaunchedApp& app) {
            app.environment.insert(QStringLiteral("TMPDIR"), temp);
            if (!readOnlyRuntime)
                app.environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
            return app.start(QStringLiteral(KESTROVA_EXECUTABLE)) && app.saysItIsUp() && isUp(app.process.processId(), socket);
        };
        LaunchedApp killed(root.path());
        ASSERT_TRUE(launch(killed)) << killed.terminate().output.toStdString();
        const qint64 killedPid = killed.process.processId();
        killed.process.kill();
        ASSERT_TRUE(killed.process.waitForFinished(10'000));
        ASSERT_EQ(settingsCopies({temp}, killedPid, true), 1);

        LaunchedApp next(root.path());
        ASSERT_TRUE(launch(next)) << next.terminate().output.toStdString();
        EXPECT_EQ(settingsCopies({temp}, next.process.processId(), false), 0);
        EXPECT_TRUE(LaunchState::leavesWithZero(next));
    }
}
