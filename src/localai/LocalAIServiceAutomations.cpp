// The watcher's polling and its two automations: compile auto-suspend
// (freeze the model servers while a build runs) and the battery shield.
#include "localai/LocalAIService.h"

#include "core/Print.h"
#include "core/ProcStatReading.h"
#include "platform/CommandRunner.h"
#include "platform/FileWorker.h"
#include "platform/HoldRecord.h"
#include "platform/ProcessNameMatch.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "platform/ToolCommands.h"

#include <QCoroFuture>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <csignal>

using namespace std::chrono_literals;

namespace {

constexpr auto kPollInterval = 2s;
constexpr auto kPgrepTimeout = 5s;

// What went wrong with a build check that gave no answer, for its line.
QString buildCheckFailure(const CommandResult& result)
{
    if (!result.started || result.timedOut || result.exitCode < 0)
        return result.errorString.isEmpty() ? QStringLiteral("no exit status") : result.errorString;
    QString reason = QStringLiteral("exit status %1").arg(result.exitCode);
    // The tool's own first line says why; bounded, it is outside text.
    const QString said = QString::fromUtf8(result.standardError.left(512)).section(QLatin1Char('\n'), 0, 0).simplified();
    if (!said.isEmpty())
        reason += QStringLiteral(": ") + said.left(160);
    return reason;
}

QStringList modelServerNames()
{
    return {QStringLiteral("ollama"), QStringLiteral("ollama_llama_server"), QStringLiteral("llama-runner"),
            QStringLiteral("deepseek")};
}

QString describe(SignalOutcome outcome, int error)
{
    switch (outcome) {
    case SignalOutcome::refused:
        return QStringLiteral("critical system process or self");
    case SignalOutcome::noSuchProcess:
        return QStringLiteral("No such process");
    case SignalOutcome::failed:
        return error ? qt_error_string(error) : QStringLiteral("Operation not permitted");
    case SignalOutcome::sent:
        break;
    }
    return QStringLiteral("Operation not permitted");
}

} // namespace

void LocalAIService::startPolling()
{
    if (m_timer)
        return;
    m_timer = new QTimer(this);
    m_timer->setInterval(kPollInterval);
    connect(m_timer, &QTimer::timeout, this, [this] { tick(); });
    m_timer->start();
    QTimer::singleShot(0, this, [this] { tick(); });
}

QCoro::Task<> LocalAIService::tick()
{
    // A second pass racing the first would freeze, thaw and pause on stale
    // answers; a firing that finds one still waiting is dropped.
    if (m_tickInFlight)
        co_return;
    m_tickInFlight = true;
    QPointer<LocalAIService> self(this);
    co_await updateModels();
    if (!self)
        co_return;
    co_await checkAndApplyAutoSuspend();
    if (!self)
        co_return;
    // Not waited for: a hung engine would hold up the next model poll and
    // build check by its whole time-out.
    refreshContainers();
    co_await scanOrphanedCompanions();
    if (!self)
        co_return;
    co_await scanLocalPorts();
    if (!self)
        co_return;
    co_await scanModelCache();
    if (!self)
        co_return;
    applyBatteryShieldMode();
    m_tickInFlight = false;
    emit passEnded();
}

QCoro::Task<> LocalAIService::checkAndApplyAutoSuspend()
{
    if (!m_compileAutoSuspendEnabled) {
        m_freezeRefusedThisBuild.clear();
        if (!m_suspendedPIDs.isEmpty())
            resumeSuspendedProcesses();
        co_return;
    }
    QPointer<LocalAIService> self(this);
    const CommandResult build = co_await m_deps.commands->runTool(ToolCommands::buildToolCheck(), kPgrepTimeout);
    if (!self)
        co_return;
    // pgrep answers with exit 0 (a match) or 1 (none); anything else, a
    // usage error included, is no answer: neither freeze nor thaw on a guess.
    const bool answered = build.started && !build.timedOut && (build.exitCode == 0 || build.exitCode == 1);
    if (!answered) {
        const QString line = QStringLiteral("Failed to run pgrep: ") + buildCheckFailure(build);
        if (line != m_buildCheckFailure)
            kestrova::print(line);
        m_buildCheckFailure = line;
        co_return;
    }
    m_buildCheckFailure.clear();
    // The switch may have gone off while pgrep ran; the next tick thaws.
    if (!m_compileAutoSuspendEnabled)
        co_return;
    if (build.exitCode != 0) {
        // The build is over: the next one asks again what this one was refused.
        m_freezeRefusedThisBuild.clear();
        if (!m_suspendedPIDs.isEmpty())
            resumeSuspendedProcesses();
        co_return;
    }
    // Frozen once per build: servers that start later are left running.
    if (!m_suspendedPIDs.isEmpty())
        co_return;
    const QList<ProcessEntry> servers = co_await getPIDs(modelServerNames());
    if (!self || !m_compileAutoSuspendEnabled || !m_suspendedPIDs.isEmpty())
        co_return;
    // A refusal is remembered while its process is found; one that went, or
    // gave its pid to another, is asked and said afresh.
    QHash<qint32, quint64> found;
    for (const ProcessEntry& server : servers)
        found.insert(server.pid, server.startTime);
    for (auto it = m_freezeRefusalsSaid.begin(); it != m_freezeRefusalsSaid.end();)
        it = found.value(it.key(), it->startTime + 1) == it->startTime ? std::next(it) : m_freezeRefusalsSaid.erase(it);
    for (auto it = m_freezeRefusedThisBuild.begin(); it != m_freezeRefusedThisBuild.end();)
        it = found.value(it.key(), *it + 1) == *it ? std::next(it) : m_freezeRefusedThisBuild.erase(it);
    for (const ProcessEntry& server : servers) {
        // Refused once in this build: nothing has changed to ask again for.
        if (const auto refused = m_freezeRefusedThisBuild.constFind(server.pid);
            refused != m_freezeRefusedThisBuild.cend() && *refused == server.startTime)
            continue;
        suspendProcess(server.pid, server.startTime);
    }
}

QCoro::Task<QList<ProcessEntry>> LocalAIService::getPIDs(QStringList names)
{
    // g++ 12 destroys a capturing lambda written inside a co_await
    // expression twice: the job is made in its own statement.
    QFuture<QList<ProcessEntry>> job = m_deps.fileWorker->run([table = m_processTable] {
        return table->refresh() ? table->processes() : QList<ProcessEntry>();
    });
    const QList<ProcessEntry> processes = co_await job;
    QList<ProcessEntry> found;
    for (const QString& name : std::as_const(names)) {
        for (const ProcessEntry& process : processes) {
            if (!ProcessNameMatch::matches(process, name) || ProcessSignaller::isForbiddenPid(process.pid)
                || SessionProcessGuard::isSessionCritical(process.name, process.commandPath))
                continue;
            found.append(process);
        }
    }
    co_return found;
}

void LocalAIService::suspendProcess(qint32 pid, quint64 startTime)
{
    // One that is stopped already (by its user, say) is not ours to freeze,
    // nor to resume when the build ends: a stop it is sent would succeed.
    if (const ProcStatReading now = ProcStatReading::of(pid, m_deps.paths.procRoot);
        now.isStopped() && now.startTime == startTime)
        return;
    // Noted down before it is taken: a run that dies holding it leaves the
    // next launch what to give back.
    if (m_deps.holds)
        m_deps.holds->holdProcess({pid, startTime});
    // The start time pins the process the table saw: a pid taken over by
    // another process in between is not stopped.
    int error = 0;
    const SignalOutcome outcome = m_deps.signaller->send(pid, SIGSTOP, startTime, &error);
    if (outcome != SignalOutcome::sent) {
        if (m_deps.holds)
            m_deps.holds->releaseProcess({pid, startTime});
        m_freezeRefusedThisBuild.insert(pid, startTime);
        const FreezeRefusal refusal{startTime, describe(outcome, error)};
        if (m_freezeRefusalsSaid.value(pid) != refusal)
            kestrova::print(QStringLiteral("Failed to suspend process %1: %2").arg(pid).arg(refusal.reason));
        m_freezeRefusalsSaid.insert(pid, refusal);
        return;
    }
    m_freezeRefusedThisBuild.remove(pid);
    m_freezeRefusalsSaid.remove(pid);
    m_suspendedStartTimes.insert(pid, startTime);
    QList<qint32> pids = m_suspendedPIDs;
    pids.append(pid);
    setSuspendedPIDs(std::move(pids));
}

void LocalAIService::resumeSuspendedProcesses()
{
    if (m_suspendedPIDs.isEmpty())
        return;
    QList<qint32> stillStopped;
    QHash<qint32, quint64> stillOurs;
    for (qint32 pid : std::as_const(m_suspendedPIDs)) {
        // Only what we froze ourselves, pinned to the start time it had then;
        // a pid put in the list from outside was never stopped by us.
        const auto startTime = m_suspendedStartTimes.constFind(pid);
        if (startTime == m_suspendedStartTimes.cend())
            continue;
        int error = 0;
        if (m_deps.signaller->send(pid, SIGCONT, *startTime, &error) != SignalOutcome::failed) {
            m_resumeRefusalsSaid.remove(pid);
            if (m_deps.holds)
                m_deps.holds->releaseProcess({pid, *startTime});
            continue;
        }
        // Still stopped and still ours: said once, asked again next time.
        if (m_resumeRefusalsSaid.value(pid, 0) != error)
            kestrova::print(QStringLiteral("Failed to resume process %1: %2")
                                .arg(pid)
                                .arg(describe(SignalOutcome::failed, error)));
        m_resumeRefusalsSaid.insert(pid, error);
        stillStopped.append(pid);
        stillOurs.insert(pid, *startTime);
    }
    m_suspendedStartTimes = std::move(stillOurs);
    setSuspendedPIDs(std::move(stillStopped));
}

bool LocalAIService::batteryShieldActive() const
{
    return m_batteryShieldEnabled && m_deps.isUnplugged && m_deps.isUnplugged();
}

void LocalAIService::applyBatteryShieldMode()
{
    const bool active = batteryShieldActive();
    if (active) {
        // One eject pass at a time: each eject may wait up to a minute, and a
        // new pass every tick would pile requests up behind it.
        if (!m_activeModels.isEmpty() && !m_shieldEjectInFlight)
            ejectModelsForShield();
        // Rows that are no container of ours to pause (demo mode, examples)
        // are only marked; a live one is marked once docker has paused it.
        QList<VectorDatabaseInfo> rows = m_activeVectorDBs;
        for (VectorDatabaseInfo& row : rows)
            if (row.isRunning() && (m_demoMode || !m_scannedContainerIds.contains(row.containerId)))
                row.status = VectorDatabaseInfo::shieldedStatus();
        setActiveVectorDBs(std::move(rows));
    }
    // Pauses while the shield holds, gives back once it does not; not
    // waited for, as the engine may hang.
    shieldContainers();
    if (active && m_vmAutoSleepEnabled && !m_demoMode)
        m_deps.commands->startTool(ToolCommands::colimaStop());
}

QCoro::Task<> LocalAIService::ejectModelsForShield()
{
    m_shieldEjectInFlight = true;
    const QList<LocalAIModel> models = m_activeModels;
    QPointer<LocalAIService> self(this);
    for (const LocalAIModel& model : models) {
        co_await ejectModel(model.name);
        if (!self)
            co_return;
    }
    m_shieldEjectInFlight = false;
}

QCoro::Task<> LocalAIService::stopColimaVM()
{
    if (!m_demoMode)
        m_deps.commands->startTool(ToolCommands::colimaStop());
    co_return;
}
