#include "telemetry/PresetManager.h"

#include "fakes/FakePowerSource.h"
#include "fakes/FakeRunningApplications.h"
#include "fakes/FakeSleepInhibitor.h"
#include "platform/CommandRunner.h"
#include "platform/TerminalEmulatorLauncher.h"
#include "support/ScopedEnv.h"
#include "support/SleepChild.h"
#include "support/TaskRunner.h"
#include "QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include <signal.h>

// The advisory through the real launcher, a stand-in terminal and real shells:
// the pause line it shows must not match the window it is shown in.
namespace {

const QString kDeveloper = QStringLiteral("ollama|llama|python|localai|postgres|mysql|redis-server|docker|colima");
const QString kCreative = kDeveloper + QStringLiteral("|swiftc|clang|rustc");
const QString kWidest = kCreative + QStringLiteral("|cargo|go|javac|node|bun");

// A stand-in x-terminal-emulator in a folder put ahead of PATH. It records its
// pid, arguments and environment, runs its -e command with `env` as the user's
// shell, so "shown" ends with what that shell inherits, and stays open.
struct StandInTerminal {
    std::optional<QTemporaryDir> dir;
    bool ready = false;
    ScopedEnv path;

    StandInTerminal()
    {
        // Its own path is on its command line: keep it clear of the patterns.
        for (int tries = 0; tries < 20 && !ready; ++tries) {
            dir.emplace(QDir::tempPath() + QStringLiteral("/advisory-XXXXXX"));
            ready = dir->isValid() && !QRegularExpression(kWidest).match(dir->path()).hasMatch();
        }
        QFile script(dir->filePath(QStringLiteral("x-terminal-emulator")));
        ready = ready && script.open(QIODevice::WriteOnly)
                && script.write("#!/bin/sh\nd=$(dirname \"$0\"); printf %s $$ > \"$d/pid\"; env -0 > \"$d/environment\"\n"
                                "printf '%s\\n' \"$@\" > \"$d/arguments\"; mkfifo \"$d/hold\"\n"
                                "[ \"$1\" = -e ] && shift && SHELL=/usr/bin/env \"$@\" > \"$d/out\" 2>&1\n"
                                "mv \"$d/out\" \"$d/shown\"; read -r held < \"$d/hold\"\n")
                       > 0
                && script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (ready)
            path.set("PATH", QFile::encodeName(dir->path()) + ':' + qgetenv("PATH"));
    }
    ~StandInTerminal()
    {
        if (const int pid = read("pid").toInt(); pid > 1)
            ::kill(pid, SIGKILL);
    }
    QByteArray read(const char* name) const
    {
        QFile f(ready ? dir->filePath(QString::fromLatin1(name)) : QString());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// The process ids `pgrep -f pattern` lists, one an entry.
QByteArrayList pgrep(const QString& pattern)
{
    QProcess process;
    process.start(QStringLiteral("pgrep"), {QStringLiteral("-f"), pattern});
    process.waitForFinished(30000);
    return process.readAllStandardOutput().split('\n');
}

TEST(PresetAdvisoryTerminal, ThePauseLineMatchesNeitherTheTerminalNorItsShell)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pgrep")).isEmpty())
        GTEST_SKIP() << "no pgrep";
    const struct {
        PerformancePreset preset;
        const char *header, *pause;
        QString pattern;
        const char* resume;
    } cases[] = {
        {PerformancePreset::compileMax, "--- Kestrova Compile Max Developer Advisory ---",
         "PAUSE Docker, AI & Database Daemons to free CPU execution units:", kDeveloper, "RESUME when done:"},
        {PerformancePreset::creativeMax, "--- Kestrova Creative Max Advisor ---",
         "PAUSE backend compilers and Docker engines to free GPU/CPU execution units:", kCreative, "RESUME when done:"},
        {PerformancePreset::gameMode, "--- Kestrova Game Mode Advisor ---",
         "PAUSE dev tools, databases, and AI servers to maximize gaming FPS:", kWidest, "RESUME when done:"},
    };
    // A process whose command line does hold the names: pgrep must list it.
    SleepChild matching(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("sleep 60; :"),
                                                    QStringLiteral("ollama-python-docker-go")});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        StandInTerminal terminal;
        if (!terminal.ready)
            GTEST_SKIP() << "every temp folder name matched the pattern";
        FakeSleepInhibitor inhibitor;
        TerminalEmulatorLauncher launcher(CommandRunner::system());
        FakePowerSource power;
        FakeRunningApplications applications;
        applications.running = {QStringLiteral("Ollama"), QStringLiteral("Python")};
        PresetManager manager{{&inhibitor, &launcher, &power, &applications}};
        ASSERT_TRUE(runTask(manager.applyPreset(c.preset)));
        ASSERT_TRUE(waitUntil([&] { return !terminal.read("shown").isEmpty(); }, std::chrono::seconds(20)));

        const QString command = QStringLiteral("  pgrep -f \"") + c.pattern + QStringLiteral("\" | xargs kill -");
        const QString lines = QStringList{QString::fromUtf8(c.header), QString(), QString::fromUtf8(c.pause),
                                          command + QStringLiteral("STOP"), QString(), QString::fromUtf8(c.resume),
                                          command + QStringLiteral("CONT")}
                                  .join(QLatin1Char('\n'));
        // Shown exactly, carried in the terminal's environment, and not left in its shell's.
        const QString shown = QString::fromUtf8(terminal.read("shown"));
        EXPECT_EQ(shown.left(lines.size() + 1), lines + QLatin1Char('\n'));
        EXPECT_EQ(shown.count(QString::fromUtf8(c.header)), 1) << shown.toStdString();
        EXPECT_TRUE(terminal.read("environment").contains('=' + lines.toUtf8() + '\0'));
        const QString arguments = QString::fromUtf8(terminal.read("arguments"));
        EXPECT_FALSE(QRegularExpression(c.pattern).match(arguments).hasMatch()) << arguments.toStdString();

        const QByteArrayList listed = pgrep(c.pattern);
        EXPECT_TRUE(listed.contains(QByteArray::number(matching.pid())));
        EXPECT_FALSE(listed.contains(terminal.read("pid")));
    }
}

} // namespace
