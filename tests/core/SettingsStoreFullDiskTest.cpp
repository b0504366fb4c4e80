#include "core/SettingsStore.h"

#include "support/FullTmpfs.h"
#include "support/ImmutableFile.h"
#include "support/OwnPidNamespace.h"
#include "support/PrintCapture.h"
#include "support/ScopedEnv.h"
#include "support/UsersSettingsFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

// Writes of every kind (at once, held back, a removal) that cannot reach the file stay for this run, said once.
void expectKeptForThisRunOnly(const QString& path, const std::function<void()>& onceOpen = [] {})
{
    PrintCapture printed;
    {
        SettingsStore store(path);
        onceOpen();
        store.setAppTheme(QStringLiteral("Cyberpunk"));
        store.setBaselineTemp(40.0);
        store.flush();
        store.setAdvancedMode(true);
        store.remove(QLatin1String(SettingsStore::kCpuAlertThreshold));
        EXPECT_EQ(store.appTheme(), QStringLiteral("Cyberpunk"));
        EXPECT_DOUBLE_EQ(store.cpuAlertThreshold(), 90.0);
        EXPECT_TRUE(store.contains(QStringLiteral("Mine/note")));
        EXPECT_EQ(UsersSettingsFile::read(path), UsersSettingsFile::kBytes);
    }
    EXPECT_EQ(UsersSettingsFile::read(path), UsersSettingsFile::kBytes);
    EXPECT_EQ(printed.lines().size(), 1) << printed.lines().join(u'\n').toStdString();
    EXPECT_TRUE(printed.lines().value(0).contains(QStringLiteral("changes are kept for this run only")));
    EXPECT_EQ(QFileInfo(path).dir().entryList({QStringLiteral("Kestrova.ini*")}, QDir::Files).size(), 1) << "no leftovers";
}

} // namespace

// The folder of the file, or the runtime folder that holds the private copy, full before the store opens or after.
TEST(SettingsStoreFullDisk, TheFileKeepsEveryByteAndOneLineSaysSo)
{
    if (!OwnPidNamespace::inside()) {
        OwnPidNamespace::runCurrentTestAndReport();
        return;
    }
    for (int run = 0; run < 4; ++run) {
        const bool fullRuntime = run & 1, fullAtOpen = run & 2;
        SCOPED_TRACE(testing::Message() << "full runtime " << fullRuntime << ", full at open " << fullAtOpen);
        QTemporaryDir scratch;
        const QString full = scratch.filePath(QStringLiteral("full")), other = scratch.filePath(QStringLiteral("other"));
        ASSERT_TRUE(QDir().mkpath(full) && QDir().mkpath(other));
        const FullTmpfs disk(full);
        if (!disk.reason().isEmpty())
            GTEST_SKIP() << disk.reason().toStdString();
        const QString path = (fullRuntime ? other : full) + QStringLiteral("/Kestrova.ini");
        const ScopedEnv runtime("XDG_RUNTIME_DIR", QFile::encodeName(fullRuntime ? full : other));
        ASSERT_TRUE(UsersSettingsFile::writeTo(path) && (!fullAtOpen || disk.fill()));
        expectKeptForThisRunOnly(path, [&] { ASSERT_TRUE(fullAtOpen || disk.fill()); });
    }
}

// A file made read-only (for root, which ignores modes, also immutable) is left as it is.
TEST(SettingsStoreReadOnlyFile, ChangesAreKeptForThisRunAndSaidOnce)
{
    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("Kestrova.ini"));
    ASSERT_TRUE(UsersSettingsFile::writeTo(path));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    std::optional<ImmutableFile> pinned;
    if (::geteuid() == 0 && !pinned.emplace(AT_FDCWD, QFile::encodeName(path).constData()).usable())
        GTEST_SKIP() << "root ignores the mode and the immutable flag cannot be set here";
    expectKeptForThisRunOnly(path);
}
