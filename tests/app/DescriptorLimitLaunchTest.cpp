#include "platform/DescriptorBudget.h"
#include "support/LaunchedApp.h"
#include "support/TaskRunner.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Under a limit of 1,024 open files, with 700 `sleep` children of ours
// besides, the application (the idle host, which prints its process list on
// request) still lists a busy child of ours.
TEST(DescriptorLimitLaunch, ABusyChildIsListedUnderALowLimit)
{
#ifndef KESTROVA_IDLE_HOST
    GTEST_SKIP() << "built without the idle host (the benchmarks)";
#else
    if (!QFile::exists(QStringLiteral("/usr/bin/prlimit")) || !QFile::exists(QStringLiteral("/usr/bin/setsid"))
        || !QFile::exists(QStringLiteral("/usr/bin/perl")))
        GTEST_SKIP() << "needs prlimit and setsid (util-linux) and perl";
    DescriptorBudget::raiseSoftLimit(); // room here for 700 children
    std::vector<std::unique_ptr<QProcess>> children;
    for (int i = 0; i < 700; ++i) {
        auto sleeper = std::make_unique<QProcess>();
        sleeper->setStandardInputFile(QProcess::nullDevice());
        sleeper->setStandardOutputFile(QProcess::nullDevice());
        sleeper->setStandardErrorFile(QProcess::nullDevice());
        sleeper->start(QStringLiteral("/bin/sleep"), {QStringLiteral("120")});
        ASSERT_TRUE(sleeper->waitForStarted(5000)) << i;
        children.push_back(std::move(sleeper));
    }
    // Busy on eight threads in a session of its own, so that it ranks among
    // the busiest on a machine loaded at twice its cores, whether the
    // scheduler shares the cores by thread or by session.
    auto busy = std::make_unique<QProcess>();
    busy->setStandardInputFile(QProcess::nullDevice());
    busy->setStandardOutputFile(QProcess::nullDevice());
    busy->start(QStringLiteral("/usr/bin/setsid"),
                {QStringLiteral("/usr/bin/perl"), QStringLiteral("-Mthreads"), QStringLiteral("-e"),
                 QStringLiteral("threads->create(sub { 1 while 1 }) for 1 .. 7; 1 while 1")});
    ASSERT_TRUE(busy->waitForStarted(5000));
    const qint64 busyPid = busy->processId();
    children.push_back(std::move(busy));

    QTemporaryDir root;
    LaunchedApp app(root.path());
    ASSERT_TRUE(app.start(QStringLiteral("/usr/bin/prlimit"),
                          {QStringLiteral("--nofile=1024:1024"), QStringLiteral(KESTROVA_IDLE_HOST)}));
    QFile limits(QStringLiteral("/proc/%1/limits").arg(app.process.processId()));
    const QRegularExpression openFiles(QStringLiteral("Max open files +1024 +1024"));
    EXPECT_TRUE(waitUntil([&] {
        limits.close();
        return limits.open(QIODevice::ReadOnly) && openFiles.match(QString::fromLatin1(limits.readAll())).hasMatch();
    }));

    const QString row = QStringLiteral("process %1 ").arg(busyPid);
    QString listed;
    for (int ask = 0; ask < 15 && !listed.contains(row); ++ask) {
        listed = app.ask("processes", QStringLiteral("ok processes"), std::chrono::seconds(5));
        if (!listed.contains(row))
            waitUntil([] { return false; }, std::chrono::seconds(2));
    }
    EXPECT_TRUE(listed.contains(row)) << listed.toStdString();
    EXPECT_TRUE(app.keepsRunning(std::chrono::milliseconds(100)));
    const LaunchedApp::Ending ending = app.terminate();
    EXPECT_TRUE(ending.finished);
    for (auto& child : children)
        child->kill();
    for (auto& child : children)
        child->waitForFinished(2000);
#endif
}
