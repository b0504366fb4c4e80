#include "platform/SafeDelete.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using SafeDelete::Outcome;

namespace {

class SafeDeleteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = dir.filePath(QStringLiteral("root"));
        victim = dir.filePath(QStringLiteral("victim"));
        make(root + QStringLiteral("/cache/a/file"));
        make(root + QStringLiteral("/cache/b"));
        make(victim + QStringLiteral("/precious"));
    }
    static void make(const QString& path)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("data");
    }
    bool victimIntact() const { return QFile::exists(victim + QStringLiteral("/precious")); }

    QTemporaryDir dir;
    QString root;
    QString victim;
};

} // namespace

TEST_F(SafeDeleteTest, RemovesATreeInsideTheRoot)
{
    EXPECT_EQ(SafeDelete::removeInside(root, root + QStringLiteral("/cache")), Outcome::removed);
    EXPECT_FALSE(QFileInfo::exists(root + QStringLiteral("/cache")));
    EXPECT_TRUE(QFileInfo(root).isDir());
    EXPECT_EQ(SafeDelete::removeInside(root, root + QStringLiteral("/cache")), Outcome::missing);
}

TEST_F(SafeDeleteTest, RefusesPathsOutsideOrUnclean)
{
    EXPECT_EQ(SafeDelete::removeInside(root, root), Outcome::refused);
    EXPECT_EQ(SafeDelete::removeInside(root, victim), Outcome::refused);
    EXPECT_EQ(SafeDelete::removeInside(root, root + QStringLiteral("/../victim")), Outcome::refused);
    EXPECT_EQ(SafeDelete::removeInside(root, root + QStringLiteral("/cache/")), Outcome::refused);
    EXPECT_EQ(SafeDelete::removeInside(root, QStringLiteral("cache")), Outcome::refused);
    EXPECT_EQ(SafeDelete::removeInside(root + QStringLiteral("/ca"), root + QStringLiteral("/cache/a")),
              Outcome::refused);
    EXPECT_TRUE(victimIntact());
}

TEST(SafeDeleteRootTest, TheFileSystemRootIsNeverADeletionRoot)
{
    // Paths that do not exist, so a regression reports "missing" rather
    // than deleting anything.
    const QString absent = QStringLiteral("/kestrova-test-no-such-folder");
    ASSERT_FALSE(QFileInfo::exists(absent));
    EXPECT_EQ(SafeDelete::removeInside(QStringLiteral("/"), absent), Outcome::refused);
    EXPECT_EQ(SafeDelete::removeChildren(QStringLiteral("/"), absent), Outcome::refused);
    EXPECT_EQ(SafeDelete::removeInside(QStringLiteral("//"), absent), Outcome::refused);
}

TEST_F(SafeDeleteTest, SymlinkTrapsNeverReachTheirTargets)
{
    // A link as the target itself: the link goes, its target stays.
    QFile::link(victim, root + QStringLiteral("/cache/link"));
    EXPECT_EQ(SafeDelete::removeInside(root, root + QStringLiteral("/cache/link")), Outcome::removed);
    EXPECT_TRUE(victimIntact());

    // A link inside a folder being removed.
    QFile::link(victim, root + QStringLiteral("/cache/a/inner-link"));
    EXPECT_EQ(SafeDelete::removeInside(root, root + QStringLiteral("/cache/a")), Outcome::removed);
    EXPECT_TRUE(victimIntact());

    // A linked folder on the way to the target is refused.
    QFile::link(victim, root + QStringLiteral("/via"));
    EXPECT_EQ(SafeDelete::removeInside(root, root + QStringLiteral("/via/precious")), Outcome::refused);
    EXPECT_EQ(SafeDelete::removeChildren(root, root + QStringLiteral("/via")), Outcome::refused);
    EXPECT_TRUE(victimIntact());
}

TEST_F(SafeDeleteTest, RemoveChildrenKeepsTheFolder)
{
    QFile::link(victim, root + QStringLiteral("/cache/escape"));
    EXPECT_EQ(SafeDelete::removeChildren(root, root + QStringLiteral("/cache")), Outcome::removed);
    EXPECT_TRUE(QFileInfo(root + QStringLiteral("/cache")).isDir());
    EXPECT_TRUE(QDir(root + QStringLiteral("/cache")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_TRUE(victimIntact());
    EXPECT_EQ(SafeDelete::removeChildren(root, root + QStringLiteral("/absent")), Outcome::missing);
}

TEST(SafeDeleteHomeTest, OnlyAbsoluteCleanExistingFoldersAreSaneHomes)
{
    QTemporaryDir dir;
    EXPECT_TRUE(SafeDelete::isSaneHome(dir.path()));
    EXPECT_FALSE(SafeDelete::isSaneHome(QString()));
    EXPECT_FALSE(SafeDelete::isSaneHome(QStringLiteral("/")));
    EXPECT_FALSE(SafeDelete::isSaneHome(QStringLiteral("relative/home")));
    EXPECT_FALSE(SafeDelete::isSaneHome(dir.path() + QStringLiteral("/../x")));
    EXPECT_FALSE(SafeDelete::isSaneHome(dir.path() + QStringLiteral("/missing")));
}
