#include "platform/TerminalEmulatorLauncher.h"

#include "fakes/FakeCommandRunner.h"
#include "platform/CommandRunner.h"
#include "support/ScratchTree.h"
#include "support/TaskRunner.h"

#include <gtest/gtest.h>

namespace {

void writeProgram(const ScratchTree& tree, const QString& relative, const QByteArray& body, bool executable = true)
{
    tree.write(relative, "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(tree.path(relative), executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                          : QFile::ReadOwner | QFile::WriteOwner);
}

TEST(TerminalEmulatorLauncherTest, StartsTheFirstPreferredTerminalOnThePath)
{
    ScratchTree tree;
    writeProgram(tree, QStringLiteral("a/x-terminal-emulator"), "", false); // not executable
    writeProgram(tree, QStringLiteral("a/konsole"), "");
    writeProgram(tree, QStringLiteral("b/gnome-terminal"), "");
    FakeCommandRunner runner;
    runner.scriptOutput(QStringLiteral("/usr/bin/env"), {});
    const QString path = QStringLiteral("relative:") + tree.path(QStringLiteral("none")) + QLatin1Char(':')
                         + tree.path(QStringLiteral("a")) + QLatin1Char(':') + tree.path(QStringLiteral("b"));

    // gnome-terminal comes before konsole whatever the folder order; the
    // lines go in the environment, the command line is always the same.
    EXPECT_TRUE(TerminalEmulatorLauncher(runner, path).open({QStringLiteral("hi"), QStringLiteral("there")}));
    ASSERT_EQ(runner.calls().size(), 1);
    const auto& call = runner.calls().first();
    EXPECT_TRUE(call.detached);
    EXPECT_EQ(call.program, QStringLiteral("/usr/bin/env"));
    EXPECT_EQ(call.arguments.mid(call.arguments.size() - 5),
              QStringList({tree.path(QStringLiteral("b/gnome-terminal")), QStringLiteral("--"),
                           QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                           QStringLiteral("printf '%s\\n' \"$KESTROVA_TERMINAL_TEXT\"; unset KESTROVA_TERMINAL_TEXT; "
                                          "exec \"${SHELL:-/bin/sh}\"")}));
    EXPECT_EQ(call.environment, QStringList{QStringLiteral("KESTROVA_TERMINAL_TEXT=hi\nthere")});

    runner.clearCalls();
    EXPECT_FALSE(TerminalEmulatorLauncher(runner, tree.path(QStringLiteral("none"))).open({QStringLiteral("hi")}));
    EXPECT_TRUE(runner.calls().isEmpty());
}

// The whole road with real processes: a stand-in xterm runs what it is given
// with SHELL=/bin/true, so the window's shell ends at once. Quotes, `$` and
// backquotes print as written.
TEST(TerminalEmulatorLauncherTest, TheTerminalPrintsTheAdvisoryLinesAsWrittenInTheUsersLocale)
{
    ScratchTree tree;
    writeProgram(tree, QStringLiteral("bin/xterm"),
                 "[ \"$1\" = -e ] || exit 1\nshift\n"
                 "{ echo \"LC_ALL=${LC_ALL-unset}\"; SHELL=/bin/true \"$@\"; } > \"$0.tmp\" 2>&1\n"
                 "mv \"$0.tmp\" \"$0.out\"");
    const QStringList lines{QStringLiteral("it's \"quoted\" | piped"), QString(), QStringLiteral("$HOME `id`")};

    TerminalEmulatorLauncher launcher(CommandRunner::system(), tree.path(QStringLiteral("bin")));
    ASSERT_TRUE(launcher.open(lines));
    QFile out(tree.path(QStringLiteral("bin/xterm.out")));
    ASSERT_TRUE(waitUntil([&] { return out.exists(); }));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QString locale = qEnvironmentVariableIsSet("LC_ALL") ? qEnvironmentVariable("LC_ALL") : QStringLiteral("unset");
    EXPECT_EQ(QString::fromUtf8(out.readAll()), QStringLiteral("LC_ALL=") + locale + QStringLiteral("\n") + lines[0]
                                                     + QStringLiteral("\n\n$HOME `id`\n"));
}

} // namespace
