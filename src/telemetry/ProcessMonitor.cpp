#include "telemetry/ProcessMonitor.h"

#include "core/Clock.h"
#include "core/Print.h"
#include "core/Random.h"
#include "platform/HoldRecord.h"
#include "platform/ProcessIconProvider.h"
#include "platform/ProcessSignaller.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "telemetry/ProcessPathRules.h"
#include "telemetry/QuickActionsService.h"

#include <QCoreApplication>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <csignal>
#include <vector>

namespace {

void printRefusal(qint32 pid)
{
    kestrova::print(QStringLiteral("Cannot suspend critical system process or self (PID %1)").arg(pid));
}

} // namespace

ProcessMonitor::ProcessMonitor(Deps deps, bool autoStart, QObject* parent)
    : ObservableObject(parent), m_deps(std::move(deps))
{
    Q_ASSERT(m_deps.table && m_deps.signaller && m_deps.guard && m_deps.clock && m_deps.random);
    // A process left stopped after we are gone has nobody to resume it.
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &ProcessMonitor::resumeAllSuspended);
    if (autoStart) {
        m_timer = new QTimer(this);
        m_timer->setInterval(intervalMs);
        connect(m_timer, &QTimer::timeout, this, &ProcessMonitor::tick);
        m_timer->start();
    }
}

ProcessMonitor::~ProcessMonitor()
{
    resumeAllSuspended();
}

void ProcessMonitor::setDvrSnapshots(QList<DVRSnapshot> value)
{
    while (value.size() > maxSnapshots)
        value.removeFirst();
    announce(m_dvrSnapshots, std::move(value), &ProcessMonitor::dvrSnapshotsChanged);
}

void ProcessMonitor::setSuspended(QHash<qint32, quint64> startTimes)
{
    // What is no longer frozen by us (resumed, gone) is no longer held.
    if (m_deps.holds)
        for (auto it = m_suspendedStartTimes.cbegin(); it != m_suspendedStartTimes.cend(); ++it)
            if (startTimes.value(it.key(), it.value() + 1) != it.value())
                m_deps.holds->releaseProcess({it.key(), it.value()});
    m_suspendedStartTimes = std::move(startTimes);
    for (auto it = m_frozenShares.begin(); it != m_frozenShares.end();)
        it = m_suspendedStartTimes.contains(it.key()) ? std::next(it) : m_frozenShares.erase(it);
    QSet<qint32> pids;
    pids.reserve(m_suspendedStartTimes.size());
    for (auto it = m_suspendedStartTimes.cbegin(); it != m_suspendedStartTimes.cend(); ++it)
        pids.insert(it.key());
    assign(m_suspendedPids, std::move(pids), &ProcessMonitor::suspendedPidsChanged);
}

void ProcessMonitor::sayRefused(qint32 pid, quint64 startTime, int signal, int error)
{
    const Refusal refusal{startTime, signal, error};
    if (const auto said = m_refusalsSaid.constFind(pid); said != m_refusalsSaid.cend() && *said == refusal)
        return;
    m_refusalsSaid.insert(pid, refusal);
    // Named as its row names it; the process may be below the rows listed.
    QString name = QStringLiteral("process");
    for (const ProcessEntry& entry : m_deps.table->processes()) {
        if (entry.pid == pid) {
            name = ProcessPathRules::lastPathComponent(ProcessPathRules::normalizedCommandPath(entry.commandPath));
            break;
        }
    }
    kestrova::print(QStringLiteral("Cannot %1 %2 (PID %3): %4")
                        .arg(signal == SIGSTOP ? QStringLiteral("suspend") : QStringLiteral("resume"), name,
                             QString::number(pid), qt_error_string(error)));
}

bool ProcessMonitor::isFrozenByUs(qint32 pid, quint64 startTime) const
{
    const auto it = m_suspendedStartTimes.constFind(pid);
    return it != m_suspendedStartTimes.cend() && *it == startTime;
}

void ProcessMonitor::toggleSuspend(qint32 pid)
{
    if (ProcessSignaller::isForbiddenPid(pid)) {
        printRefusal(pid);
        return;
    }
    auto startTimes = m_suspendedStartTimes;
    int error = 0;
    if (const auto frozen = startTimes.constFind(pid); frozen != startTimes.cend()) {
        if (QuickActionsService::resumeProcess(pid, *frozen, *m_deps.signaller, &error) == SignalOutcome::failed) {
            // Still stopped, and still ours to resume: it keeps reading frozen.
            sayRefused(pid, *frozen, SIGCONT, error);
            return;
        }
        m_refusalsSaid.remove(pid);
        startTimes.remove(pid);
        setSuspended(std::move(startTimes));
        return;
    }
    // Only a process the latest scan saw, and only while it is still that
    // process (same start time), is ever stopped.
    const auto scanned = m_scannedStartTimes.constFind(pid);
    if (scanned == m_scannedStartTimes.cend())
        return;
    // Noted down before it is sent, so a run that dies holding it leaves the
    // next launch what to give back; dropped again unless it was sent.
    if (m_deps.holds)
        m_deps.holds->holdProcess({pid, *scanned});
    const SignalOutcome outcome = QuickActionsService::suspendProcess(pid, *scanned, *m_deps.signaller, *m_deps.guard, &error);
    if (outcome != SignalOutcome::sent && m_deps.holds)
        m_deps.holds->releaseProcess({pid, *scanned});
    switch (outcome) {
    case SignalOutcome::sent:
        m_refusalsSaid.remove(pid);
        startTimes.insert(pid, *scanned);
        // From now on it reads 0 %; the list keeps it where it was seen.
        m_frozenShares.insert(pid, m_rankShares.value(pid));
        setSuspended(std::move(startTimes));
        break;
    case SignalOutcome::refused:
        printRefusal(pid);
        break;
    case SignalOutcome::failed:
        // Not stopped: showing it as frozen would be a lie.
        sayRefused(pid, *scanned, SIGSTOP, error);
        break;
    case SignalOutcome::noSuchProcess: // gone: the next scan shows it
        break;
    }
}

bool ProcessMonitor::mayFreeze(qint32 pid) const
{
    if (m_suspendedPids.contains(pid))
        return true;
    if (m_guardRevision != m_deps.guard->revision()) {
        m_guardRevision = m_deps.guard->revision();
        m_freezable.clear();
    }
    const quint64 startTime = m_scannedStartTimes.value(pid);
    if (const auto known = m_freezable.constFind(pid); known != m_freezable.cend() && known->startTime == startTime)
        return known->allowed;
    const bool allowed = m_deps.guard->mayFreeze(pid);
    m_freezable.insert(pid, Freezable{startTime, allowed});
    return allowed;
}

void ProcessMonitor::resumeAllSuspended()
{
    if (m_suspendedStartTimes.isEmpty())
        return;
    for (auto it = m_suspendedStartTimes.cbegin(); it != m_suspendedStartTimes.cend(); ++it) {
        int error = 0;
        const auto outcome = QuickActionsService::resumeProcess(it.key(), it.value(), *m_deps.signaller, &error);
        if (outcome == SignalOutcome::failed) {
            sayRefused(it.key(), it.value(), SIGCONT, error);
            // Still stopped: it stays noted down for the next launch to try.
            if (m_deps.holds)
                m_deps.holds->holdProcess({it.key(), it.value()});
        }
    }
    setSuspended({});
}

void ProcessMonitor::tick()
{
    updateProcesses();
}

QIcon ProcessMonitor::iconFor(const QString& fullPath)
{
    if (const auto cached = m_iconCache.constFind(fullPath); cached != m_iconCache.cend())
        return *cached;
    if (!m_deps.icons)
        return {};
    // A lookup that finds nothing costs as much as one that succeeds (the
    // icon theme is searched): a path without an icon is asked again only
    // once a while has passed, not at every tick.
    const qint64 now = m_deps.clock->monotonicMs();
    if (const auto missed = m_iconMisses.constFind(fullPath);
        missed != m_iconMisses.cend() && now - *missed < kIconRetryMs)
        return {};
    QIcon icon;
    if (const QString bundle = ProcessPathRules::applicationBundlePath(fullPath); !bundle.isEmpty())
        icon = m_deps.icons->iconForPath(bundle);
    if (icon.isNull())
        icon = m_deps.icons->iconForPath(fullPath);
    if (icon.isNull()) {
        m_iconMisses.insert(fullPath, now);
        return icon;
    }
    m_iconMisses.remove(fullPath);
    m_iconCache.insert(fullPath, icon);
    return icon;
}

std::vector<const ProcessEntry*> ProcessMonitor::busiest(const QList<ProcessEntry>& processes) const
{
    struct Ranked {
        const ProcessEntry* entry;
        double share;
        bool frozen;
    };
    std::vector<Ranked> ranked;
    ranked.reserve(size_t(processes.size()));
    for (const ProcessEntry& entry : processes) {
        const bool frozen = isFrozenByUs(entry.pid, entry.startTime);
        ranked.push_back({&entry, frozen ? m_frozenShares.value(entry.pid) : entry.cpuPercent, frozen});
    }
    // Frozen processes lead: a view that shows only the first few rows must
    // still show them (to be resumed) however many others are as busy. Equal
    // loads keep pid order, so the list does not shuffle between ticks.
    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        if (a.frozen != b.frozen)
            return a.frozen;
        return a.share > b.share;
    });

    std::vector<const ProcessEntry*> taken;
    int running = 0;
    for (const Ranked& r : ranked) {
        if (!r.frozen && running++ >= busiestRowCount)
            break;
        taken.push_back(r.entry);
    }
    return taken;
}

std::vector<const ProcessEntry*> ProcessMonitor::held(const QList<ProcessEntry>& processes) const
{
    QHash<qint32, const ProcessEntry*> byPid;
    byPid.reserve(processes.size());
    for (const ProcessEntry& entry : processes)
        byPid.insert(entry.pid, &entry);
    std::vector<const ProcessEntry*> kept;
    kept.reserve(size_t(m_topProcesses.size()));
    for (const ProcessInfoData& row : m_topProcesses) {
        const ProcessEntry* entry = byPid.value(row.id);
        if (entry && entry->startTime == row.startTime)
            kept.push_back(entry);
    }
    return kept;
}

ProcessInfoData ProcessMonitor::rowFor(const ProcessEntry& entry, bool suspended)
{
    ProcessInfoData row;
    row.id = entry.pid;
    row.startTime = entry.startTime;
    row.fullPath = ProcessPathRules::normalizedCommandPath(entry.commandPath);
    row.name = ProcessPathRules::lastPathComponent(row.fullPath);
    row.cpuUsage = entry.cpuPercent;
    row.energyImpact = row.cpuUsage * 0.8;
    row.icon = iconFor(row.fullPath);
    row.isSuspended = suspended;
    return row;
}

void ProcessMonitor::updateProcesses()
{
    if (!m_deps.table->refresh()) {
        kestrova::print(QStringLiteral("Failed to run ps: ") + m_deps.table->errorString());
        return;
    }
    const QList<ProcessEntry>& processes = m_deps.table->processes();

    m_scannedStartTimes.clear();
    m_scannedStartTimes.reserve(processes.size());
    for (const ProcessEntry& entry : processes)
        m_scannedStartTimes.insert(entry.pid, entry.startTime);

    QList<ProcessInfoData> rows;
    QHash<QString, double> tallies = m_batteryShameList;
    QHash<qint32, double> rankShares;
    for (const ProcessEntry* entry : m_isPaused ? held(processes) : busiest(processes)) {
        const bool suspended = isFrozenByUs(entry->pid, entry->startTime);
        ProcessInfoData row = rowFor(*entry, suspended);
        const double jitter = m_deps.random->uniform(0.0, 2.0);
        tallies[row.name] += (row.energyImpact + jitter) / 3600.0;
        rankShares.insert(row.id, suspended ? m_frozenShares.value(row.id) : row.cpuUsage);
        rows.append(std::move(row));
    }
    m_rankShares = std::move(rankShares);
    // Rows that share a name share one tally, so they show the same figure.
    for (ProcessInfoData& row : rows)
        row.totalBatteryDrain = tallies.value(row.name);

    // A judgement, and a refusal said, hold while the process does.
    const auto keepWhileScanned = [this](auto& byPid) {
        for (auto it = byPid.begin(); it != byPid.end();) {
            const auto scanned = m_scannedStartTimes.constFind(it.key());
            const bool same = scanned != m_scannedStartTimes.cend() && *scanned == it->startTime;
            it = same ? std::next(it) : byPid.erase(it);
        }
    };
    keepWhileScanned(m_freezable);
    keepWhileScanned(m_refusalsSaid);

    // Keep a frozen process while it is the same process and we may still
    // signal it; kill(pid, 0) alone would keep a stranger that reuses the pid.
    QHash<qint32, quint64> stillFrozen;
    for (auto it = m_suspendedStartTimes.cbegin(); it != m_suspendedStartTimes.cend(); ++it) {
        const auto scanned = m_scannedStartTimes.constFind(it.key());
        if (scanned != m_scannedStartTimes.cend() && *scanned == it.value() && m_deps.signaller->canSignal(it.key()))
            stillFrozen.insert(it.key(), it.value());
    }
    if (stillFrozen != m_suspendedStartTimes)
        setSuspended(std::move(stillFrozen));

    setBatteryShameList(std::move(tallies));
    setTopProcesses(rows);

    // A held order is no ranking: the history records only ranked lists.
    if (m_isPaused)
        return;
    QList<DVRSnapshot> snapshots = m_dvrSnapshots;
    snapshots.append(DVRSnapshot{QUuid::createUuid(), m_deps.clock->now(), std::move(rows),
                                 m_deps.machineCpuUsage ? m_deps.machineCpuUsage() : 0.0});
    setDvrSnapshots(std::move(snapshots));
}
