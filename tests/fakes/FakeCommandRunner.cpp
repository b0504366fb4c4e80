#include "fakes/FakeCommandRunner.h"

void FakeCommandRunner::scriptOutput(const QString& program, const QByteArray& output)
{
    script(program, [output](const QStringList&) {
        CommandResult result;
        result.started = true;
        result.exitCode = 0;
        result.standardOutput = output;
        return result;
    });
}

QCoro::Task<CommandResult> FakeCommandRunner::run(QString program, QStringList arguments,
                                                  std::chrono::milliseconds timeout)
{
    co_return runBlocking(program, arguments, timeout);
}

CommandResult FakeCommandRunner::runBlocking(const QString& program, const QStringList& arguments,
                                             std::chrono::milliseconds)
{
    m_calls.append({program, arguments, false});
    const auto it = m_scripts.constFind(program);
    if (it == m_scripts.constEnd()) {
        CommandResult missing;
        missing.errorString = QStringLiteral("no such file: %1").arg(program);
        return missing;
    }
    return (*it)(arguments);
}

bool FakeCommandRunner::startDetached(const QString& program, const QStringList& arguments,
                                      const QStringList& environment)
{
    m_calls.append({program, arguments, true, environment});
    return m_scripts.contains(program);
}
