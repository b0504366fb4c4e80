#include "platform/InotifyWatchBudget.h"
#include "platform/TreeSizeCache.h"

#include "support/DeepTree.h"
#include "support/OwnPidNamespace.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <thread>

#include <cerrno>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// root, root/I and root/I/J for I < outer, J < inner (mkdir(2): QDir is slow here); empty on failure.
QList<QByteArray> makeWideTree(const QString& root, int outer, int inner)
{
    QList<QByteArray> made = {QFile::encodeName(root)};
    for (int i = 0; i < outer; ++i) {
        made += made.front() + '/' + QByteArray::number(i);
        for (int j = 0; j < inner; ++j)
            made += made.front() + '/' + QByteArray::number(i) + '/' + QByteArray::number(j);
    }
    for (const QByteArray& folder : made)
        if (::mkdir(folder.constData(), 0755) != 0)
            return {};
    return made;
}

} // namespace

// An eighth of the account's limit, at most 8,192; an eighth of the old default when unreadable.
TEST(TreeSizeWatchBudgetTest, TheShareIsAnEighthOfTheAccountLimitAtMost8192)
{
    const QList<std::pair<const char*, int>> cases = {{"4000\n", 500}, {"192533\n", 8192}, {"junk\n", 1024}, {nullptr, 1024}};
    for (const auto& [content, share] : cases) {
        ScratchTree proc;
        if (content)
            proc.write(QStringLiteral("proc/sys/fs/inotify/max_user_watches"), content);
        EXPECT_EQ(InotifyWatchBudget::shareOf(proc.proc()), share) << (content ? content : "none");
    }
}

// 50,201 folders, a share of 500: held within it, not read again, deep changes seen once all are checked.
TEST(TreeSizeWatchBudgetTest, ALargeTreeStaysWithinTheShareAndStillSeesDeepChanges)
{
    constexpr int kFolders = 1 + 200 + 200 * 250;
    constexpr int kChecksPerPass = 4096;
    InotifyWatchBudget budget(500);
    const bool shm = QFileInfo(QStringLiteral("/dev/shm")).isWritable(); // a busy disk takes most of a minute
    QTemporaryDir dir(shm ? QStringLiteral("/dev/shm/kestrova-test-XXXXXX") : QDir::tempPath() + QStringLiteral("/XXXXXX"));
    const QString root = dir.filePath(QStringLiteral("npm"));
    ASSERT_EQ(makeWideTree(root, 200, 250).size(), kFolders);
    ASSERT_TRUE(deeptree::writeAt(root, 0, "index", 10));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100)); // change times this fresh are not trusted

    TreeSizeCache cache({.threads = 3, .watchBudget = &budget, .checksPerPass = kChecksPerPass});
    ASSERT_EQ(cache.totalSize(root, {}), 10);
    const quint64 firstReads = cache.directoryReads();
    EXPECT_EQ(cache.watchCount(), 500);
    auto other = std::make_unique<TreeSizeCache>(TreeSizeCache::Deps{.watchBudget = &budget});
    other->totalSize(root + QStringLiteral("/0"), {});
    EXPECT_EQ(budget.held(), 500);
    other.reset();
    EXPECT_EQ(budget.held(), cache.watchCount()); // given back

    const int passesToCheckAll = (kFolders - 500 + kChecksPerPass - 1) / kChecksPerPass;
    for (int pass = 0; pass < passesToCheckAll; ++pass)
        ASSERT_EQ(cache.totalSize(root, {}), 10);
    EXPECT_EQ(cache.directoryReads(), firstReads);

    for (const char* folder : {"/3/7", "/199/249"}) // far apart: most folders have no watch
        ASSERT_TRUE(deeptree::writeAt(root + QLatin1String(folder), 0, "new", 5));
    for (int pass = 0; pass <= passesToCheckAll && cache.totalSize(root, {}) != 20; ++pass) {
    }
    EXPECT_EQ(cache.totalSize(root, {}), 20);
    EXPECT_LE(cache.directoryReads() - firstReads, 4u);
    EXPECT_LE(cache.watchCount(), 500);
}

// The real kernel, watch limit lowered to 400: the cache holds 50, another program the other 350.
TEST(TreeSizeWatchBudgetTest, InALoweredUserNamespaceTheRestStaysForOtherPrograms)
{
    if (!OwnPidNamespace::inside()) {
        OwnPidNamespace::runCurrentTestAndReport();
        return;
    }
    QFile limit(QStringLiteral("/proc/sys/user/max_inotify_watches"));
    if (!limit.open(QIODevice::WriteOnly) || limit.write("400\n") != 4 || !limit.flush())
        GTEST_SKIP() << "the namespace's watch limit cannot be lowered here";
    limit.close();
    QTemporaryDir dir;
    const QList<QByteArray> folders = makeWideTree(dir.filePath(QStringLiteral("cache")), 20, 20);
    ASSERT_EQ(folders.size(), 421);
    InotifyWatchBudget budget(InotifyWatchBudget::shareOf(QStringLiteral("/proc")));
    TreeSizeCache cache({.threads = 1, .watchBudget = &budget});
    ASSERT_EQ(cache.totalSize(QFile::decodeName(folders.front()), {}), 0);
    EXPECT_EQ(cache.watchCount(), 50);

    const int other = ::inotify_init1(IN_CLOEXEC);
    qsizetype added = 0;
    while (added < folders.size() && ::inotify_add_watch(other, folders[added].constData(), IN_CREATE) >= 0)
        ++added;
    EXPECT_EQ(errno, ENOSPC);
    ::close(other);
    EXPECT_EQ(added, 350);
}
