#pragma once

#include "platform/TerminalLauncher.h"

#include <QStringList>

class CommandRunner;

// TerminalLauncher over the first terminal emulator found in the PATH
// folders: x-terminal-emulator, then gnome-terminal, konsole,
// xfce4-terminal and xterm. The window runs
//   sh -c '<line>; exec "${SHELL:-/bin/sh}"'
// so it stays open with the user's shell once the line has run. The
// terminal is started detached; none found means nothing is started.
class TerminalEmulatorLauncher final : public TerminalLauncher {
public:
    explicit TerminalEmulatorLauncher(CommandRunner& runner,
                                      QString searchPath = qEnvironmentVariable("PATH"));

    bool open(const QString& shellLine) override;

private:
    // The program and arguments to start for this line, or an empty list
    // when no terminal is installed.
    QStringList commandFor(const QString& shellLine) const;
    QString find(const QString& name) const;

    CommandRunner& m_runner;
    QStringList m_folders;
};
