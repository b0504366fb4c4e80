#include "platform/ProcessCommandRunner.h"

#include "core/PendingWaits.h"
#include "platform/DescriptorBudget.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

// How long a killed child may take to be reaped before we stop waiting.
constexpr std::chrono::milliseconds killGrace{1000};

QProcessEnvironment childEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    return env;
}

// Only absolute paths to existing executables are started; anything else is
// reported as a start failure, the way a missing tool is. A bare name is a
// tool that was looked for and not found.
QString refusalFor(const QString& program)
{
    if (!program.isEmpty() && !program.contains(QLatin1Char('/')))
        return QStringLiteral("not installed: %1").arg(program);
    if (!QDir::isAbsolutePath(program))
        return QStringLiteral("not an absolute path: %1").arg(program);
    const QFileInfo info(program);
    if (!info.exists())
        return QStringLiteral("no such file: %1").arg(program);
    if (!info.isExecutable() || info.isDir())
        return QStringLiteral("not executable: %1").arg(program);
    return {};
}

// Waits for children to start and to end. Once the application object goes
// no signal comes any more: the waits still open are abandoned, so their
// callers unwind (and the child is killed with its QProcess) instead of
// staying suspended.
PendingWaits& childWaits()
{
    static PendingWaits waits;
    static const bool registered = [] {
        qAddPostRoutine([] { childWaits().abandonAll(); });
        return true;
    }();
    Q_UNUSED(registered);
    return waits;
}

// Starts the child; true when it is running within the time.
QCoro::Task<bool> startChild(QProcess& process, std::chrono::milliseconds timeout)
{
    process.start(QIODevice::ReadOnly);
    if (process.state() != QProcess::Starting)
        co_return process.state() == QProcess::Running;
    const PendingWaits::Wait wait = childWaits().open();
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [wait] { wait.finish(); });
    const QMetaObject::Connection started = QObject::connect(&process, &QProcess::started, [wait] { wait.finish(); });
    // QProcess goes on cleaning up after it reports a failed start, so the
    // caller (who may delete it) resumes from the event loop, not from there.
    const QMetaObject::Connection failed = QObject::connect(
        &process, &QProcess::errorOccurred, &timer, [wait] { wait.finish(); }, Qt::QueuedConnection);
    timer.start(timeout);
    co_await wait;
    QObject::disconnect(started);
    QObject::disconnect(failed);
    co_return process.state() == QProcess::Running;
}

// True when the process ended within the time.
QCoro::Task<bool> waitForExit(QProcess& process, std::chrono::milliseconds timeout)
{
    if (process.state() == QProcess::NotRunning)
        co_return true;
    const PendingWaits::Wait wait = childWaits().open();
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [wait] { wait.finish(); });
    const QMetaObject::Connection ended = QObject::connect(&process, &QProcess::finished, [wait] { wait.finish(); });
    timer.start(timeout);
    co_await wait;
    QObject::disconnect(ended);
    co_return process.state() == QProcess::NotRunning;
}

// Ends the child of a run that unwinds before it has ended (its wait was
// abandoned at quit): killed and reaped here, since a QProcess destroyed
// while running warns on the way out. One stuck in the kernel past SIGKILL
// is left to delete itself when it ends.
class ChildEnd {
public:
    explicit ChildEnd(std::unique_ptr<QProcess>& process) : m_process(process) {}
    ChildEnd(const ChildEnd&) = delete;
    ChildEnd& operator=(const ChildEnd&) = delete;
    ~ChildEnd()
    {
        if (!m_process || m_process->state() == QProcess::NotRunning)
            return;
        m_process->kill();
        if (m_process->waitForFinished(int(killGrace.count())))
            return;
        QProcess* straggler = m_process.release();
        QObject::connect(straggler, &QProcess::finished, straggler, &QObject::deleteLater);
    }

private:
    std::unique_ptr<QProcess>& m_process;
};

} // namespace

QCoro::Task<CommandResult> ProcessCommandRunner::run(QString program, QStringList arguments,
                                                     std::chrono::milliseconds timeout)
{
    CommandResult result;
    if (const QString refusal = refusalFor(program); !refusal.isEmpty()) {
        result.errorString = refusal;
        co_return result;
    }

    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(childEnvironment());
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setChildProcessModifier(&DescriptorBudget::restoreInheritedSoftLimit);
    const ChildEnd end(process);

    if (!co_await startChild(*process, timeout)) {
        result.errorString = process->errorString();
        co_return result;
    }
    result.started = true;
    bool reaped = true;
    if (!co_await waitForExit(*process, timeout)) {
        result.timedOut = true;
        result.errorString = QStringLiteral("timed out");
        process->kill();
        // Reaped under co_await too: a blocking wait here would stall the UI.
        reaped = co_await waitForExit(*process, killGrace);
    }
    result.standardOutput = process->readAllStandardOutput();
    result.standardError = process->readAllStandardError();
    if (!result.timedOut) {
        result.exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
        if (process->exitStatus() == QProcess::CrashExit)
            result.errorString = process->errorString();
    }
    if (!reaped) {
        // Destroying a running QProcess blocks until the child ends; one stuck
        // in the kernel past SIGKILL is left to delete itself when it does.
        QProcess* straggler = process.release();
        QObject::connect(straggler, &QProcess::finished, straggler, &QObject::deleteLater);
    }
    co_return result;
}

CommandResult ProcessCommandRunner::runBlocking(const QString& program, const QStringList& arguments,
                                               std::chrono::milliseconds timeout)
{
    CommandResult result;
    if (const QString refusal = refusalFor(program); !refusal.isEmpty()) {
        result.errorString = refusal;
        return result;
    }
    const QDeadlineTimer deadline(timeout);
    QProcess process;
    process.setProcessEnvironment(childEnvironment());
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier(&DescriptorBudget::restoreInheritedSoftLimit);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(int(deadline.remainingTime()))) {
        result.errorString = process.errorString();
        // Killed and reaped by the destructor if it started after all.
        return result;
    }
    result.started = true;
    if (!process.waitForFinished(int(std::max<qint64>(deadline.remainingTime(), 0)))) {
        result.timedOut = true;
        result.errorString = QStringLiteral("timed out");
        process.kill();
        process.waitForFinished(int(killGrace.count()));
    }
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    if (!result.timedOut)
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

bool ProcessCommandRunner::startDetached(const QString& program, const QStringList& arguments,
                                         const QStringList& environment)
{
    if (!refusalFor(program).isEmpty())
        return false;
    QProcessEnvironment env = childEnvironment();
    for (const QString& entry : environment) {
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        if (equals > 0)
            env.insert(entry.left(equals), entry.mid(equals + 1));
    }
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier(&DescriptorBudget::restoreInheritedSoftLimit);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

CommandRunner& CommandRunner::system()
{
    static ProcessCommandRunner runner;
    return runner;
}
