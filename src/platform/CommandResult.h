#pragma once

#include <QByteArray>
#include <QString>

// What one external command did. A tool that is not installed, or any
// other start failure, has started == false and errorString set.
struct CommandResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
    QString errorString;

    bool succeeded() const { return started && !timedOut && exitCode == 0; }
};
