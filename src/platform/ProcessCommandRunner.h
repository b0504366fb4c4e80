#pragma once

#include "platform/CommandRunner.h"

// The real command runner over QProcess.
class ProcessCommandRunner final : public CommandRunner {
public:
    QCoro::Task<CommandResult> run(QString program, QStringList arguments,
                                   std::chrono::milliseconds timeout) override;
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QStringList& environment) override;
    CommandResult runBlocking(const QString& program, const QStringList& arguments,
                              std::chrono::milliseconds timeout) override;
};
