#include "platform/FileWalker.h"
#include "platform/TreeSizeCache.h"
#include "platform/TreeSizeMeter.h"

#include "support/BindMount.h"
#include "support/ScratchTree.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>

// A folder of the same file system bind-mounted inside a cache: with
// stayOnFileSystem both sizing engines leave it out (as deletion leaves it
// in place), without it they count it; a root that is a mount point counts.
TEST(MountPointSizingTest, BindMountsInsideATreeAreLeftOutOnRequest)
{
    ScratchTree dir;
    const QString root = dir.path(QStringLiteral("cache"));
    const QString mountPoint = root + QStringLiteral("/src/mounted");
    dir.write(QStringLiteral("cache/index/entry"), QByteArray(7, 'x'));
    dir.write(QStringLiteral("crates/big.crate"), QByteArray(40, 'x'));
    dir.mkdir(QStringLiteral("cache/src/mounted"));
    BindMount mount(dir.path(QStringLiteral("crates")), mountPoint);
    if (!mount.usable())
        GTEST_SKIP() << mount.reason().toStdString();

    TreeSizeCache cache;
    const QList<std::pair<const char*, std::function<qint64(const QString&, bool)>>> engines = {
        {"walker", [](const QString& path, bool stay) { return FileWalker::totalSize(path, {.stayOnFileSystem = stay}); }},
        {"cache", [&](const QString& path, bool stay) { return cache.totalSize(path, {.stayOnFileSystem = stay}); }},
    };
    for (const auto& [name, size] : engines) {
        SCOPED_TRACE(name);
        EXPECT_EQ(size(root, true), 7);
        EXPECT_EQ(size(root, false), 47);
        EXPECT_EQ(size(root, true), 7) << "again, from what is remembered";
        EXPECT_EQ(size(mountPoint, true), 40);
    }

    // The model cache figure leaves it out too: its purge empties the folder around it.
    TreeSizeMeter meter;
    QSignalSpy measured(&meter, &TreeSizeMeter::measured);
    ASSERT_TRUE(meter.request(root));
    ASSERT_TRUE(measured.wait(5000));
    EXPECT_EQ(measured.first().first().toLongLong(), 7);
}
