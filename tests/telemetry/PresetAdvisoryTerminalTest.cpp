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
// pid, arguments and environment, runs its -e command with the output to
// "shown", and stays open: the window's shell records its own and sleeps.
class StandInTerminal {
public:
    StandInTerminal()
    {
        // Its own path is on its command line: keep it clear of the patterns.
        for (int tries = 0; tries < 20 && !m_ready; ++tries) {
            m_dir.emplace(QDir::tempPath() + QStringLiteral("/advisory-XXXXXX"));
            m_ready = m_dir->isValid() && !QRegularExpression(kWidest).match(m_dir->path()).hasMatch();
        }
        const auto script = [&](const char* name, const QByteArray& body) {
            QFile f(m_dir->filePath(QString::fromLatin1(name)));
            m_ready = m_ready && f.open(QIODevice::WriteOnly) && f.write("#!/bin/sh\n" + body) > 0
                      && f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        };
        script("x-terminal-emulator", "d=$(dirname \"$0\"); echo $$ > \"$d/terminal.pid\"; env -0 > \"$d/environment\"\n"
                                      "printf '%s\\n' \"$@\" > \"$d/arguments\"\n"
                                      "[ \"$1\" = -e ] && shift && SHELL=\"$d/shell\" \"$@\" > \"$d/shown\" 2>&1\n");
        script("shell", "env -0 > \"$0.environment\"; echo $$ > \"$0.tmp\" && mv \"$0.tmp\" \"$0.pid\"; exec sleep 60\n");
        if (m_ready)
            m_path.set("PATH", QFile::encodeName(m_dir->path()) + ':' + qgetenv("PATH"));
    }
    ~StandInTerminal()
    {
        for (const char* pids : {"terminal.pid", "shell.pid"})
            if (const int pid = read(pids).trimmed().toInt(); pid > 1)
                ::kill(pid, SIGKILL);
    }

    bool ready() const { return m_ready; }
    QByteArray read(const char* name) const
    {
        QFile f(m_ready ? m_dir->filePath(QString::fromLatin1(name)) : QString());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    std::optional<QTemporaryDir> m_dir;
    bool m_ready = false;
    ScopedEnv m_path;
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
        {PerformancePreset::ecoDev, "--- Kestrova Eco Dev Advisory ---", "PAUSE AI processes (ollama|llama|python):",
         QStringLiteral("ollama|llama|python"), "RESUME later:"},
    };
    // A process whose command line does hold the names: pgrep must list it.
    SleepChild matching(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("sleep 60; :"),
                                                    QStringLiteral("ollama-python-docker-go")});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        StandInTerminal terminal;
        if (!terminal.ready())
            GTEST_SKIP() << "every temp folder name matched the pattern";
        FakeSleepInhibitor inhibitor;
        TerminalEmulatorLauncher launcher(CommandRunner::system());
        FakePowerSource power;
        FakeRunningApplications applications;
        applications.running = {QStringLiteral("Ollama"), QStringLiteral("Python")};
        PresetManager manager{{&inhibitor, &launcher, &power, &applications}};
        ASSERT_TRUE(runTask(manager.applyPreset(c.preset)));
        ASSERT_TRUE(waitUntil([&] { return !terminal.read("shell.pid").isEmpty(); }, std::chrono::seconds(20)));

        const QString command = QStringLiteral("  pgrep -f \"") + c.pattern + QStringLiteral("\" | xargs kill -");
        const QString shown = QStringList{QString::fromUtf8(c.header), QString(), QString::fromUtf8(c.pause),
                                          command + QStringLiteral("STOP"), QString(), QString::fromUtf8(c.resume),
                                          command + QStringLiteral("CONT")}
                                  .join(QLatin1Char('\n'));
        EXPECT_EQ(QString::fromUtf8(terminal.read("shown")), shown + QLatin1Char('\n'));
        // The lines reach the terminal in its environment; the shell the user types in does not keep them.
        EXPECT_TRUE(terminal.read("environment").contains('=' + shown.toUtf8() + '\0'));
        EXPECT_FALSE(terminal.read("shell.environment").contains(c.header));
        const QString arguments = QString::fromUtf8(terminal.read("arguments"));
        EXPECT_FALSE(QRegularExpression(c.pattern).match(arguments).hasMatch()) << arguments.toStdString();

        const QByteArrayList listed = pgrep(c.pattern);
        EXPECT_TRUE(listed.contains(QByteArray::number(matching.pid())));
        for (const char* pids : {"terminal.pid", "shell.pid"})
            EXPECT_FALSE(listed.contains(terminal.read(pids).trimmed())) << pids;
    }
}

} // namespace
