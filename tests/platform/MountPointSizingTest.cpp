#include "platform/FileWalker.h"
#include "platform/TreeSizeCache.h"
#include "platform/TreeSizeMeter.h"

#include "support/BindMount.h"
#include "support/ScratchTree.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

// Both sizing engines leave bind mounts inside (a folder, a single file) out on request; a root that is a mount point counts.
TEST(MountPointSizingTest, BindMountsInsideATreeAreLeftOutOnRequest)
{
    ScratchTree dir;
    const QString root = dir.path(QStringLiteral("cache"));
    const QString mountPoint = root + QStringLiteral("/src/mounted");
    dir.write(QStringLiteral("cache/index/entry"), QByteArray(7, 'x'));
    dir.write(QStringLiteral("crates/big.crate"), QByteArray(40, 'x'));
    dir.mkdir(QStringLiteral("cache/src/mounted"));
    dir.write(QStringLiteral("single.bin"), QByteArray(25, 'x'));
    dir.write(QStringLiteral("cache/index/mounted.bin"), {});
    BindMount mount(dir.path(QStringLiteral("crates")), mountPoint);
    if (!mount.usable())
        GTEST_SKIP() << mount.reason().toStdString();
    BindMount fileMount(dir.path(QStringLiteral("single.bin")), root + QStringLiteral("/index/mounted.bin"));
    ASSERT_TRUE(fileMount.usable()) << fileMount.reason().toStdString();

    TreeSizeCache cache;
    for (const bool cached : {false, true}) {
        const auto size = [&](const QString& path, bool stay) {
            return cached ? cache.totalSize(path, {.stayOnFileSystem = stay}) : FileWalker::totalSize(path, {.stayOnFileSystem = stay});
        };
        EXPECT_EQ(size(root, true), 7) << cached;
        EXPECT_EQ(size(root, false), 72) << cached;
        EXPECT_EQ(size(root, true), 7) << cached;
        EXPECT_EQ(size(mountPoint, true), 40) << cached;
    }

    // As a removal reaches it: a mounted folder removed whole stays, its contents may go when only they are removed.
    EXPECT_EQ(cache.totalSize(mountPoint, {.stayOnFileSystem = true, .removalRoot = root, .removalScope = SafeDelete::Scope::whole}), 0);
    EXPECT_EQ(cache.totalSize(mountPoint, {.stayOnFileSystem = true, .removalRoot = root, .removalScope = SafeDelete::Scope::contents}), 40);

    // The model cache figure leaves it out too.
    TreeSizeMeter meter;
    QSignalSpy measured(&meter, &TreeSizeMeter::measured);
    ASSERT_TRUE(meter.request(root));
    ASSERT_TRUE(measured.wait(5000));
    EXPECT_EQ(measured.first().first().toLongLong(), 7);
}
