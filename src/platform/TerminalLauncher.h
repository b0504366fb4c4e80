#pragma once

#include <QStringList>

// Opens a terminal window that shows some lines of text and then stays open
// with the user's shell.
class TerminalLauncher {
public:
    virtual ~TerminalLauncher() = default;

    // False when no terminal could be started.
    virtual bool open(const QStringList& lines) = 0;
};
