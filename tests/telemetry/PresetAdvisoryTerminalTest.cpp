#include "telemetry/PresetManager.h"

#include "fakes/FakePowerSource.h"
#include "fakes/FakeRunningApplications.h"
#include "fakes/FakeSleepInhibitor.h"
#include "platform/CommandRunner.h"
#include "platform/TerminalEmulatorLauncher.h"
#include "support/ScratchTree.h"
#include "support/ScopedEnv.h"
#include "support/SleepChild.h"
#include "support/TaskRunner.h"
#include "support/XvfbServer.h"
#include "QStringPrinter.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include <signal.h>

namespace {

const QString kDeveloperNames = QStringLiteral("ollama|llama|python|localai|postgres|mysql|redis-server|docker|colima");

// What an advisory prints under its heading: the pause and resume commands.
QString advisoryLines(const char* heading, const QString& names)
{
    const QString command = QStringLiteral("  pgrep -f \"") + names + QStringLiteral("\" | xargs kill -");
    return QString::fromUtf8(heading) + command + QStringLiteral("STOP\n\nRESUME when done:\n") + command
           + QStringLiteral("CONT");
}

// The advisory through the real launcher, a stand-in terminal and real shells:
// the pause line it shows must not match the window it is shown in.
TEST(PresetAdvisoryTerminal, ThePauseLineMatchesNeitherTheTerminalNorItsShell)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pgrep")).isEmpty())
        GTEST_SKIP() << "no pgrep";
    const QString developer = kDeveloperNames;
    const QString creative = developer + QStringLiteral("|swiftc|clang|rustc");
    const std::tuple<PerformancePreset, const char*, QString> cases[] = {
        {PerformancePreset::compileMax, "--- Kestrova Compile Max Developer Advisory ---\n\n"
                                        "PAUSE Docker, AI & Database Daemons to free CPU execution units:\n", developer},
        {PerformancePreset::creativeMax, "--- Kestrova Creative Max Advisor ---\n\n"
                                         "PAUSE backend compilers and Docker engines to free GPU/CPU execution units:\n",
         creative},
        {PerformancePreset::gameMode, "--- Kestrova Game Mode Advisor ---\n\n"
                                      "PAUSE dev tools, databases, and AI servers to maximize gaming FPS:\n",
         creative + QStringLiteral("|cargo|go|javac|node|bun")},
    };
    // A process whose command line does hold the names: pgrep must list it.
    SleepChild matching(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("sleep 60; :"),
                                                    QStringLiteral("ollama-python-docker-go")});

    for (const auto& [preset, heading, names] : cases) {
        SCOPED_TRACE(heading);
        const QRegularExpression pattern(names);
        std::optional<ScratchTree> tree; // its path is on the stand-in's command line: keep it clear of the pattern
        for (int tries = 0; tries < 20 && (!tree || pattern.match(tree->root()).hasMatch()); ++tries)
            tree.emplace();
        if (pattern.match(tree->root()).hasMatch())
            GTEST_SKIP() << "every temp folder name matched the pattern";
        // The first terminal the launcher tries. It records its pid, arguments and environment, runs its -e
        // command with `env` as the user's shell (so "shown" ends with what that shell inherits) and stays open.
        tree->write(QStringLiteral("bin/x-terminal-emulator"),
                    "#!/bin/bash\nd=$(dirname \"$0\"); printf %s $$ > \"$d/pid\"; env -0 > \"$d/environment\"\n"
                    "printf '%s\\n' \"$@\" > \"$d/arguments\"; [ \"$1\" = -e ] && shift\n"
                    "SHELL=/usr/bin/env \"$@\" > \"$d/out\" 2>&1; mv \"$d/out\" \"$d/shown\"\n"
                    "mkfifo \"$d/hold\" && read -r -t 60 held <> \"$d/hold\"\n");
        QFile::setPermissions(tree->path(QStringLiteral("bin/x-terminal-emulator")), QFile::ReadOwner | QFile::ExeOwner);
        const auto read = [&](const char* name) {
            QFile file(tree->path(QStringLiteral("bin/") + QString::fromLatin1(name)));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        TerminalEmulatorLauncher launcher(CommandRunner::system(), tree->path(QStringLiteral("bin")));
        FakeSleepInhibitor inhibitor;
        FakePowerSource power;
        FakeRunningApplications applications;
        PresetManager manager{{&inhibitor, &launcher, &power, &applications}};
        ASSERT_TRUE(runTask(manager.applyPreset(preset)));
        ASSERT_TRUE(waitUntil([&] { return !read("shown").isEmpty(); }, std::chrono::seconds(20)));

        const QString command = QStringLiteral("  pgrep -f \"") + names + QStringLiteral("\" | xargs kill -");
        const QString lines = advisoryLines(heading, names);
        // Shown exactly, carried in the terminal's environment, and not left in its shell's.
        const QString shown = QString::fromUtf8(read("shown"));
        EXPECT_EQ(shown.left(lines.size() + 1), lines + QLatin1Char('\n'));
        EXPECT_EQ(shown.count(command + QStringLiteral("STOP")), 1) << shown.toStdString();
        EXPECT_TRUE(read("environment").contains('=' + lines.toUtf8() + '\0'));
        const QString arguments = QString::fromUtf8(read("arguments"));
        EXPECT_FALSE(pattern.match(arguments).hasMatch()) << arguments.toStdString();

        QProcess pgrep;
        pgrep.start(QStringLiteral("pgrep"), {QStringLiteral("-f"), names});
        pgrep.waitForFinished(30000);
        const QByteArrayList listed = pgrep.readAllStandardOutput().split('\n');
        EXPECT_TRUE(listed.contains(QByteArray::number(matching.pid())));
        EXPECT_FALSE(listed.contains(read("pid")));
        if (const int pid = read("pid").toInt(); pid > 1)
            ::kill(pid, SIGKILL);
    }
}

// The same advisory in Debian's own xterm on an Xvfb of ours. xterm logs what
// its window shows (turned on by resources, its arguments stay the launcher's).
// xterm only passes on a SHELL listed in /etc/shells, so the user's shell is
// /bin/sh, whose startup file ($ENV) notes its pid, xterm's and a sleep's.
TEST(PresetAdvisoryTerminal, DebiansXtermShowsTheLinesAndNeitherItNorItsShellMatchesThem)
{
    const XvfbServer server;
    if (!QFileInfo(QStringLiteral("/usr/bin/xterm")).isExecutable() || server.display().isEmpty())
        GTEST_SKIP() << "needs xterm and Xvfb";
    ScratchTree tree; // its path is on xterm's command line
    const QRegularExpression pattern(kDeveloperNames);
    if (pattern.match(tree.root()).hasMatch())
        GTEST_SKIP() << "the temp folder name matches the pattern";
    tree.mkdir(QStringLiteral("bin")); // holds only xterm: x-terminal-emulator would come first
    ASSERT_TRUE(QFile::link(QStringLiteral("/usr/bin/xterm"), tree.path(QStringLiteral("bin/xterm"))));
    tree.write(QStringLiteral("resources"), "XTerm*logging: true\nXTerm*logFile: " + tree.path("log").toUtf8() + "\n");
    const QByteArray pidsFile = tree.path(QStringLiteral("pids")).toUtf8();
    tree.write(QStringLiteral("shellrc"), "sleep 30 & echo $$ $PPID $! > " + pidsFile + ".tmp; mv " + pidsFile + ".tmp "
                                              + pidsFile + "; wait; exit\n");
    ScopedEnv env("DISPLAY", server.display().toUtf8());
    env.set("XENVIRONMENT", tree.path(QStringLiteral("resources")).toUtf8());
    env.set("SHELL", "/bin/sh");
    env.set("ENV", tree.path(QStringLiteral("shellrc")).toUtf8());

    TerminalEmulatorLauncher launcher(CommandRunner::system(), tree.path(QStringLiteral("bin")));
    FakeSleepInhibitor inhibitor;
    FakePowerSource power;
    FakeRunningApplications applications;
    PresetManager manager{{&inhibitor, &launcher, &power, &applications}};
    ASSERT_TRUE(runTask(manager.applyPreset(PerformancePreset::compileMax)));
    const auto read = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    ASSERT_TRUE(waitUntil([&] { return !read(pidsFile).isEmpty(); }, std::chrono::seconds(30)));
    const QByteArrayList pids = read(pidsFile).trimmed().split(' '); // shell, xterm, sleep
    ASSERT_EQ(pids.size(), 3);
    const auto proc = [&](int i, const char* name) { return "/proc/" + pids[i] + '/' + name; };
    EXPECT_EQ(QFileInfo(proc(1, "exe")).symLinkTarget(), QStringLiteral("/usr/bin/xterm"));

    const QByteArray lines = advisoryLines("--- Kestrova Compile Max Developer Advisory ---\n\n"
                                           "PAUSE Docker, AI & Database Daemons to free CPU execution units:\n",
                                           kDeveloperNames).toUtf8() + '\n';
    const auto logged = [&] { return read(tree.path(QStringLiteral("log"))).replace("\r\n", "\n"); };
    EXPECT_TRUE(waitUntil([&] { return logged() == lines; }, std::chrono::seconds(30))) << logged().toStdString();
    for (const int i : {0, 1}) { // what `pgrep -f` matches: the command line, its NULs read as spaces
        const QString commandLine = QString::fromUtf8(read(proc(i, "cmdline")).replace('\0', ' '));
        EXPECT_FALSE(commandLine.isEmpty() || pattern.match(commandLine).hasMatch()) << commandLine.toStdString();
    }
    EXPECT_TRUE(read(proc(1, "environ")).contains("KESTROVA_TERMINAL_TEXT="));
    EXPECT_FALSE(read(proc(0, "environ")).contains("KESTROVA_TERMINAL_TEXT"));
    for (const QByteArray& pid : pids)
        ::kill(pid.toInt(), SIGKILL);
}

} // namespace
