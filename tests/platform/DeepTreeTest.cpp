#include "platform/FileWalker.h"
#include "platform/FolderChain.h"
#include "platform/SafeDelete.h"
#include "platform/TreeSizeCache.h"

#include "support/DeepTree.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int kLevels = 5000;
// Far below what a walk holding one descriptor per level would need.
constexpr int kHeadroom = 48;

class DeepTreeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(deeptree::make(tree, kLevels, 10)); }
    void TearDown() override { SafeDelete::removeInside(dir.path(), tree); }

    QTemporaryDir dir;
    QString tree = dir.filePath(QStringLiteral("deep"));
};

} // namespace

TEST_F(DeepTreeTest, SizingReachesEveryLevelWithFewDescriptors)
{
    const int before = deeptree::descriptors();
    int most = 0;
    QStringList seen;
    TreeSizeCache cache;
    {
        deeptree::DescriptorCap cap(kHeadroom);
        ASSERT_TRUE(cap.applied());
        EXPECT_EQ(FileWalker::totalSize(tree), 20);
        FileWalker::forEachFile(tree, [&](const QByteArray& path, const struct stat&) {
            most = std::max(most, deeptree::descriptors());
            seen << QFile::decodeName(path).section(QLatin1Char('/'), -1);
            return true;
        });
        EXPECT_EQ(cache.totalSize(tree, {}), 20);
        // A change at the bottom is seen at the next pass.
        ASSERT_TRUE(deeptree::writeAt(tree, kLevels, "more", 5));
        EXPECT_EQ(cache.totalSize(tree, {}), 25);
    }
    EXPECT_EQ(seen, (QStringList{QStringLiteral("half"), QStringLiteral("bottom")}));
    EXPECT_LE(most - before, FolderChain::kDefaultKept + 4);
}

TEST(FolderChainTest, AFolderMovedDuringTheWalkStopsItOnTheWayUp)
{
    QTemporaryDir dir;
    const QString top = dir.filePath(QStringLiteral("top"));
    const int bottom = deeptree::openLevel(top, 40, true);
    ASSERT_GE(bottom, 0);
    ::close(bottom);

    FolderChain chain(::open(QFile::encodeName(top).constData(), O_RDONLY | O_DIRECTORY), 4);
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(chain.enter("d"), 0);
    EXPECT_EQ(chain.depth(), 40);
    EXPECT_EQ(chain.openCount(), 4);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(chain.leave()) << "folders given up are reopened on the way up";
    EXPECT_LE(chain.openCount(), 4);

    // Level 10 moves away: going up from it must not end outside the tree.
    const QString level10 = top + QStringLiteral("/d").repeated(10);
    ASSERT_TRUE(QDir().rename(level10, dir.filePath(QStringLiteral("elsewhere"))));
    bool stopped = false;
    for (int i = 0; i < 20 && !stopped; ++i)
        stopped = !chain.leave();
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(chain.usable());
}
