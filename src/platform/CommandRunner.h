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
    // Runs a program and blocks the caller until it ends or `timeout` runs
    // out (then it is killed and timedOut is set). Only for the last steps
    // at quit, when no event loop turns any more; all else awaits run().
    virtual CommandResult runBlocking(const QString& program, const QStringList& arguments,
                                      std::chrono::milliseconds timeout) = 0;

    QCoro::Task<CommandResult> runTool(const ToolCommand& command, std::chrono::milliseconds timeout)
    {
        return run(command.program, command.arguments, timeout);
    }
    bool startTool(const ToolCommand& command) { return startDetached(command.program, command.arguments, {}); }
    CommandResult runToolBlocking(const ToolCommand& command, std::chrono::milliseconds timeout)
    {
        return runBlocking(command.program, command.arguments, timeout);
    }

    static CommandRunner& system();
};
