#pragma once

#include "core/ObservableObject.h"
#include "telemetry/DVRSnapshot.h"
#include "telemetry/ProcessInfoData.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <functional>
#include <vector>

class Clock;
class HoldRecord;
struct ProcessEntry;
class ProcessIconProvider;
class ProcessSignaller;
class ProcessTable;
class QTimer;
class Random;
class SessionProcessGuard;

// The busiest processes, refreshed every 2 seconds, the processes this
// application has frozen, a running drain tally per process name and a ring
// of the last 120 process lists.
//
// Frozen processes are remembered with their start time: a frozen process
// that exits leaves the set, and a stranger that later gets its pid never
// enters it. Whatever is still frozen is resumed when the application quits.
//
// Frozen processes come first, ranked among themselves by the share each had
// when it was frozen (stopped, it reads 0 %): every view that shows the first
// rows keeps showing them, however busy the rest, so each can be resumed
// from its row.
class ProcessMonitor final : public ObservableObject {
    Q_OBJECT
    Q_PROPERTY(bool isPaused READ isPaused WRITE setIsPaused NOTIFY isPausedChanged)

public:
    struct Deps {
        ProcessTable* table = nullptr;
        ProcessSignaller* signaller = nullptr;
        const SessionProcessGuard* guard = nullptr;
        ProcessIconProvider* icons = nullptr; // none: rows carry no icons
        const Clock* clock = nullptr;
        Random* random = nullptr;
        // The machine's CPU load in percent, recorded with each snapshot.
        std::function<double()> machineCpuUsage;
        // Where each freeze is noted down before it is sent, for the next
        // launch should this run die holding it. None: nothing is noted.
        HoldRecord* holds = nullptr;
    };

    static constexpr int intervalMs = 2000;
    static constexpr int busiestRowCount = 8;
    static constexpr int maxSnapshots = 120;

    // The application's instance: the real /proc, real signals and desktop
    // icons; ticking every 2 seconds from its creation.
    static ProcessMonitor& shared();

    // With autoStart the 2-second timer runs (first tick after 2 seconds);
    // without it, tests call tick() by hand.
    explicit ProcessMonitor(Deps deps, bool autoStart = false, QObject* parent = nullptr);
    ~ProcessMonitor() override;

    // Every frozen row first (by its share when frozen), then the 8 busiest
    // that are not frozen, busiest first.
    const QList<ProcessInfoData>& topProcesses() const { return m_topProcesses; }
    void setTopProcesses(QList<ProcessInfoData> value)
    {
        assign(m_topProcesses, std::move(value), &ProcessMonitor::topProcessesChanged);
    }
    const QSet<qint32>& suspendedPids() const { return m_suspendedPids; }
    const QHash<QString, double>& batteryShameList() const { return m_batteryShameList; }
    void setBatteryShameList(QHash<QString, double> value)
    {
        assign(m_batteryShameList, std::move(value), &ProcessMonitor::batteryShameListChanged);
    }
    // Oldest first, at most 120.
    const QList<DVRSnapshot>& dvrSnapshots() const { return m_dvrSnapshots; }
    void setDvrSnapshots(QList<DVRSnapshot> value);
    // While paused, ticks keep the order and membership of the list (a row
    // leaves only when its process exits) and take no snapshot; each row's
    // figures and frozen state still follow the scan.
    bool isPaused() const { return m_isPaused; }
    void setIsPaused(bool value) { assign(m_isPaused, value, &ProcessMonitor::isPausedChanged); }

    // Freezes the process, or resumes it when this application froze it.
    // Refuses pid < 2, our own pid and the desktop session's own processes
    // with one printed line. A signal the system refuses (another user's
    // process) is said in one line with the system's reason, once per
    // process until a signal to it goes through; the process then reads as
    // it really is: not frozen, or still frozen.
    void toggleSuspend(qint32 pid);
    // Whether a row of the latest list offers the freeze button: false for
    // the pids no signal may reach and for the processes the guard protects;
    // true for a process we froze (so it can be resumed). Judged once per
    // process when first asked, not at every tick.
    bool mayFreeze(qint32 pid) const;
    // Resumes every process in suspendedPids and empties the set. Runs when
    // the application quits (SIGTERM and SIGINT end in a normal quit).
    void resumeAllSuspended();

    // One 2-second tick.
    void tick();

signals:
    void topProcessesChanged();
    void suspendedPidsChanged();
    void batteryShameListChanged();
    void dvrSnapshotsChanged();
    void isPausedChanged();

private:
    void updateProcesses();
    // The scanned processes to list, in order: ranked, or while paused the
    // ones listed last, where they stand.
    std::vector<const ProcessEntry*> busiest(const QList<ProcessEntry>& processes) const;
    std::vector<const ProcessEntry*> held(const QList<ProcessEntry>& processes) const;
    ProcessInfoData rowFor(const ProcessEntry& entry, bool suspended);
    bool isFrozenByUs(qint32 pid, quint64 startTime) const;
    QIcon iconFor(const QString& fullPath);
    void setSuspended(QHash<qint32, quint64> startTimes);
    void sayRefused(qint32 pid, quint64 startTime, int signal, int error);

    Deps m_deps;
    QTimer* m_timer = nullptr;
    QList<ProcessInfoData> m_topProcesses;
    QSet<qint32> m_suspendedPids;
    QHash<qint32, quint64> m_suspendedStartTimes; // pid -> start time when frozen
    QHash<qint32, double> m_frozenShares;         // pid -> its rank while frozen
    QHash<qint32, double> m_rankShares;           // pid -> the share each listed row is ranked by
    QHash<qint32, quint64> m_scannedStartTimes;   // every pid of the latest scan
    struct Freezable {
        quint64 startTime;
        bool allowed;
    };
    // The guard's judgements, asked for when a view shows a row.
    mutable QHash<qint32, Freezable> m_freezable;
    mutable quint64 m_guardRevision = 0;
    struct Refusal {
        quint64 startTime;
        int signal;
        int error;
        bool operator==(const Refusal&) const = default;
    };
    // The refusals already said, so a repeated click says nothing more.
    QHash<qint32, Refusal> m_refusalsSaid;
    QHash<QString, double> m_batteryShameList;
    QList<DVRSnapshot> m_dvrSnapshots;
    bool m_isPaused = false;
    QHash<QString, QIcon> m_iconCache;
    QHash<QString, qint64> m_iconMisses; // path -> when it was last found without an icon
    static constexpr qint64 kIconRetryMs = 60'000;
};
