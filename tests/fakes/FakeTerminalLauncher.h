#pragma once

#include "platform/TerminalLauncher.h"

#include <QList>
#include <QStringList>

// Records the lines of every window it is asked to open; `opens` false
// plays a machine without a terminal.
class FakeTerminalLauncher final : public TerminalLauncher {
public:
    bool open(const QStringList& shown) override
    {
        lines.append(shown);
        return opens;
    }

    QList<QStringList> lines;
    bool opens = true;
};
