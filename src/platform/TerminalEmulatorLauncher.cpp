#include "platform/TerminalEmulatorLauncher.h"

#include "platform/CommandRunner.h"
#include "platform/ToolPaths.h"

namespace {

struct Terminal {
    const char* name;
    const char* runFlag; // what comes before the program and its arguments
};

// Each takes the program and its arguments as separate words after its flag,
// so the command reaches sh unsplit.
constexpr Terminal kTerminals[] = {
    {"x-terminal-emulator", "-e"},
    {"gnome-terminal", "--"},
    {"konsole", "-e"},
    {"xfce4-terminal", "-x"},
    {"xterm", "-e"},
};

const QString kEnv = QStringLiteral("/usr/bin/env");

// The variable that carries the lines; unset before the user's shell starts
// so nothing run there inherits it.
constexpr char kLinesVariable[] = "KESTROVA_TERMINAL_TEXT";

} // namespace

TerminalEmulatorLauncher::TerminalEmulatorLauncher(CommandRunner& runner, QString searchPath)
    : m_runner(runner),
      // Relative entries are dropped: "." would start whatever lies in the
      // current folder under a terminal's name.
      m_folders(searchPath.isEmpty() ? ToolPaths::searchFolders() : ToolPaths::absoluteFolders(searchPath))
{
}

QString TerminalEmulatorLauncher::find(const QString& name) const
{
    return ToolPaths::locate(name, m_folders);
}

QStringList TerminalEmulatorLauncher::command() const
{
    for (const Terminal& terminal : kTerminals) {
        const QString path = find(QString::fromLatin1(terminal.name));
        if (path.isEmpty())
            continue;
        // The runner pins LC_ALL=C for tools whose output we parse; the
        // window is the user's and gets their locale back (gnome-terminal
        // refuses to start under a non-UTF-8 one).
        QStringList command{kEnv};
        if (qEnvironmentVariableIsSet("LC_ALL"))
            command << QStringLiteral("LC_ALL=") + qEnvironmentVariable("LC_ALL");
        else
            command << QStringLiteral("-u") << QStringLiteral("LC_ALL");
        const QString variable = QString::fromLatin1(kLinesVariable);
        command << path << QString::fromLatin1(terminal.runFlag) << ToolPaths::sh << QStringLiteral("-c")
                << QStringLiteral("printf '%s\\n' \"$") + variable + QStringLiteral("\"; unset ") + variable
                       + QStringLiteral("; exec \"${SHELL:-/bin/sh}\"");
        return command;
    }
    return {};
}

bool TerminalEmulatorLauncher::open(const QStringList& lines)
{
    QStringList arguments = command();
    if (arguments.isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    const QString text = lines.join(QLatin1Char('\n'));
    return m_runner.startDetached(program, arguments, {QString::fromLatin1(kLinesVariable) + QLatin1Char('=') + text});
}
