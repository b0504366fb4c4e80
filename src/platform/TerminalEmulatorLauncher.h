#pragma once

#include "platform/TerminalLauncher.h"

#include <QStringList>

class CommandRunner;

// TerminalLauncher over the first terminal emulator found in the PATH
// folders: x-terminal-emulator, then gnome-terminal, konsole,
// xfce4-terminal and xterm. The window runs a fixed sh script that prints
// the lines and then execs the user's shell, so it stays open. The lines
// travel in the environment, never on a command line: a `pgrep -f` line
// shown there must not match the terminal or its shell. The terminal is
// started detached; none found means nothing is started.
class TerminalEmulatorLauncher final : public TerminalLauncher {
public:
    explicit TerminalEmulatorLauncher(CommandRunner& runner,
                                      QString searchPath = qEnvironmentVariable("PATH"));

    bool open(const QStringList& lines) override;

private:
    // The program and arguments to start, or an empty list when no terminal
    // is installed.
    QStringList command() const;
    QString find(const QString& name) const;

    CommandRunner& m_runner;
    QStringList m_folders;
};
