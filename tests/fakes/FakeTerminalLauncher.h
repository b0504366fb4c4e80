#pragma once

#include "platform/TerminalLauncher.h"

#include <QStringList>

// Records the lines it is asked to run.
class FakeTerminalLauncher final : public TerminalLauncher {
public:
    bool open(const QString& shellLine) override
    {
        lines.append(shellLine);
        return true;
    }

    QStringList lines;
};
