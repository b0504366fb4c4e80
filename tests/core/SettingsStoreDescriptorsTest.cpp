#include "core/SettingsStore.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <vector>

// With no descriptor free at start the file cannot be looked at; it is not
// damaged for that: the first write reads it, keeps its values and moves
// nothing aside.
TEST(SettingsStoreDescriptors, AFileUnreadForLackOfDescriptorsIsReadBeforeTheFirstWrite)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own to check the store";
#endif
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kestrova.ini"));
    QFile seed(path);
    ASSERT_TRUE(seed.open(QIODevice::WriteOnly));
    seed.write("[General]\nappTheme=Nordic\nadvancedMode=true\n");
    seed.close();

    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    rlimit lowered = saved;
    lowered.rlim_cur = 256;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    std::vector<int> taken;
    const auto release = [&] {
        for (int fd : taken)
            ::close(fd);
        taken.clear();
        ::setrlimit(RLIMIT_NOFILE, &saved);
    };
    const auto guard = qScopeGuard(release);
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        taken.push_back(fd);
    ASSERT_EQ(errno, EMFILE);

    SettingsStore store(path);
    release();

    store.setCpuAlertThreshold(75);
    EXPECT_EQ(store.appTheme(), QStringLiteral("Nordic"));
    EXPECT_TRUE(store.advancedMode());
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".corrupt")));
    EXPECT_EQ(SettingsStore(path).appTheme(), QStringLiteral("Nordic"));
    EXPECT_EQ(SettingsStore(path).cpuAlertThreshold(), 75);
}
