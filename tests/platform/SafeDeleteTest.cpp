#include "platform/SafeDelete.h"

#include "support/BindMount.h"
#include "support/ImmutableFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

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

TEST_F(SafeDeleteTest, MountPointsStayWithAllTheyHoldAndAreReported)
{
    // Same file system, same device id: only the mount tells it apart.
    const QString mountPoint = root + QStringLiteral("/cache/a/mnt");
    QDir().mkpath(mountPoint);
    BindMount mount(victim, mountPoint);
    if (!mount.usable())
        GTEST_SKIP() << mount.reason().toStdString();

    struct Case {
        const char* what;
        std::function<Outcome(DeletionLeftovers*)> remove;
        bool restGoes; // the rest of the cache
    };
    const QString cache = root + QStringLiteral("/cache");
    const QStringList rest{cache + QStringLiteral("/a/file"), cache + QStringLiteral("/b")};
    const QList<Case> cases = {
        {"the folder holding it, whole",
         [&](DeletionLeftovers* left) { return SafeDelete::removeInside(root, cache, left); }, true},
        {"the children of that folder",
         [&](DeletionLeftovers* left) { return SafeDelete::removeChildren(root, cache, left); }, true},
        {"the mount point itself",
         [&](DeletionLeftovers* left) { return SafeDelete::removeInside(root, mountPoint, left); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& path : rest)
            make(path);
        DeletionLeftovers left;
        EXPECT_EQ(c.remove(&left), Outcome::failed);
        EXPECT_TRUE(victimIntact());
        EXPECT_TRUE(QFile::exists(mountPoint + QStringLiteral("/precious")));
        for (const QString& path : rest)
            EXPECT_NE(QFileInfo::exists(path), c.restGoes) << path.toStdString();
        EXPECT_EQ(left.mountPoints, 1);
        EXPECT_EQ(left.entries, 0) << "folders kept only by the mount are not counted again";
        EXPECT_EQ(left.firstPath, mountPoint);
        EXPECT_EQ(left.printedLine(), QStringLiteral("⚠️ Purge left 1 mount point in place, first: ") + mountPoint);
    }
}

TEST_F(SafeDeleteTest, WhatTheFileSystemRefusesIsReportedNeverCalledRemoved)
{
    const QString cache = root + QStringLiteral("/cache");
    int refusals = 0;
    {
        // A file not even root may remove.
        ImmutableFile pinned(AT_FDCWD, QFile::encodeName(cache + QStringLiteral("/a/file")).constData());
        if (pinned.usable()) {
            ++refusals;
            DeletionLeftovers left;
            EXPECT_EQ(SafeDelete::removeInside(root, cache, &left), Outcome::failed);
            EXPECT_TRUE(QFile::exists(cache + QStringLiteral("/a/file")));
            EXPECT_FALSE(QFileInfo::exists(cache + QStringLiteral("/b")));
            EXPECT_EQ(left.entries, 1);
            EXPECT_EQ(left.mountPoints, 0);
            EXPECT_EQ(left.firstPath, cache + QStringLiteral("/a/file"));
            EXPECT_EQ(left.printedLine(), QStringLiteral("⚠️ Purge left 1 item in place, first: ") + left.firstPath);
        }
    }
    {
        // A folder mounted read-only over itself: its children cannot go.
        make(cache + QStringLiteral("/b"));
        BindMount readOnly(cache, cache, true);
        if (readOnly.usable()) {
            ++refusals;
            DeletionLeftovers left;
            EXPECT_EQ(SafeDelete::removeChildren(root, cache, &left), Outcome::failed);
            EXPECT_TRUE(QFile::exists(cache + QStringLiteral("/b")));
            EXPECT_EQ(left.entries, 2) << "a/file and b";
            EXPECT_EQ(SafeDelete::removeInside(root, cache), Outcome::failed) << "the mount point itself stays";
        }
    }
    if (refusals == 0)
        GTEST_SKIP() << "neither immutable files nor read-only bind mounts are available here";
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
