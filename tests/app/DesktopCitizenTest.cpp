#include "ShellFixture.h"

#include "platform/SingleInstance.h"
#include "support/LaunchedApp.h"
#include "support/PrivateBus.h"
#include "support/TaskRunner.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The built executable launched a second time, against a first copy that
// runs in this test with its dashboard, over a private bus or (with no bus)
// over the socket in the runtime folder.
TEST(SecondLaunch, OpensTheRunningCopysDashboardAndLeavesWithZero)
{
    PrivateBus bus;
    if (!bus.running())
        GTEST_SKIP() << "no dbus-daemon";
    QTemporaryDir runtime;
    QDir().mkpath(runtime.path() + QStringLiteral("/run"));
    const QString runtimeFolder = runtime.path() + QStringLiteral("/run");

    struct Case {
        const char* name;
        bool withBus;
    };
    for (const Case c : {Case{"bus", true}, Case{"socket", false}}) {
        SCOPED_TRACE(c.name);
        ShellFixture shell;
        AppDelegate delegate(shell.deps());
        delegate.applicationDidFinishLaunching();
        const QWidget* firstWindow = delegate.dashboardWindow();

        const QDBusConnection connection =
            c.withBus ? bus.connect(QStringLiteral("running-%1").arg(c.name)) : QDBusConnection(QStringLiteral("none"));
        SingleInstance running(connection, runtimeFolder + QLatin1Char('/') + QString::fromLatin1(SingleInstance::kSocketName));
        ASSERT_EQ(runTask(running.claim()), SingleInstance::Role::first);
        QObject::connect(&running, &SingleInstance::activationRequested, &delegate, [&] { delegate.showSettings(); });

        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                           c.withBus ? bus.address() : QStringLiteral("unix:path=") + runtime.path() + QStringLiteral("/none"));
        second.setProcessEnvironment(environment);
        second.start(QStringLiteral(KESTROVA_EXECUTABLE), {});
        ASSERT_TRUE(second.waitForStarted(5000));
        const bool finished = waitUntil([&] { return second.state() == QProcess::NotRunning; }, std::chrono::seconds(15));
        if (!finished) {
            second.kill();
            second.waitForFinished(2000);
        }
        ASSERT_TRUE(finished) << "the second copy kept running";
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_TRUE(waitUntil([&] { return delegate.dashboardWindow() && delegate.dashboardWindow() != firstWindow; }));
    }
}

// Installing into a prefix puts the command and the application it starts,
// a valid desktop entry that starts the command, and the icon in place.
TEST(Install, PutsTheExecutableTheDesktopEntryAndTheIconUnderThePrefix)
{
    QTemporaryDir prefix;
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral("cmake"),
                  {QStringLiteral("--install"), QStringLiteral(KESTROVA_BUILD_DIR), QStringLiteral("--prefix"), prefix.path()});
    ASSERT_TRUE(install.waitForFinished(60000));
    const QString log = QString::fromUtf8(install.readAll());
    ASSERT_EQ(install.exitCode(), 0) << log.toStdString();

    const QString entry = prefix.path() + QStringLiteral("/share/applications/kestrova.desktop");
    const QString icon = prefix.path() + QStringLiteral("/share/icons/hicolor/scalable/apps/kestrova.svg");
    const QString executable = prefix.path() + QStringLiteral("/bin/kestrova");
    const QString application = prefix.path() + QStringLiteral("/libexec/kestrova/kestrova");
    for (const QString& path : {entry, icon, executable, application}) {
        EXPECT_TRUE(log.contains(path)) << path.toStdString();
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    }

    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString& line : {QStringLiteral("Exec=") + executable, QStringLiteral("Icon=kestrova"),
                               QStringLiteral("Categories=System;Monitor;"), QStringLiteral("StartupNotify=false")})
        EXPECT_TRUE(text.split(QLatin1Char('\n')).contains(line)) << line.toStdString();

    // The installed command finds the installed application and becomes it.
    {
        QTemporaryDir scratch;
        LaunchedApp app(scratch.path());
        ASSERT_TRUE(app.start(executable));
        EXPECT_TRUE(app.saysItIsUp());
        // The same process, under the name a session's tools look for.
        const QString proc = QStringLiteral("/proc/%1/").arg(app.process.processId());
        EXPECT_EQ(QFileInfo(proc + QStringLiteral("exe")).symLinkTarget(), application);
        QFile comm(proc + QStringLiteral("comm"));
        EXPECT_TRUE(comm.open(QIODevice::ReadOnly));
        EXPECT_EQ(comm.readAll().trimmed(), QByteArrayLiteral("kestrova"));
        const LaunchedApp::Ending ending = app.terminate();
        EXPECT_EQ(ending.exitCode, 0) << ending.output.toStdString();
    }

    if (!QFile::exists(QStringLiteral("/usr/bin/desktop-file-validate")))
        GTEST_SKIP() << "desktop-file-validate is not installed (scripts/install-deps)";
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(QStringLiteral("/usr/bin/desktop-file-validate"), {entry});
    ASSERT_TRUE(validate.waitForFinished(10000));
    const QByteArray complaints = validate.readAll();
    EXPECT_EQ(validate.exitCode(), 0);
    EXPECT_TRUE(complaints.isEmpty()) << complaints.toStdString();
}
