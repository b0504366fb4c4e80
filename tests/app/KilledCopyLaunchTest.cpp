#include "core/OwnedTempDir.h"
#include "support/BindMount.h"
#include "support/FullTmpfs.h"
#include "support/LaunchedApp.h"
#include "support/OwnPidNamespace.h"
#include "support/TaskRunner.h"

#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <optional>

namespace {

// The pid on the first line of a lock or owner file.
qint64 pidIn(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed().toLongLong() : 0;
}

// The private settings copies in `folders` that `pid` owns (`owned`) or not.
int settingsCopies(const QStringList& folders, qint64 pid, bool owned)
{
    int count = 0;
    for (const QString& folder : folders)
        for (const QString& copy : QDir(folder).entryList({QStringLiteral("kestrova-settings-*")}, QDir::Dirs))
            count += int((pidIn(folder + QLatin1Char('/') + copy + QLatin1Char('/') + QLatin1String(OwnedTempDir::kOwnerFile)) == pid) == owned);
    return count;
}

// `pid` holds the launch lock beside `socket` and takes connections there.
bool isUp(qint64 pid, const QString& socket)
{
    QLocalSocket probe;
    probe.connectToServer(socket);
    return pidIn(socket + QStringLiteral(".lock")) == pid && probe.waitForConnected(1000);
}

} // namespace

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
