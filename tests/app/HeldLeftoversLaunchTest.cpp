#include "fakes/FakeDockerCommand.h"
#include "support/LaunchedApp.h"
#include "support/ScratchHoldRecord.h"
#include "support/TaskRunner.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace {

QStringList records(const QString& folder)
{
    return QDir(folder).entryList({QLatin1String(HoldRecord::kFilePrefix) + QLatin1Char('*')}, QDir::Files | QDir::Hidden);
}

// A runtime folder (`run`), home and temp folder under one root, and the
// stand-in docker.
struct Scratch {
    Scratch()
    {
        for (const char* folder : {"run", "home", "tmp"})
            QDir().mkpath(root.filePath(QLatin1String(folder)));
    }
    QTemporaryDir root;
    const QString run = root.filePath(QStringLiteral("run"));
    FakeDockerCommand docker;
};

// Started with the folders of `scratch` and its docker first on PATH, and up.
void launch(LaunchedApp& app, const Scratch& scratch)
{
    const QTemporaryDir& root = scratch.root;
    const FakeDockerCommand& docker = scratch.docker;
    app.environment.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    app.environment.insert(QStringLiteral("TMPDIR"), root.filePath(QStringLiteral("tmp")));
    app.environment.insert(QStringLiteral("PATH"), docker.folder() + QLatin1Char(':') + qEnvironmentVariable("PATH"));
    ASSERT_TRUE(app.start(QStringLiteral(KESTROVA_EXECUTABLE)));
    ASSERT_TRUE(app.saysItIsUp()) << app.terminate().output.toStdString();
}

// What it printed, once it ended cleanly on SIGTERM.
QString end(LaunchedApp& app, std::chrono::seconds wait)
{
    const LaunchedApp::Ending ending = app.terminate(wait);
    EXPECT_TRUE(ending.finished && ending.status == QProcess::NormalExit && ending.exitCode == 0) << ending.output.toStdString();
    return ending.output;
}

} // namespace

// A run killed (SIGKILL) while it held a model server frozen and chroma paused
// left a record; it also recorded a process under another start time than the
// one stopped now. The next launch resumes the server, leaves the other stopped
// process and someone else's paused container alone, and says so in one line.
// The container its hung engine could not give back at quit stays recorded, with
// nothing but our own line said; the launch after that gives it back.
TEST(HeldLeftoversLaunch, WhatAKilledRunHeldIsGivenBackAndWhatAHungEngineKeptByTheLaunchAfter)
{
    Scratch scratch;
    const QString& run = scratch.run;
    FakeDockerCommand& docker = scratch.docker;
    docker.setContainer(QStringLiteral("c0ffee000001"), "chroma", "paused");
    docker.setContainer(QStringLiteral("c0ffee000002"), "qdrant", "paused");
    // Named apart from the model servers the watcher freezes: a test that
    // freezes those at the same time leaves these be.
    SleepChild server(QStringLiteral("model-server"));
    SleepChild stranger(QStringLiteral("model-server"));
    {
        HoldRecord record({run}, ScratchHoldRecord::goneRun());
        record.holdProcess(ScratchHoldRecord::identityOf(server.pid()));
        record.holdProcess({stranger.pid(), ScratchHoldRecord::identityOf(stranger.pid()).startTime + 1});
        record.holdContainer(QStringLiteral("c0ffee000001"));
    }
    for (const SleepChild* child : {&server, &stranger})
        ASSERT_EQ(::kill(child->pid(), SIGSTOP), 0);
    ASSERT_TRUE(waitUntil([&] { return server.state() == 'T' && stranger.state() == 'T'; }));

    docker.setHung(true);
    {
        LaunchedApp next(scratch.root.path());
        ASSERT_NO_FATAL_FAILURE(launch(next, scratch));
        const QString ofThisLaunch = QLatin1String(HoldRecord::kFilePrefix) + QString::number(next.process.processId()) + '-';
        EXPECT_TRUE(waitUntil([&] { return server.state() != 'T'; }, 60s)) << server.state();
        ASSERT_TRUE(waitUntil([&] { return !docker.calls().isEmpty(); }, 60s));
        const QString said = end(next, 60s);
        EXPECT_EQ(said.count(QStringLiteral("Given back")), 1) << said.toStdString();
        EXPECT_TRUE(said.contains(QStringLiteral("↩️ Given back what a run that ended without quitting held: resumed processes %1; "
                                                 "unpausing containers c0ffee000001\n")
                                      .arg(server.pid())))
            << said.toStdString();
        EXPECT_TRUE(said.contains(QStringLiteral("Battery shield could not unpause containers c0ffee000001; run: docker unpause c0ffee000001\n")))
            << said.toStdString();
        EXPECT_FALSE(said.contains(QStringLiteral("QProcess"))) << said.toStdString();
        EXPECT_TRUE(records(run).size() == 1 && records(run)[0].startsWith(ofThisLaunch)) << records(run).join(' ').toStdString();
    }
    docker.setHung(false);
    EXPECT_EQ(docker.states(), "paused paused");

    LaunchedApp after(scratch.root.path());
    ASSERT_NO_FATAL_FAILURE(launch(after, scratch));
    EXPECT_TRUE(waitUntil([&] { return docker.states() == "running paused"; }, 60s)) << docker.states().toStdString();
    EXPECT_TRUE(waitUntil([&] { return records(run).isEmpty(); }, 60s)) << records(run).join(' ').toStdString();
    const QString said = end(after, 30s);
    EXPECT_TRUE(said.contains(QStringLiteral("Given back what a run that ended without quitting held: unpausing containers c0ffee000001\n")))
        << said.toStdString();
    EXPECT_EQ(stranger.state(), 'T');
    ::kill(stranger.pid(), SIGCONT);
}

// A run killed while its pause of a container was still on its way to the
// engine: the next launch takes the container over, finds it not paused,
// and only then does that pause land. The container is still the launch's
// to give back: it runs again and no record is left.
TEST(HeldLeftoversLaunch, APauseOfAKilledRunThatLandsAfterTheTakeOverIsUndone)
{
    Scratch scratch;
    const QString& run = scratch.run;
    FakeDockerCommand& docker = scratch.docker;
    const QString id = QStringLiteral("c0ffee000003");
    docker.setContainer(id, "chroma");
    {
        HoldRecord record({run}, ScratchHoldRecord::goneRun());
        record.holdContainer(id);
    }
    // The killed run's client, still waiting on the engine.
    docker.landPauseAfterUnpause(id);
    QProcess onItsWay;
    onItsWay.start(docker.folder() + QStringLiteral("/docker"), {QStringLiteral("pause"), id});
    ASSERT_TRUE(waitUntil([&] { return docker.calls().contains(QStringLiteral("pause ") + id); }));

    LaunchedApp next(scratch.root.path());
    ASSERT_NO_FATAL_FAILURE(launch(next, scratch));
    // Seen ended by the event loop already, or waited for.
    EXPECT_TRUE(waitUntil([&] { return onItsWay.state() == QProcess::NotRunning || onItsWay.waitForFinished(50); }, 60s))
        << "the pause never landed";
    EXPECT_TRUE(waitUntil([&] { return docker.states() == "running" && records(run).isEmpty(); }, 60s))
        << docker.states().toStdString() << ' ' << records(run).join(' ').toStdString();
    end(next, 30s);
    EXPECT_EQ(docker.calls().count(QStringLiteral("unpause ") + id), 2) << docker.calls().join(' ').toStdString();
}
