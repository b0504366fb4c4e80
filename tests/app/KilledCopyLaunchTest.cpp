#include "core/OwnedTempDir.h"
#include "support/BindMount.h"
#include "support/FullTmpfs.h"
#include "support/LaunchedApp.h"
#include "support/OwnPidNamespace.h"
#include "support/TaskRunner.h"

#include <QLocalSocket>
#include <QLockFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <optional>

namespace {

// The private settings copies in `folders` whose owner file names `pid`
// (`mine`) or another.
int settingsCopies(const QStringList& folders, qint64 pid, bool mine)
{
    int count = 0;
    for (const QString& folder : folders) {
        for (const QString& copy : QDir(folder).entryList({QStringLiteral("kestrova-settings-*")}, QDir::Dirs)) {
            QFile owner(folder + QLatin1Char('/') + copy + QLatin1Char('/') + QLatin1String(OwnedTempDir::kOwnerFile));
            count += int((owner.open(QIODevice::ReadOnly) && owner.readLine().trimmed().toLongLong() == pid) == mine);
        }
    }
    return count;
}

// `pid` holds the launch lock beside `socket`, takes connections there and
// has its private settings copy in `folders` (if any are given).
bool isUp(qint64 pid, const QString& socket, const QStringList& folders)
{
    qint64 holder = 0;
    QString host;
    QString name;
    QLocalSocket probe;
    probe.connectToServer(socket);
    return QLockFile(socket + QStringLiteral(".lock")).getLockInfo(&holder, &host, &name) && holder == pid
           && probe.waitForConnected(1000) && (folders.isEmpty() || settingsCopies(folders, pid, true) == 1);
}

} // namespace

// Copies killed with SIGKILL leave their launch socket, its lock and their
// private settings copies in the runtime folder, which then goes read-only
// or full, or stays as it was. The next launch runs, hands a later launch
// over and ends cleanly on SIGTERM, and the killed runs' copies are gone.
TEST(KilledCopyLaunch, WhatAKilledCopyLeftNeitherStopsNorCluttersTheNextLaunch)
{
    if (!OwnPidNamespace::inside()) {
        OwnPidNamespace::runCurrentTestAndReport();
        return;
    }
    enum class Then { asLeft, readOnly, full };
    struct Case {
        const char* name;
        int kills;
        Then then;
        int leftOver; // copies of killed runs once the next launch runs
    };
    const Case cases[] = {
        {"read-only", 1, Then::readOnly, 1}, // nothing can go from there
        {"full", 1, Then::full, 0},
        {"three killed runs", 3, Then::asLeft, 0},
    };
    for (const Case& c : cases) {
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
            ASSERT_TRUE(waitUntil([&] { return isUp(killed.process.processId(), socket, {run}); }, std::chrono::seconds(60)));
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
        waitUntil([&] { return app.process.state() == QProcess::NotRunning || isUp(pid, served, {}); }, std::chrono::seconds(60));
        const bool up = isUp(pid, served, {});
        EXPECT_TRUE(up) << app.terminate().output.toStdString();
        if (!up)
            continue;
        LaunchedApp second(root.path());
        ASSERT_TRUE(launch(second));
        EXPECT_TRUE(second.process.waitForFinished(60'000));
        EXPECT_EQ(second.process.exitCode(), 0) << second.process.readAll().toStdString();
        EXPECT_EQ(settingsCopies({run, temp}, app.process.processId(), false), c.leftOver);
        const LaunchedApp::Ending ending = app.terminate(std::chrono::seconds(30));
        EXPECT_TRUE(ending.finished && ending.status == QProcess::NormalExit && ending.exitCode == 0)
            << ending.output.toStdString();
    }
}
