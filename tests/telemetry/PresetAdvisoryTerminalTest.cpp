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

#include <algorithm>
#include <memory>

#include <signal.h>

// The advisory through the real launcher, a stand-in terminal and real shells:
// the pause line it shows must not match the window it is shown in.
namespace {

const QString kWidestPattern = QStringLiteral(
    "ollama|llama|python|localai|postgres|mysql|redis-server|docker|colima|swiftc|clang|rustc|cargo|go|javac|node|bun");

// A stand-in named as the terminal the launcher tries first, in a folder put
// ahead of PATH. It records its arguments and environment, runs its -e
// command as a real terminal does (output to a file), and stays open: the
// window's shell is a script that records its own environment and sleeps.
class StandInTerminal {
public:
    StandInTerminal()
    {
        // The stand-in's own path is on its command line: keep it clear of the patterns.
        for (int tries = 0; tries < 20 && !m_dir; ++tries) {
            auto dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/advisory-XXXXXX"));
            if (dir->isValid() && !QRegularExpression(kWidestPattern).match(dir->path()).hasMatch())
                m_dir = std::move(dir);
        }
        if (!m_dir)
            return;
        write(QStringLiteral("x-terminal-emulator"),
              "dir=$(dirname \"$0\")\n"
              "echo $$ > \"$dir/terminal.pid\"\n"
              "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$dir/arguments\"\n"
              "env -0 > \"$dir/environment\"\n"
              "[ \"$1\" = -e ] || exit 1\n"
              "shift\n"
              "SHELL=\"$dir/shell\" \"$@\" > \"$dir/shown\" 2>&1\n");
        write(QStringLiteral("shell"), "env -0 > \"$0.environment\"\n"
                                       "echo $$ > \"$0.pid.tmp\" && mv \"$0.pid.tmp\" \"$0.pid\"\n"
                                       "exec sleep 60\n");
        m_path.set("PATH", QFile::encodeName(m_dir->path()) + ':' + qgetenv("PATH"));
    }
    ~StandInTerminal()
    {
        for (const char* name : {"terminal.pid", "shell.pid"})
            if (const pid_t pid = read(QString::fromLatin1(name)).trimmed().toInt(); pid > 1)
                ::kill(pid, SIGKILL);
    }

    bool ready() const { return bool(m_dir); }
    bool open() const
    {
        return waitUntil([&] { return QFile::exists(file(QStringLiteral("shell.pid"))); }, std::chrono::seconds(20));
    }
    qint64 pid(const QString& of) const { return read(of + QStringLiteral(".pid")).trimmed().toLongLong(); }
    QByteArrayList arguments() const { return split(read(QStringLiteral("arguments"))); }
    QByteArrayList environment(const QString& of) const { return split(read(of)); }
    QString shown() const { return QString::fromUtf8(read(QStringLiteral("shown"))); }

private:
    QString file(const QString& name) const { return m_dir->filePath(name); }
    QByteArray read(const QString& name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QByteArrayList split(QByteArray text)
    {
        text.chop(1); // the last entry's NUL
        return text.split('\0');
    }
    void write(const QString& name, const QByteArray& body) const
    {
        QFile f(file(name));
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\n" + body);
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    ScopedEnv m_path;
};

// The process ids `pgrep -f pattern` lists.
QList<qint64> pgrep(const QString& pattern)
{
    QProcess process;
    process.start(QStringLiteral("pgrep"), {QStringLiteral("-f"), pattern});
    process.waitForFinished(30000);
    QList<qint64> pids;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
        if (!line.isEmpty())
            pids.append(line.toLongLong());
    return pids;
}

QStringList advisory(const char* header, const QString& pauseHeading, const QString& pattern, const char* resume)
{
    const QString command = QStringLiteral("  pgrep -f \"") + pattern + QStringLiteral("\" | xargs kill -");
    return {QString::fromUtf8(header), QString(), pauseHeading, command + QStringLiteral("STOP"), QString(),
            QString::fromUtf8(resume), command + QStringLiteral("CONT")};
}

TEST(PresetAdvisoryTerminal, ThePauseLineMatchesNeitherTheTerminalNorItsShell)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pgrep")).isEmpty())
        GTEST_SKIP() << "no pgrep";
    const QString developer = QStringLiteral("ollama|llama|python|localai|postgres|mysql|redis-server|docker|colima");
    const QString creative = developer + QStringLiteral("|swiftc|clang|rustc");
    const struct {
        PerformancePreset preset;
        QStringList shown;
        QString pattern;
    } cases[] = {
        {PerformancePreset::compileMax,
         advisory("--- Kestrova Compile Max Developer Advisory ---",
                  QStringLiteral("PAUSE Docker, AI & Database Daemons to free CPU execution units:"), developer,
                  "RESUME when done:"),
         developer},
        {PerformancePreset::creativeMax,
         advisory("--- Kestrova Creative Max Advisor ---",
                  QStringLiteral("PAUSE backend compilers and Docker engines to free GPU/CPU execution units:"),
                  creative, "RESUME when done:"),
         creative},
        {PerformancePreset::gameMode,
         advisory("--- Kestrova Game Mode Advisor ---",
                  QStringLiteral("PAUSE dev tools, databases, and AI servers to maximize gaming FPS:"), kWidestPattern,
                  "RESUME when done:"),
         kWidestPattern},
        {PerformancePreset::ecoDev,
         advisory("--- Kestrova Eco Dev Advisory ---", QStringLiteral("PAUSE AI processes (ollama|llama|python):"),
                  QStringLiteral("ollama|llama|python"), "RESUME later:"),
         QStringLiteral("ollama|llama|python")},
    };
    // A process whose command line does hold the names: pgrep must list it.
    SleepChild matching(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("sleep 60; :"),
                                                    QStringLiteral("ollama-python-docker-go")});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern.toStdString());
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
        ASSERT_TRUE(terminal.open());

        EXPECT_EQ(terminal.shown(), c.shown.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        const QRegularExpression pattern(c.pattern);
        for (const QByteArray& argument : terminal.arguments())
            EXPECT_FALSE(pattern.match(QString::fromUtf8(argument)).hasMatch()) << argument.toStdString();
        // The lines reach the terminal in its environment; the shell the user types in does not keep them.
        const QByteArray carried = '=' + c.shown.join(QLatin1Char('\n')).toUtf8();
        const QByteArrayList environment = terminal.environment(QStringLiteral("environment"));
        EXPECT_TRUE(std::any_of(environment.begin(), environment.end(),
                                [&](const QByteArray& entry) { return entry.endsWith(carried); }));
        for (const QByteArray& entry : terminal.environment(QStringLiteral("shell.environment")))
            EXPECT_FALSE(entry.contains(c.shown.first().toUtf8())) << entry.toStdString();

        const QList<qint64> listed = pgrep(c.pattern);
        EXPECT_TRUE(listed.contains(matching.pid()));
        EXPECT_FALSE(listed.contains(terminal.pid(QStringLiteral("terminal"))));
        EXPECT_FALSE(listed.contains(terminal.pid(QStringLiteral("shell"))));
    }
}

} // namespace
