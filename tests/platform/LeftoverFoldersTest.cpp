#include "core/OwnedTempDir.h"
#include "platform/LeftoverFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/time.h>

// Only folders of ours, by name and owner file, whose owner is gone go; a live
// one, one with no owner file however old, a link (and where it leads) and
// other names stay.
TEST(LeftoverFolders, OnlyFoldersOfRunsThatAreGoneGo)
{
    QTemporaryDir scratch;
    const QString run = scratch.filePath(QStringLiteral("run"));
    const QString elsewhere = scratch.filePath(QStringLiteral("kestrova-settings-Else01"));
    ASSERT_TRUE(QDir().mkpath(run));
    OwnedTempDir live(run + QStringLiteral("/kestrova-settings-XXXXXX"));
    // marked: with an owner file that nobody holds a lock on.
    const struct {
        const char* name;
        bool marked, longAgo, gone;
    } cases[] = {
        {"kestrova-settings-Dead01", true, false, true},
        {"kestrova-settings-New001", false, false, false}, // may be marked any moment
        {"kestrova-settings-Old001", false, true, false}, // anybody's, by its name alone
        {"kestrova-settings-Dead", true, false, false},
        {"kestrova-other-Dead01", true, false, false},
    };
    const timeval longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
    for (const auto& c : cases) {
        const QString path = run + QLatin1Char('/') + QLatin1String(c.name);
        ASSERT_TRUE(QDir().mkpath(path));
        ASSERT_TRUE(!c.marked || QFile(path + QLatin1Char('/') + QLatin1String(OwnedTempDir::kOwnerFile)).open(QIODevice::WriteOnly));
        ASSERT_TRUE(!c.longAgo || ::utimes(QFile::encodeName(path).constData(), longAgo) == 0);
    }
    ASSERT_TRUE(QDir().mkpath(elsewhere) && QFile(elsewhere + QLatin1Char('/') + QLatin1String(OwnedTempDir::kOwnerFile)).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(elsewhere, run + QStringLiteral("/kestrova-settings-Link01")));

    EXPECT_FALSE(LeftoverFolders::removeIn(run, QStringLiteral("kestrova-settings-")).any());
    EXPECT_TRUE(live.isValid() && QFileInfo::exists(live.filePath(QLatin1String(OwnedTempDir::kOwnerFile))));
    EXPECT_TRUE(QFileInfo(run + QStringLiteral("/kestrova-settings-Link01")).isSymLink() && QFileInfo::exists(elsewhere));
    for (const auto& c : cases)
        EXPECT_EQ(QFileInfo::exists(run + QLatin1Char('/') + QLatin1String(c.name)), !c.gone) << c.name;
}
