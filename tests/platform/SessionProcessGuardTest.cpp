#include "platform/SessionProcessGuard.h"
#include "support/ProcTreeBuilder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {
const QString desktopTree = QStringLiteral(KESTROVA_TEST_DATA "/process/desktop");
}

TEST(SessionProcessGuard, KnowsTheSessionsOwnProcessesByNameOrPath)
{
    EXPECT_TRUE(SessionProcessGuard::isSessionCritical(QStringLiteral("gnome-shell"), QString()));
    EXPECT_TRUE(SessionProcessGuard::isSessionCritical(QStringLiteral("systemd"), QStringLiteral("/lib/systemd/systemd")));
    // The kernel's name is cut at 15 bytes; the path still names the program.
    EXPECT_TRUE(SessionProcessGuard::isSessionCritical(QStringLiteral("pipewire-media-"), QString()));
    EXPECT_TRUE(SessionProcessGuard::isSessionCritical(QString(), QStringLiteral("/usr/bin/Xwayland")));
    // Close relatives are not the session itself.
    EXPECT_FALSE(SessionProcessGuard::isSessionCritical(QStringLiteral("systemd-journal"), QString()));
    EXPECT_FALSE(SessionProcessGuard::isSessionCritical(QStringLiteral("code"), QStringLiteral("/opt/code/code")));
    EXPECT_FALSE(SessionProcessGuard::isSessionCritical(QString(), QString()));
}

TEST(SessionProcessGuard, JudgesAPidFromItsProcTreeEntry)
{
    const SessionProcessGuard guard(desktopTree);
    for (const qint32 pid : {812, 1500, 1720, 1721, 1750, 1760})
        EXPECT_TRUE(guard.isSessionCritical(pid)) << pid;
    for (const qint32 pid : {2001, 2100, 2400, 2500, 9999})
        EXPECT_FALSE(guard.isSessionCritical(pid)) << pid;
}

TEST(SessionProcessGuard, MayFreezeNeitherForbiddenPidsNorSessionProcesses)
{
    const SessionProcessGuard guard(desktopTree);
    EXPECT_FALSE(guard.mayFreeze(0));
    EXPECT_FALSE(guard.mayFreeze(1));
    EXPECT_FALSE(guard.mayFreeze(-5));
    EXPECT_FALSE(guard.mayFreeze(qint32(::getpid())));
    EXPECT_FALSE(guard.mayFreeze(1500));
    EXPECT_TRUE(guard.mayFreeze(2001));
}

TEST(SessionProcessGuard, FindsTheDisplaySocketsTheEnvironmentNames)
{
    struct Case {
        const char* display;
        const char* wayland;
        const char* runtime;
        QStringList expected;
    };
    const Case cases[] = {
        {":0", "", "/run/user/1000", {"/tmp/.X11-unix/X0"}},
        {":1.0", "wayland-1", "/run/user/1000", {"/tmp/.X11-unix/X1", "/run/user/1000/wayland-1"}},
        {"unix:2", "/tmp/w/wl", "", {"/tmp/.X11-unix/X2", "/tmp/w/wl"}},
        {"remote:0", "wayland-0", "", {}}, // a remote display; a relative name without a runtime folder
        {"", "", "/run/user/1000", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SessionProcessGuard::displaySocketPaths(QString::fromLatin1(c.display),
                                                          QString::fromLatin1(c.wayland),
                                                          QString::fromLatin1(c.runtime)),
                  c.expected)
            << c.display << " " << c.wayland;
}

// The display server under any name, the tray's host, virtual X servers and
// kernel threads are all refused; an ordinary process next to them is not.
TEST(SessionProcessGuard, RefusesDisplayOwnerTrayHostVirtualServersAndKernelThreads)
{
    ProcTreeBuilder tree;
    const auto add = [&](qint32 pid, QByteArray name, QByteArray exe, QList<QByteArray> arguments) {
        ProcTreeBuilder::Process p;
        p.pid = pid;
        p.name = std::move(name);
        p.exe = std::move(exe);
        p.arguments = std::move(arguments);
        tree.write(p);
    };
    add(3000, "my-compositor", "/opt/wm/my-compositor", {"/opt/wm/my-compositor"}); // holds the Wayland socket
    add(3001, "xserver-custom", "/opt/x/xserver-custom", {"/opt/x/xserver-custom"}); // holds X0 (abstract)
    add(3002, "client", "/usr/bin/client", {"/usr/bin/client"}); // a client of both
    add(3003, "Xvfb", "/usr/bin/Xvfb", {"Xvfb", ":99"});
    add(3004, "Xephyr", "/usr/bin/Xephyr", {"Xephyr", ":2"});
    add(3005, "kworker/1:0", {}, {});                        // a kernel thread
    add(3006, "panel", "/usr/bin/panel", {"/usr/bin/panel"}); // the tray's host
    add(3007, "make", "/usr/bin/make", {"make", "-j8"});

    const auto socketLink = [&](qint32 pid, int fd, quint64 inode) {
        const QString folder = tree.root() + QStringLiteral("/%1/fd").arg(pid);
        QDir().mkpath(folder);
        const QByteArray target = "socket:[" + QByteArray::number(inode) + "]";
        ASSERT_EQ(::symlink(target.constData(), QFile::encodeName(folder + QStringLiteral("/%1").arg(fd)).constData()), 0);
    };
    socketLink(3000, 7, 5001);
    socketLink(3001, 3, 5002);
    socketLink(3002, 4, 5003); // the client's end has no path
    socketLink(3002, 5, 5004); // a listening socket of the client's own
    socketLink(3007, 3, 5005); // an accepted connection on the Wayland socket, not listening

    QDir().mkpath(tree.root() + QStringLiteral("/net"));
    QFile table(tree.root() + QStringLiteral("/net/unix"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write("Num       RefCount Protocol Flags    Type St Inode Path\n"
                "0000000000000000: 00000002 00000000 00010000 0001 01 5001 /run/user/1000/wayland-0\n"
                "0000000000000000: 00000002 00000000 00010000 0001 01 5002 @/tmp/.X11-unix/X0\n"
                "0000000000000000: 00000003 00000000 00000000 0001 03 5003\n"
                "0000000000000000: 00000002 00000000 00010000 0001 01 5004 /run/user/1000/client.sock\n"
                "0000000000000000: 00000003 00000000 00000000 0001 03 5005 /run/user/1000/wayland-0\n"
                "garbage line\n");
    table.close();

    SessionProcessGuard guard(tree.root(), {QStringLiteral("/tmp/.X11-unix/X0"), QStringLiteral("/run/user/1000/wayland-0")});
    const quint64 before = guard.revision();
    guard.setTrayOwners({3006});
    EXPECT_GT(guard.revision(), before);

    for (const qint32 pid : {3000, 3001, 3003, 3004, 3005, 3006})
        EXPECT_FALSE(guard.mayFreeze(pid)) << pid;
    for (const qint32 pid : {3002, 3007})
        EXPECT_TRUE(guard.mayFreeze(pid)) << pid;

    // Another panel takes the tray over: the first one is an ordinary process again.
    guard.setTrayOwners({3007});
    EXPECT_TRUE(guard.mayFreeze(3006));
    EXPECT_FALSE(guard.mayFreeze(3007));
}
