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

// root, root/I and root/I/J for I < outer, J < inner, made with mkdir(2)
// (QDir is several times slower at this count); empty on failure.
QList<QByteArray> makeWideTree(const QString& root, int outer, int inner)
{
    QList<QByteArray> made = {QFile::encodeName(root)};
    for (int i = 0; i < outer; ++i) {
        const QByteArray parent = made.front() + '/' + QByteArray::number(i);
        made += parent;
        for (int j = 0; j < inner; ++j)
            made += parent + '/' + QByteArray::number(j);
    }
    for (const QByteArray& folder : made)
        if (::mkdir(folder.constData(), 0755) != 0)
            return {};
    return made;
}

} // namespace

// The share read through the /proc seam: an eighth of the account's limit,
// at most 8,192, and an eighth of the old default when it cannot be read.
TEST(TreeSizeWatchBudgetTest, TheShareIsAnEighthOfTheAccountLimitAtMost8192)
{
    const QList<std::pair<const char*, int>> cases = {{"4000\n", 500}, {"192533\n", 8192}, {"8", 1},
                                                      {"junk\n", 1024}, {"-5\n", 1024}, {nullptr, 1024}};
    for (const auto& [content, share] : cases) {
        SCOPED_TRACE(content ? content : "(none)");
        ScratchTree proc;
        if (content)
            proc.write(QStringLiteral("proc/sys/fs/inotify/max_user_watches"), content);
        EXPECT_EQ(InotifyWatchBudget::shareOf(proc.proc()), share);
    }
}

// 50,201 folders under an account limit lowered to 4,000 (a share of 500):
// the caches hold no more than the share between them and give it back, an
// unchanged tree is not read again, and files added deep inside show within
// the passes it takes to check every folder's change time once.
TEST(TreeSizeWatchBudgetTest, ALargeTreeStaysWithinTheShareAndStillSeesDeepChanges)
{
    constexpr int kFolders = 1 + 200 + 200 * 250;
    constexpr int kChecksPerPass = 4096;
    ScratchTree proc;
    proc.write(QStringLiteral("proc/sys/fs/inotify/max_user_watches"), "4000\n");
    InotifyWatchBudget budget(InotifyWatchBudget::shareOf(proc.proc()));
    // In memory where possible: 50,000 folders on a busy disk take most of a minute.
    const bool shm = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    QTemporaryDir dir(shm ? QStringLiteral("/dev/shm/kestrova-test-XXXXXX") : QDir::tempPath() + QStringLiteral("/XXXXXX"));
    const QString root = dir.filePath(QStringLiteral("npm"));
    ASSERT_EQ(makeWideTree(root, 200, 250).size(), kFolders);
    ASSERT_TRUE(deeptree::writeAt(root, 0, "index", 10));
    // Change times within a second of a read are not trusted; let them settle.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));

    TreeSizeCache cache({.threads = 3, .watchBudget = &budget, .checksPerPass = kChecksPerPass});
    ASSERT_EQ(cache.totalSize(root, {}), 10);
    const quint64 firstReads = cache.directoryReads();
    EXPECT_EQ(firstReads, quint64(kFolders));
    EXPECT_EQ(cache.watchCount(), 500);
    {
        TreeSizeCache other({.watchBudget = &budget});
        EXPECT_EQ(other.totalSize(root + QStringLiteral("/0"), {}), 0);
        EXPECT_EQ(budget.held(), cache.watchCount() + other.watchCount());
        EXPECT_LE(budget.held(), 500);
    }
    EXPECT_EQ(budget.held(), cache.watchCount()) << "given back when a cache goes";

    const int passesToCheckAll = (kFolders - cache.watchCount() + kChecksPerPass - 1) / kChecksPerPass;
    for (int pass = 0; pass < passesToCheckAll; ++pass)
        ASSERT_EQ(cache.totalSize(root, {}), 10);
    EXPECT_EQ(cache.directoryReads(), firstReads) << "every folder checked once, none read again";

    // In folders far apart: most have no watch.
    for (const char* folder : {"/3/7", "/101/240", "/199/249"})
        ASSERT_TRUE(deeptree::writeAt(root + QLatin1String(folder), 0, "new", 5));
    int passes = 0;
    while (passes < passesToCheckAll + 1 && cache.totalSize(root, {}) != 25)
        ++passes;
    EXPECT_EQ(cache.totalSize(root, {}), 25) << "not seen within " << passes << " passes";
    EXPECT_LE(cache.directoryReads() - firstReads, 6u) << "only the changed folders";
    EXPECT_LE(cache.watchCount(), 500);
}

// The real kernel: this test run again in a user namespace of its own,
// whose watch limit it lowers to 400. The share read from /proc is then 50;
// the cache holds that many, and another program can still add the other
// 350 watches and no more: the kernel enforces the limit we read.
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
    ASSERT_EQ(budget.limit(), 50);
    TreeSizeCache cache({.threads = 1, .watchBudget = &budget});
    ASSERT_EQ(cache.totalSize(QFile::decodeName(folders.front()), {}), 0);
    EXPECT_EQ(cache.watchCount(), 50);

    const int other = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(other, 0);
    qsizetype added = 0;
    while (added < folders.size() && ::inotify_add_watch(other, folders[added].constData(), IN_CREATE) >= 0)
        ++added;
    const int refused = errno;
    ::close(other);
    EXPECT_EQ(added, 350);
    EXPECT_EQ(refused, ENOSPC);
}
