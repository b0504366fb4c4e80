#pragma once

#include "platform/CommandResult.h"
#include "platform/ToolCommand.h"

#include <QCoroTask>
#include <QStringList>

#include <chrono>

// Runs external tools: an absolute path and an argument list, never a shell,
// with LC_ALL=C, standard output read to the end and a time-out after which
// the child is killed. Runs asynchronously: the caller co_awaits the result
// while the event loop keeps turning.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;

    virtual QCoro::Task<CommandResult> run(QString program, QStringList arguments,
                                           std::chrono::milliseconds timeout) = 0;
    // Starts a program without waiting for it, with `environment` entries
    // ("NAME=value") added to what it inherits. Returns false when it could
    // not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments,
                               const QStringList& environment) = 0;

    QCoro::Task<CommandResult> runTool(const ToolCommand& command, std::chrono::milliseconds timeout)
    {
        return run(command.program, command.arguments, timeout);
    }
    bool startTool(const ToolCommand& command) { return startDetached(command.program, command.arguments, {}); }

    static CommandRunner& system();
};
