#include "telemetry/CompilerCheck.h"

#include "support/ScratchTree.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

bool runningIn(const char* tree, bool demo = false)
{
    return CompilerCheck(testDataPath(QStringLiteral("processes/") + QLatin1String(tree)), [demo] { return demo; })
        .isCompilerRunning();
}

} // namespace

TEST(CompilerCheckTest, NamesAreCaseInsensitiveSubstrings)
{
    for (const char* image : {"/usr/bin/x86_64-linux-gnu-gcc-12", "/usr/lib/llvm-14/bin/clangd", "/opt/SWIFTC",
                              "/home/dev/.cargo/bin/cargo", "rustc", "xcodebuild", "clang++"})
        EXPECT_TRUE(CompilerCheck::namesCompiler(image)) << image;
    for (const char* image : {"/usr/bin/cc1plus", "/usr/bin/make", "/usr/bin/g++", "clan", "", "/usr/bin/ld.gold"})
        EXPECT_FALSE(CompilerCheck::namesCompiler(image)) << image;
}

TEST(CompilerCheckTest, FixtureProcessTables)
{
    EXPECT_FALSE(runningIn("idle")) << "a process's own name does not count when its executable can be read";
    EXPECT_TRUE(runningIn("clangd")) << "a language server named clangd counts";
    EXPECT_TRUE(runningIn("cargo-by-argv")) << "another user's process: the first argument";
    EXPECT_TRUE(runningIn("rustc-by-name")) << "no executable and no command line: the short name";
    EXPECT_FALSE(runningIn("does-not-exist"));
}

TEST(CompilerCheckTest, DemoModeScansNothing)
{
    bool demo = true;
    int asked = 0;
    CompilerCheck check(testDataPath(QStringLiteral("processes/clangd")), [&] {
        ++asked;
        return demo;
    });
    EXPECT_FALSE(check.isCompilerRunning()) << "a clangd runs, but demo mode answers false";
    EXPECT_EQ(asked, 1);
    demo = false;
    EXPECT_TRUE(check.isCompilerRunning()) << "the flag is read on every call";
}

TEST(CompilerCheckTest, SeesARealProcessWeStarted)
{
    // A copy of sleep under a compiler's name stands in for a build.
    QTemporaryDir dir;
    const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
    ASSERT_FALSE(sleep.isEmpty());
    const QString fake = dir.filePath(QStringLiteral("rustc-probe"));
    ASSERT_TRUE(QFile::copy(sleep, fake));
    ASSERT_TRUE(QFile::setPermissions(fake, QFile::ReadOwner | QFile::ExeOwner));
    QProcess child;
    child.start(fake, {QStringLiteral("30")});
    ASSERT_TRUE(child.waitForStarted());
    EXPECT_TRUE(CompilerCheck(QStringLiteral("/proc"), [] { return false; }).isCompilerRunning());
    child.kill();
    child.waitForFinished();
}

TEST(CompilerCheckTest, ProcessesWithoutImageAreReadOnceUntilTheirPidIsReused)
{
    ScratchTree tree;
    tree.write(QStringLiteral("2/comm"), "kthreadd\n");
    tree.write(QStringLiteral("2/cmdline"), "");
    tree.write(QStringLiteral("77/cmdline"), QByteArray("/usr/bin/bash\0-l\0", 17));
    ProcessImageScanner scanner(tree.root());
    QStringList seen;
    auto record = [&seen](std::string_view image) {
        seen << QString::fromUtf8(image.data(), qsizetype(image.size()));
        return false;
    };
    EXPECT_FALSE(scanner.any(record));
    seen.sort();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("/usr/bin/bash"), QStringLiteral("kthreadd")}));
    EXPECT_EQ(scanner.rememberedWithoutImage(), 1u);

    seen.clear();
    EXPECT_FALSE(scanner.any(record));
    EXPECT_EQ(seen, QStringList{QStringLiteral("/usr/bin/bash")}) << "the kernel thread is not read again";

    // The pid is reused by a new process: a new /proc entry, read afresh.
    // (The old entry is moved aside, so its inode cannot be handed out again.)
    ASSERT_TRUE(QDir(tree.root()).rename(QStringLiteral("2"), QStringLiteral("old")));
    tree.write(QStringLiteral("2/comm"), "rustc\n");
    EXPECT_TRUE(scanner.any(&CompilerCheck::namesCompiler));

    tree.remove(QStringLiteral("2"));
    EXPECT_FALSE(scanner.any(record));
    EXPECT_EQ(scanner.rememberedWithoutImage(), 0u) << "gone processes are forgotten after a full walk";
}
