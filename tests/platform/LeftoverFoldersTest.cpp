#include "core/OwnedTempDir.h"
#include "platform/LeftoverFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/time.h>

// Only folders of ours, by name, whose owner is gone go; a live one, a link
// (and where it leads) and other names stay.
TEST(LeftoverFolders, OnlyFoldersOfRunsThatAreGoneGo)
{
    QTemporaryDir scratch;
    const QString run = scratch.filePath(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkpath(run));
    OwnedTempDir live(run + QStringLiteral("/kestrova-settings-XXXXXX"));
    ASSERT_TRUE(live.isValid());
    const QString liveName = QFileInfo(live.filePath(QStringLiteral("x"))).dir().dirName();
    enum class Made { deadOwner, unmarked, unmarkedLongAgo, linkToDead };
    struct Case {
        QString name;
        Made made;
        bool gone;
    };
    const Case cases[] = {
        {QStringLiteral("kestrova-settings-Dead01"), Made::deadOwner, true},
        {QStringLiteral("kestrova-settings-New001"), Made::unmarked, false}, // may be marked any moment
        {QStringLiteral("kestrova-settings-Old001"), Made::unmarkedLongAgo, true},
        {QStringLiteral("kestrova-settings-Link01"), Made::linkToDead, false},
        {QStringLiteral("kestrova-settings-Dead"), Made::deadOwner, false},
        {QStringLiteral("kestrova-other-Dead01"), Made::deadOwner, false},
    };
    const QString elsewhere = scratch.filePath(QStringLiteral("elsewhere"));
    for (const QString& folder : {elsewhere, run}) {
        for (const Case& c : cases) {
            const QString path = folder + QLatin1Char('/') + c.name;
            if (c.made == Made::linkToDead && folder == run) {
                ASSERT_TRUE(QFile::link(elsewhere + QLatin1Char('/') + c.name, path));
                continue;
            }
            ASSERT_TRUE(QDir().mkpath(path));
            const bool marked = c.made == Made::deadOwner || c.made == Made::linkToDead;
            ASSERT_TRUE(!marked || QFile(path + QLatin1Char('/') + QLatin1String(OwnedTempDir::kOwnerFile)).open(QIODevice::WriteOnly));
            const timeval longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
            ASSERT_TRUE(c.made != Made::unmarkedLongAgo || ::utimes(QFile::encodeName(path).constData(), longAgo) == 0);
        }
    }

    EXPECT_FALSE(LeftoverFolders::removeIn(run, QStringLiteral("kestrova-settings-")).any());
    EXPECT_TRUE(QFileInfo::exists(run + QLatin1Char('/') + liveName));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(QFileInfo(run + QLatin1Char('/') + c.name).isSymLink() || QFileInfo::exists(run + QLatin1Char('/') + c.name), !c.gone);
        EXPECT_TRUE(QFileInfo::exists(elsewhere + QLatin1Char('/') + c.name + QLatin1Char('/') + QLatin1String(OwnedTempDir::kOwnerFile))
                    || c.made != Made::linkToDead);
    }
}
