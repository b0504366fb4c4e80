#include "platform/SessionProcessGuard.h"

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
