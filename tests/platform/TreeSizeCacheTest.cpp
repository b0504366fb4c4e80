#include "platform/TreeSizeCache.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

namespace {

void writeFile(const QString& path, qsizetype size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(size, 'x'));
}

// root/a (100), root/sub/b (50), root/sub/deep/c (10), root/.hidden/d (7),
// and a folder outside the tree that links point at.
struct Fixture {
    QTemporaryDir dir;
    QString root = dir.filePath(QStringLiteral("tree"));

    Fixture()
    {
        writeFile(root + QStringLiteral("/a"), 100);
        writeFile(root + QStringLiteral("/sub/b"), 50);
        writeFile(root + QStringLiteral("/sub/deep/c"), 10);
        writeFile(root + QStringLiteral("/.hidden/d"), 7);
        writeFile(dir.filePath(QStringLiteral("outside/big")), 100000);
    }
    QString at(const char* relative) const { return root + QLatin1Char('/') + QLatin1String(relative); }
};

struct Change {
    const char* what;
    std::function<void(const Fixture&)> apply;
    qint64 expected; // hidden files included
};

const QList<Change>& changes()
{
    static const QList<Change> list = {
        {"file added deep", [](const Fixture& f) { writeFile(f.at("sub/deep/new"), 5); }, 172},
        {"file removed", [](const Fixture& f) { QFile::remove(f.at("sub/b")); }, 117},
        {"file grown in place",
         [](const Fixture& f) {
             QFile file(f.at("sub/deep/c"));
             ASSERT_TRUE(file.open(QIODevice::Append));
             file.write(QByteArray(90, 'y'));
         },
         257},
        {"folder deleted", [](const Fixture& f) { QDir(f.at("sub")).removeRecursively(); }, 107},
        {"folder replaced by a link",
         [](const Fixture& f) {
             QDir(f.at("sub")).removeRecursively();
             QFile::link(f.dir.filePath(QStringLiteral("outside")), f.at("sub"));
         },
         107},
        {"folder added with files", [](const Fixture& f) { writeFile(f.at("sub/fresh/x/y"), 3); }, 170},
        {"folder renamed", [](const Fixture& f) { QDir().rename(f.at("sub/deep"), f.at("moved")); }, 167},
        {"root replaced by a link",
         [](const Fixture& f) {
             QDir(f.root).removeRecursively();
             QFile::link(f.dir.filePath(QStringLiteral("outside")), f.root);
         },
         0},
    };
    return list;
}

} // namespace

TEST(TreeSizeCacheTest, UnchangedTreeIsNotReadAgain)
{
    Fixture f;
    TreeSizeCache cache;
    EXPECT_EQ(cache.totalSize(f.root, {}), 167);
    EXPECT_EQ(cache.directoryReads(), 4u);
    EXPECT_EQ(cache.watchCount(), 4);
    for (int pass = 0; pass < 3; ++pass)
        EXPECT_EQ(cache.totalSize(f.root, {}), 167);
    EXPECT_EQ(cache.directoryReads(), 4u);
    // Hidden folders are skipped, and so never read.
    EXPECT_EQ(cache.totalSize(f.root, {.includeHidden = false}), 160);
    EXPECT_EQ(cache.directoryReads(), 7u);

    // A change re-reads only the folder it happened in.
    writeFile(f.at("sub/deep/c"), 11);
    EXPECT_EQ(cache.totalSize(f.root, {}), 168);
    EXPECT_EQ(cache.directoryReads(), 8u);
}

TEST(TreeSizeCacheTest, EveryChangeShowsAtTheNextPassWithOrWithoutWatches)
{
    // Unlimited watches, none (all refused), and too few for the tree.
    for (const int watchLimit : {-1, 0, 2}) {
        for (const Change& change : changes()) {
            SCOPED_TRACE(std::string(change.what) + ", watch limit " + std::to_string(watchLimit));
            Fixture f;
            TreeSizeCache cache({.threads = 3, .watchLimit = watchLimit});
            ASSERT_EQ(cache.totalSize(f.root, {}), 167);
            change.apply(f);
            EXPECT_EQ(cache.totalSize(f.root, {}), change.expected);
            EXPECT_EQ(cache.totalSize(f.root, {}), change.expected);
            if (watchLimit >= 0) {
                EXPECT_LE(cache.watchCount(), watchLimit);
            }
        }
    }
}

TEST(TreeSizeCacheTest, LinksAreNotFollowedAndHardLinksCountOnce)
{
    Fixture f;
    QFile::link(f.dir.filePath(QStringLiteral("outside")), f.at("sub/escape"));
    QFile::link(f.at("sub"), f.at("sub/deep/loop"));
    QFile::link(f.at("a"), f.at("sub/a-link"));
    ASSERT_EQ(::link(QFile::encodeName(f.at("sub/b")).constData(), QFile::encodeName(f.at("b-again")).constData()),
              0);
    TreeSizeCache cache;
    EXPECT_EQ(cache.totalSize(f.root, {}), 167);
    EXPECT_EQ(cache.totalSize(f.at("sub/escape"), {}), 0) << "a linked root is not entered";
    QFile::remove(f.at("sub/b"));
    EXPECT_EQ(cache.totalSize(f.root, {}), 167) << "the other name still holds the file";
    QFile::remove(f.at("b-again"));
    EXPECT_EQ(cache.totalSize(f.root, {}), 117);
}

TEST(TreeSizeCacheTest, ListsFilesOverTheThresholdWithTheirPaths)
{
    Fixture f;
    TreeSizeCache cache;
    const TreeSizeCache::Options options{.includeHidden = false, .listFilesOver = 20};
    auto measured = cache.measure(f.root, options);
    ASSERT_EQ(measured.largeFiles.size(), 2);
    QStringList paths{measured.largeFiles[0].path, measured.largeFiles[1].path};
    paths.sort();
    EXPECT_EQ(paths, QStringList({f.at("a"), f.at("sub/b")}));
    writeFile(f.at("sub/deep/c"), 30);
    measured = cache.measure(f.root, options);
    EXPECT_EQ(measured.largeFiles.size(), 3);
    EXPECT_EQ(measured.bytes, 180);
}
