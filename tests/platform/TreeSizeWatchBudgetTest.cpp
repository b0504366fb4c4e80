#include "platform/InotifyWatchBudget.h"
#include "platform/TreeSizeCache.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

#include <cerrno>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// root/NNN/MMM: `outer` x `inner` folders below `outer` ones, made with
// mkdir(2) directly (QDir is several times slower at this count).
bool makeWideTree(const QString& root, int outer, int inner)
{
    if (!QDir().mkpath(root))
        return false;
    for (int i = 0; i < outer; ++i) {
        const QByteArray parent = QFile::encodeName(root) + '/' + QByteArray::number(i);
        if (::mkdir(parent.constData(), 0755) != 0)
            return false;
        for (int j = 0; j < inner; ++j) {
            if (::mkdir((parent + '/' + QByteArray::number(j)).constData(), 0755) != 0)
                return false;
        }
    }
    return true;
}

constexpr const char* kInsideNamespace = "KESTROVA_TEST_INSIDE_USER_NAMESPACE";

} // namespace

// The share of the account's limit read through the /proc seam: an eighth,
// at most 8,192, and an eighth of the old default when it cannot be read.
TEST(TreeSizeWatchBudgetTest, TheShareIsAnEighthOfTheAccountLimitAtMost8192)
{
    struct Case {
        const char* content; // null: no file
        int share;
    };
    const QList<Case> cases = {
        {"4000\n", 500}, {"192533\n", 8192}, {"65536", 8192}, {"8", 1}, {"junk\n", 1024}, {"-5\n", 1024}, {nullptr, 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content ? c.content : "(none)");
        QTemporaryDir proc;
        if (c.content)
            writeFile(proc.filePath(QStringLiteral("sys/fs/inotify/max_user_watches")), c.content);
        EXPECT_EQ(InotifyWatchBudget::shareOf(proc.path()), c.share);
    }
    InotifyWatchBudget budget(2);
    EXPECT_TRUE(budget.take());
    EXPECT_TRUE(budget.take());
    EXPECT_FALSE(budget.take());
    budget.giveBack();
    EXPECT_TRUE(budget.take());
    EXPECT_EQ(budget.held(), 2);
}

// 50,200 folders under an account limit lowered to 4,000 (a share of 500):
// the caches hold no more watches than the share between them, an unchanged
// tree is not read again, and a file added deep inside shows within the
// passes it takes to check every folder's change time once.
TEST(TreeSizeWatchBudgetTest, ALargeTreeStaysWithinTheShareAndStillSeesDeepChanges)
{
    constexpr int kOuter = 200;
    constexpr int kInner = 250;
    constexpr int kChecksPerPass = 4096;
    // In memory where there is a tmpfs: 50,000 folders made on a busy disk
    // take most of a minute.
    const bool shm = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    QTemporaryDir dir(shm ? QStringLiteral("/dev/shm/kestrova-test-XXXXXX") : QDir::tempPath() + QStringLiteral("/XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    writeFile(dir.filePath(QStringLiteral("proc/sys/fs/inotify/max_user_watches")), "4000\n");
    InotifyWatchBudget budget(InotifyWatchBudget::shareOf(dir.filePath(QStringLiteral("proc"))));
    ASSERT_EQ(budget.limit(), 500);
    const QString root = dir.filePath(QStringLiteral("npm"));
    ASSERT_TRUE(makeWideTree(root, kOuter, kInner));
    writeFile(root + QStringLiteral("/index"), QByteArray(10, 'x'));
    // Change times within a second of a read are not trusted; let them settle.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));

    TreeSizeCache cache({.threads = 3, .watchBudget = &budget, .checksPerPass = kChecksPerPass});
    ASSERT_EQ(cache.totalSize(root, {}), 10);
    const quint64 firstReads = cache.directoryReads();
    EXPECT_EQ(firstReads, quint64(1 + kOuter + kOuter * kInner));
    EXPECT_GT(cache.watchCount(), 0);
    EXPECT_LE(cache.watchCount(), budget.limit());
    EXPECT_EQ(budget.held(), cache.watchCount());

    // A second cache on the same budget gets only what is left.
    {
        const QString small = dir.filePath(QStringLiteral("small"));
        ASSERT_TRUE(makeWideTree(small, 10, 10));
        TreeSizeCache other({.watchBudget = &budget});
        EXPECT_EQ(other.totalSize(small, {}), 0);
        EXPECT_LE(cache.watchCount() + other.watchCount(), budget.limit());
        EXPECT_EQ(budget.held(), cache.watchCount() + other.watchCount());
    }
    EXPECT_EQ(budget.held(), cache.watchCount()) << "given back when the cache goes";

    const int unwatched = 1 + kOuter + kOuter * kInner - cache.watchCount();
    const int passesToCheckAll = (unwatched + kChecksPerPass - 1) / kChecksPerPass;
    for (int pass = 0; pass < passesToCheckAll; ++pass)
        ASSERT_EQ(cache.totalSize(root, {}), 10);
    EXPECT_EQ(cache.directoryReads(), firstReads) << "every folder checked once, none read again";

    // Files added deep inside, in folders far apart: most have no watch.
    const QList<QString> deep = {QStringLiteral("/3/7/a"), QStringLiteral("/101/240/b"), QStringLiteral("/199/249/c")};
    for (const QString& file : deep)
        writeFile(root + file, QByteArray(5, 'y'));
    int passes = 0;
    while (passes < passesToCheckAll + 1 && cache.totalSize(root, {}) != 25)
        ++passes;
    EXPECT_EQ(cache.totalSize(root, {}), 25) << "not seen within " << passes << " passes";
    EXPECT_LE(cache.directoryReads() - firstReads, quint64(2 * deep.size())) << "only the changed folders";
    EXPECT_LE(cache.watchCount(), budget.limit());
}

// The real kernel: this program run again by unshare(1) in a user namespace
// of its own, whose inotify watch limit it lowers to 400. The share read
// from /proc is then 50; the cache holds that many, and another program of
// the account can still add the other 350 watches, and no more: the kernel
// enforces the limit we read.
TEST(TreeSizeWatchBudgetTest, InALoweredUserNamespaceTheRestStaysForOtherPrograms)
{
    if (qEnvironmentVariableIsSet(kInsideNamespace)) {
        QFile limit(QStringLiteral("/proc/sys/user/max_inotify_watches"));
        if (!limit.open(QIODevice::WriteOnly) || limit.write("400\n") != 4 || !limit.flush())
            GTEST_SKIP() << "the namespace's watch limit cannot be lowered here";
        limit.close();
        ASSERT_EQ(InotifyWatchBudget::shareOf(QStringLiteral("/proc")), 50);
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("cache"));
        ASSERT_TRUE(makeWideTree(root, 20, 20));
        InotifyWatchBudget budget(InotifyWatchBudget::shareOf(QStringLiteral("/proc")));
        TreeSizeCache cache({.threads = 1, .watchBudget = &budget});
        ASSERT_EQ(cache.totalSize(root, {}), 0);
        EXPECT_EQ(cache.watchCount(), 50);

        const int other = ::inotify_init1(IN_CLOEXEC);
        ASSERT_GE(other, 0);
        int added = 0;
        int refused = 0;
        for (int i = 0; i < 20 && !refused; ++i) {
            for (int j = -1; j < 20 && !refused; ++j) {
                const QByteArray path = QFile::encodeName(root) + '/' + QByteArray::number(i)
                                        + (j >= 0 ? '/' + QByteArray::number(j) : QByteArray());
                if (::inotify_add_watch(other, path.constData(), IN_CREATE) >= 0)
                    ++added;
                else
                    refused = errno;
            }
        }
        ::close(other);
        EXPECT_EQ(added, 350);
        EXPECT_EQ(refused, ENOSPC);
        return;
    }
    const QString unshare = QStringLiteral("/usr/bin/unshare");
    if (!QFile::exists(unshare))
        GTEST_SKIP() << "unshare(1) is not installed";
    QProcess inside;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(kInsideNamespace), QStringLiteral("1"));
    inside.setProcessEnvironment(environment);
    inside.setProcessChannelMode(QProcess::MergedChannels);
    inside.start(unshare, {QStringLiteral("--user"), QStringLiteral("--map-root-user"), QCoreApplication::applicationFilePath(),
                           QStringLiteral("--gtest_filter=TreeSizeWatchBudgetTest.InALoweredUserNamespaceTheRestStaysForOtherPrograms")});
    ASSERT_TRUE(inside.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(inside.readAll());
    if (inside.exitCode() != 0 && output.startsWith(QStringLiteral("unshare:")))
        GTEST_SKIP() << "no user namespace here: " << output.trimmed().toStdString();
    if (output.contains(QStringLiteral("[  SKIPPED ]")))
        GTEST_SKIP() << "the namespace's watch limit cannot be lowered here";
    EXPECT_EQ(inside.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(inside.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}
