#include "platform/FileWalker.h"
#include "platform/TreeSizeCache.h"
#include "platform/TreeSizeMeter.h"

#include "support/BindMount.h"
#include "support/ScratchTree.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

// Both sizing engines leave a bind mount inside out on request; a root that is a mount point counts.
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
    for (const bool cached : {false, true}) {
        const auto size = [&](const QString& path, bool stay) {
            return cached ? cache.totalSize(path, {.stayOnFileSystem = stay}) : FileWalker::totalSize(path, {.stayOnFileSystem = stay});
        };
        EXPECT_EQ(size(root, true), 7) << cached;
        EXPECT_EQ(size(root, false), 47) << cached;
        EXPECT_EQ(size(root, true), 7) << cached;
        EXPECT_EQ(size(mountPoint, true), 40) << cached;
    }

    // The model cache figure leaves it out too.
    TreeSizeMeter meter;
    QSignalSpy measured(&meter, &TreeSizeMeter::measured);
    ASSERT_TRUE(meter.request(root));
    ASSERT_TRUE(measured.wait(5000));
    EXPECT_EQ(measured.first().first().toLongLong(), 7);
}
