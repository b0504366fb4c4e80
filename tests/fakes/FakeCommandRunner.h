#pragma once

#include "platform/CommandRunner.h"

#include <QHash>
#include <QList>

#include <functional>

// A scripted command runner: answers by program path, records every call.
// Programs with no script behave like a missing tool.
class FakeCommandRunner final : public CommandRunner {
public:
    struct Call {
        QString program;
        QStringList arguments;
        bool detached = false;
        QStringList environment; // added entries, for detached starts
    };
    using Script = std::function<CommandResult(const QStringList& arguments)>;

    void script(const QString& program, Script answer) { m_scripts.insert(program, std::move(answer)); }
    // Convenience: a program that exits 0 with this standard output.
    void scriptOutput(const QString& program, const QByteArray& output);

    QCoro::Task<CommandResult> run(QString program, QStringList arguments,
                                   std::chrono::milliseconds timeout) override;
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QStringList& environment) override;
    CommandResult runBlocking(const QString& program, const QStringList& arguments,
                              std::chrono::milliseconds timeout) override;

    const QList<Call>& calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }

private:
    QHash<QString, Script> m_scripts;
    QList<Call> m_calls;
};
