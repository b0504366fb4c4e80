// The row actions of LocalAIService. In demo mode they only edit the shown
// rows; live, they act only on what the latest live scan found, so an
// example row (or a stale one) never reaches a process, a container or a
// file.
#include "localai/LocalAIService.h"

#include "core/Print.h"
#include "core/ProcessStartTime.h"
#include "core/Scheduler.h"
#include "localai/ModelCacheFolders.h"
#include "platform/FileWorker.h"
#include "platform/ProcessSignaller.h"
#include "platform/ToolCommands.h"

#include <QCoroFuture>
#include <QFile>
#include <QPointer>

#include <chrono>
#include <csignal>

using namespace std::chrono_literals;

namespace {

// docker stop gives a container 10 s to exit before it kills it.
constexpr auto kDockerStopTimeout = 30s;
constexpr auto kCompanionPurgeDelay = 1500ms;

QString commOf(const QString& procRoot, qint32 pid)
{
    QFile file(QStringLiteral("%1/%2/comm").arg(procRoot).arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray comm = file.readAll();
    if (comm.endsWith('\n'))
        comm.chop(1);
    return QString::fromUtf8(comm);
}

} // namespace

std::optional<quint64> LocalAIService::liveKillStartTime(qint32 pid) const
{
    if (ProcessSignaller::isForbiddenPid(pid))
        return std::nullopt;
    const auto owner = m_scannedPortOwners.constFind(pid);
    if (owner == m_scannedPortOwners.constEnd())
        return std::nullopt;
    // Still the process that was scanned: same name, same start time.
    if (commOf(m_deps.paths.procRoot, pid) != owner->name
        || readProcessStartTime(pid, m_deps.paths.procRoot) != owner->startTime)
        return std::nullopt;
    return owner->startTime;
}

QCoro::Task<> LocalAIService::stopVectorDatabase(QString containerId)
{
    const auto hideRow = [this, &containerId] {
        QList<VectorDatabaseInfo> rows = m_activeVectorDBs;
        rows.removeIf([&](const VectorDatabaseInfo& row) { return row.containerId == containerId; });
        setActiveVectorDBs(std::move(rows));
    };
    // The example rows, shown when docker lists no database, are not
    // containers: stopping one only hides it, as in demo mode.
    if (m_demoMode || !m_scannedContainerIds.contains(containerId)) {
        hideRow();
        co_return;
    }
    QPointer<LocalAIService> self(this);
    const CommandResult result =
        co_await runEngine(ToolCommands::dockerStop(containerId), kDockerStopTimeout);
    if (!self)
        co_return;
    if (!result.started) {
        hideRow();
        co_return;
    }
    co_await scanVectorDatabases();
}

QCoro::Task<> LocalAIService::purgeOrphanedCompanions()
{
    QPointer<LocalAIService> self(this);
    co_await m_deps.scheduler->sleepFor(kCompanionPurgeDelay);
    if (!self)
        co_return;
    // No scan examines processes for companions, so every listed companion
    // is an example row, whatever the mode: none is ever signalled.
    setOrphanedAICompanions({});
}

QCoro::Task<> LocalAIService::killProcessOnPort(qint32 pid)
{
    if (m_demoMode) {
        QList<LocalPortInfo> rows = m_activeLocalPorts;
        rows.removeIf([pid](const LocalPortInfo& row) { return row.pid == pid; });
        setActiveLocalPorts(std::move(rows));
        co_return;
    }
    // The signal carries the start time that was just checked, so the pidfd
    // pins that very process.
    const std::optional<quint64> startTime = liveKillStartTime(pid);
    if (!startTime)
        co_return;
    const SignalOutcome outcome = m_deps.signaller->send(pid, SIGKILL, *startTime);
    if (outcome == SignalOutcome::refused)
        co_return;
    co_await scanLocalPorts();
}

QCoro::Task<> LocalAIService::purgeModelCacheFile(QString path)
{
    if (m_demoMode) {
        QList<ModelCacheFile> rows = m_cachedModelFiles;
        rows.removeIf([&](const ModelCacheFile& row) { return row.path == path; });
        setCachedModelFiles(std::move(rows));
        co_return;
    }
    QPointer<LocalAIService> self(this);
    // A refused or failed deletion shows in the rescan. (The job is made
    // outside the co_await: g++ 12 destroys a capturing lambda written
    // inside one twice.)
    QFuture<DeletionLeftovers> job = m_deps.fileWorker->run([home = m_deps.paths.home, path] {
        DeletionLeftovers left;
        ModelCacheFolders::remove(home, path, &left);
        return left;
    });
    const DeletionLeftovers left = co_await job;
    if (left.any())
        kestrova::print(left.printedLine());
    if (!self)
        co_return;
    co_await scanModelCache();
}
