#include "platform/FileWalker.h"
#include "platform/TreeSizeCache.h"

#include "support/BindMount.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

void writeFile(const QString& path, qsizetype size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(size, 'x'));
}

} // namespace

// A folder of the same file system bind-mounted inside a cache: with
// stayOnFileSystem both sizing engines leave it out (as deletion leaves it
// in place), without it they count what it holds.
TEST(MountPointSizingTest, BindMountsInsideATreeAreLeftOutOnRequest)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("cache"));
    const QString mountPoint = root + QStringLiteral("/src/mounted");
    writeFile(root + QStringLiteral("/index/entry"), 7);
    writeFile(dir.filePath(QStringLiteral("crates/big.crate")), 40);
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    BindMount mount(dir.filePath(QStringLiteral("crates")), mountPoint);
    if (!mount.usable())
        GTEST_SKIP() << mount.reason().toStdString();

    TreeSizeCache cache;
    struct Engine {
        const char* name;
        std::function<qint64(bool stay)> size;
    };
    const QList<Engine> engines = {
        {"walker", [&](bool stay) { return FileWalker::totalSize(root, {.stayOnFileSystem = stay}); }},
        {"cache", [&](bool stay) { return cache.totalSize(root, {.stayOnFileSystem = stay}); }},
    };
    for (const Engine& engine : engines) {
        SCOPED_TRACE(engine.name);
        EXPECT_EQ(engine.size(true), 7);
        EXPECT_EQ(engine.size(false), 47);
        EXPECT_EQ(engine.size(true), 7) << "measured again from what is remembered";
    }

    // The mount point is the root: its own contents are what is measured.
    EXPECT_EQ(cache.totalSize(mountPoint, {.stayOnFileSystem = true}), 40);
    EXPECT_EQ(FileWalker::totalSize(mountPoint, {.stayOnFileSystem = true}), 40);

    // Everything else removed, as a purge leaves it: nothing left to count.
    ASSERT_TRUE(QDir(root + QStringLiteral("/index")).removeRecursively());
    EXPECT_EQ(cache.totalSize(root, {.stayOnFileSystem = true}), 0);
    EXPECT_EQ(FileWalker::totalSize(root, {.stayOnFileSystem = true}), 0);
}
