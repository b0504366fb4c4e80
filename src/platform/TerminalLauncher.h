#pragma once

#include <QString>

// Opens a terminal window that runs one shell command line and then stays
// open with the user's shell.
class TerminalLauncher {
public:
    virtual ~TerminalLauncher() = default;

    // False when no terminal could be started.
    virtual bool open(const QString& shellLine) = 0;
};
