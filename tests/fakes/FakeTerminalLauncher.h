#pragma once

#include "platform/TerminalLauncher.h"

#include <QStringList>

// Records the lines it is asked to run; `opens` false plays a machine
// without a terminal.
class FakeTerminalLauncher final : public TerminalLauncher {
public:
    bool open(const QString& shellLine) override
    {
        lines.append(shellLine);
        return opens;
    }

    QStringList lines;
    bool opens = true;
};
