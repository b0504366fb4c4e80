#include "ShellFixture.h"

#include "platform/SingleInstance.h"
#include "platform/XdgAutostartLoginItem.h"
#include "support/LaunchedApp.h"
#include "support/PrivateBus.h"
#include "support/TaskRunner.h"

#include <QDirIterator>
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

// Installing into a prefix puts one program, a valid desktop entry that
// starts it, and the icon in place. The installed program runs as itself,
// so Launch at Login (which names the running executable) starts it too.
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
    for (const QString& path : {entry, icon, executable}) {
        EXPECT_TRUE(log.contains(path)) << path.toStdString();
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    }
    QStringList programs;
    for (QDirIterator it(prefix.path(), QDir::Files | QDir::Executable | QDir::System, QDirIterator::Subdirectories); it.hasNext();)
        programs.append(it.next());
    EXPECT_EQ(programs, QStringList{executable});

    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString& line : {QStringLiteral("Exec=") + executable, QStringLiteral("Icon=kestrova"),
                               QStringLiteral("Categories=System;Monitor;"), QStringLiteral("StartupNotify=false")})
        EXPECT_TRUE(text.split(QLatin1Char('\n')).contains(line)) << line.toStdString();

    {
        QTemporaryDir scratch;
        LaunchedApp app(scratch.path());
        ASSERT_TRUE(app.start(executable));
        EXPECT_TRUE(app.saysItIsUp());
        // Under the name a session's tools look for.
        const QString proc = QStringLiteral("/proc/%1/").arg(app.process.processId());
        QFile comm(proc + QStringLiteral("comm"));
        EXPECT_TRUE(comm.open(QIODevice::ReadOnly));
        EXPECT_EQ(comm.readAll().trimmed(), QByteArrayLiteral("kestrova"));
        // What the running app takes for its own executable, as Launch at
        // Login writes it into the autostart entry.
        const QString running = QFileInfo(proc + QStringLiteral("exe")).symLinkTarget();
        XdgAutostartLoginItem login(scratch.filePath(QStringLiteral("autostart")), running);
        ASSERT_FALSE(login.registerItem().has_value());
        QFile autostart(login.filePath());
        ASSERT_TRUE(autostart.open(QIODevice::ReadOnly));
        EXPECT_TRUE(QString::fromUtf8(autostart.readAll()).split(u'\n').contains(QStringLiteral("Exec=") + executable));
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
