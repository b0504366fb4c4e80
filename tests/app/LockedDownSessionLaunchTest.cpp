#include "platform/AbstractSocketNote.h"
#include "platform/SingleInstance.h"
#include "support/DeepSocketFolder.h"
#include "support/FullTmpfs.h"
#include "support/LaunchState.h"
#include "support/LaunchedApp.h"
#include "support/LockedFolder.h"
#include "support/OwnPidNamespace.h"
#include "support/UsersSettingsFile.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <optional>

// The idle host writes a setting on a full disk: killed right after, or ended by SIGTERM, the file is as it was.
TEST(LockedDownSessionLaunch, AFullDiskLeavesTheSettingsFileAsItWas)
{
#ifndef KESTROVA_IDLE_HOST
    GTEST_SKIP() << "built without the idle host (the benchmarks)";
#else
    if (!OwnPidNamespace::inside()) {
        OwnPidNamespace::runCurrentTestAndReport();
        return;
    }
    for (const bool fullRuntime : {false, true}) {
        SCOPED_TRACE(fullRuntime ? "full runtime folder, SIGTERM" : "full settings folder, SIGKILL");
        QTemporaryDir root;
        LaunchedApp app(root.path());
        const QString ini = app.configFolder() + QStringLiteral("/Kestrova/Kestrova.ini");
        const FullTmpfs disk(fullRuntime ? root.filePath(QStringLiteral("run")) : QFileInfo(ini).path());
        if (!disk.reason().isEmpty())
            GTEST_SKIP() << disk.reason().toStdString();
        ASSERT_TRUE(UsersSettingsFile::writeTo(ini) && disk.fill());
        ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_IDLE_HOST)));
        EXPECT_TRUE(app.ask("tour 2", QStringLiteral("ok tour 2"), std::chrono::seconds(30)).contains(QStringLiteral("ok tour 2")));
        if (!fullRuntime)
            app.process.kill(); // the SIGTERM that follows then comes too late to be handled
        const LaunchedApp::Ending ending = app.terminate();
        EXPECT_TRUE(!fullRuntime || ending.exitCode == 0) << ending.output.toStdString();
        EXPECT_EQ(UsersSettingsFile::read(ini), UsersSettingsFile::kBytes) << ending.output.toStdString();
        EXPECT_EQ(ending.output.count(QStringLiteral("changes are kept for this run only")), 1) << ending.output.toStdString();
    }
#endif
}

// With no runtime folder, or a read-only one, the launch socket goes in a folder of ours in the temp folder, and a
// second launch is handed over at once, also where that path is too long for a socket. One line says where later
// launches find the app (said only once something listens there), or that none can (the temp folder read-only too).
// The folder goes at quit.
TEST(LockedDownSessionLaunch, AReadOnlyRuntimeFolderOrADeepTempFolderStillStartsTheApp)
{
    const struct {
        const char* name;
        bool runtime, deepTemp, tempLocked;
    } cases[] = {{"no runtime folder", false, false, false},
                 {"no runtime folder, deep temp folder", false, true, false},
                 {"read-only runtime folder", true, false, false},
                 {"read-only runtime and temp folders", true, false, true},
                 {"read-only runtime folder, deep temp folder", true, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        LaunchedApp app(root.path());
        const QString tail = QStringLiteral("kestrova-%1/kestrova.socket").arg(::getuid());
        const QString temp = c.deepTemp ? deepSocketFolder(root.filePath(QStringLiteral("tmp")), tail) : root.filePath(QStringLiteral("tmp"));
        ASSERT_TRUE(QDir().mkpath(temp));
        const QString socket = temp + QLatin1Char('/') + tail;
        app.environment.insert(QStringLiteral("TMPDIR"), temp);
        if (!c.runtime)
            app.environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        std::optional<LockedFolder> runtime;
        std::optional<LockedFolder> lockedTemp;
        if ((c.runtime && !runtime.emplace(root.filePath(QStringLiteral("run"))).isLocked())
            || (c.tempLocked && !lockedTemp.emplace(temp).isLocked()))
            GTEST_SKIP() << "root ignores folder modes and the immutable flag cannot be set here";
        ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
        ASSERT_TRUE(app.saysItIsUp()) << app.terminate().output.toStdString();
        if (!c.tempLocked) {
            ASSERT_TRUE(LaunchState::isUp(app.process.processId(), socket));
            LaunchedApp second(root.path());
            second.environment = app.environment;
            QElapsedTimer handOver;
            handOver.start();
            ASSERT_TRUE(second.start(QStringLiteral(KESTROVA_EXECUTABLE)));
            EXPECT_TRUE(second.process.waitForFinished(60'000) && second.process.exitCode() == 0) << second.process.readAll().toStdString();
            // Not after the time a copy still starting is given, as when nothing listens.
            EXPECT_LT(handOver.elapsed(), SingleInstance::kStartingMs * 8 / 10);
        }
        QString output;
        EXPECT_TRUE(LaunchState::leavesWithZero(app, &output));
        const bool said = c.runtime || !AbstractSocketNote::pathFits(socket);
        EXPECT_EQ(output.count(QStringLiteral("launch socket")), said ? 1 : 0) << output.toStdString();
        EXPECT_EQ(output.count(c.tempLocked ? QStringLiteral("runs without the one-copy guard")
                                            : QStringLiteral("later launches find this copy through ") + socket),
                  said ? 1 : 0)
            << output.toStdString();
        EXPECT_FALSE(QFileInfo::exists(QFileInfo(socket).path())) << "the folder it made stays";
    }
}
