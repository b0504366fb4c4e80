#pragma once

#include "core/ObservableObject.h"
#include "core/SerialGate.h"
#include "localai/ListeningPortScanner.h"
#include "localai/LocalAIModel.h"
#include "localai/LocalPortInfo.h"
#include "localai/ModelCacheFile.h"
#include "localai/OllamaStatus.h"
#include "localai/OrphanedCompanionInfo.h"
#include "localai/VectorDatabaseInfo.h"
#include "platform/CommandResult.h"
#include "platform/SystemPaths.h"
#include "platform/ToolCommand.h"

#include <QCoroTask>
#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QSet>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Clock;
class CommandRunner;
class FileWorker;
class HoldRecord;
class ProcessSignaller;
class ProcessTable;
class TreeSizeCache;
class QTimer;
class Scheduler;
struct ProcessEntry;

// The local-AI watcher: the model server's state and loaded models, local
// listening ports, vector-database containers, orphaned IDE helpers and
// model cache files, its automation switches and the demo-mode flag.
// Nothing is persisted; demo mode is on at every launch.
class LocalAIService final : public ObservableObject {
    Q_OBJECT
    Q_PROPERTY(bool demoMode READ demoMode WRITE setDemoMode NOTIFY demoModeChanged)
    Q_PROPERTY(bool compileAutoSuspendEnabled READ compileAutoSuspendEnabled WRITE setCompileAutoSuspendEnabled
                   NOTIFY compileAutoSuspendEnabledChanged)
    Q_PROPERTY(bool vmAutoSleepEnabled READ vmAutoSleepEnabled WRITE setVmAutoSleepEnabled
                   NOTIFY vmAutoSleepEnabledChanged)
    Q_PROPERTY(bool buildTurboEnabled READ buildTurboEnabled WRITE setBuildTurboEnabled
                   NOTIFY buildTurboEnabledChanged)
    Q_PROPERTY(bool batteryShieldEnabled READ batteryShieldEnabled WRITE setBatteryShieldEnabled
                   NOTIFY batteryShieldEnabledChanged)

public:
    // What the watcher talks to. Every member defaults to the real thing;
    // tests replace what they need.
    struct Deps {
        Deps();
        Clock* clock;               // demo models' expiry
        Scheduler* scheduler;       // the companion purge's wait
        CommandRunner* commands;
        ProcessSignaller* signaller;
        FileWorker* fileWorker;     // walks and /proc scans run here
        SystemPaths paths;          // procRoot and home
        QUrl modelServerUrl;        // http://localhost:11434
        // How long the model list may take to come whole (1 s).
        std::chrono::milliseconds modelListTimeout{1000};
        // Whether the machine runs on battery. Read at each shield check;
        // unset means on mains power.
        std::function<bool()> isUnplugged;
        // Where what the automations freeze and pause is noted down before
        // they take it, for the next launch should this run die holding it.
        // None: nothing is noted.
        HoldRecord* holds = nullptr;
    };

    // The process-wide instance; its creation starts the polling.
    static LocalAIService& shared();

    explicit LocalAIService(bool autoStart = false, QObject* parent = nullptr);
    LocalAIService(Deps deps, bool autoStart, QObject* parent = nullptr);
    ~LocalAIService() override;

    // Starts the 2-second timer and one tick at once (queued, not run here).
    void startPolling();
    // One watcher pass: models, compile auto-suspend, the four scans, then
    // the battery shield, each finished before the next, except the
    // container list: it is refreshed on its own, one at a time, so a hung
    // container engine holds up nothing else. A call while a pass is still
    // waiting does nothing.
    QCoro::Task<> tick();

    // Freezes the model-server processes while a compiler or build tool
    // runs, and thaws them when it is gone or the switch is off.
    QCoro::Task<> checkAndApplyAutoSuspend();
    // On battery power: ejects the loaded models, pauses the running
    // database containers and, if asked, stops the container VM. Once power
    // returns or the shield is off, unpauses the containers it paused (at
    // quit too); containers paused by anyone else are left as they are.
    void applyBatteryShieldMode();
    // Containers the shield of a run that ended without quitting left
    // paused: taken as this shield's own, so they are given back as it gives
    // back its own (once power is on or the shield is off). A pause that run
    // still had on its way may land for as long as a pause may take: one
    // found not paused meanwhile stays ours, and is unpaused once a scan
    // lists it paused or that time is over.
    void adoptShieldPausedContainers(const QStringList& ids);
    // Stops the container VM (outside demo mode), without waiting for it.
    QCoro::Task<> stopColimaVM();

    // The model server: refresh `activeModels` and `status`; unload one
    // model and refresh. Demo mode works on example rows and sends nothing.
    QCoro::Task<> updateModels();
    QCoro::Task<> ejectModel(QString name);

    // Scans that refill one list each, and the row actions. In demo mode the
    // actions only edit the shown rows; live actions act only on what the
    // latest live scan found.
    QCoro::Task<> scanVectorDatabases();
    QCoro::Task<> scanOrphanedCompanions();
    QCoro::Task<> scanLocalPorts();
    QCoro::Task<> scanModelCache();
    QCoro::Task<> stopVectorDatabase(QString containerId);
    QCoro::Task<> purgeOrphanedCompanions();
    QCoro::Task<> killProcessOnPort(qint32 pid);
    QCoro::Task<> purgeModelCacheFile(QString path);

    const QList<LocalAIModel>& activeModels() const { return m_activeModels; }
    // A list set from anywhere but the server's answer is whole.
    void setActiveModels(QList<LocalAIModel> value)
    {
        assign(m_activeModels, std::move(value), &LocalAIService::activeModelsChanged);
        setUnlistedModelCount(0);
    }
    // Models the server reported beyond those kept in `activeModels`.
    qsizetype unlistedModelCount() const { return m_unlistedModelCount; }
    void setUnlistedModelCount(qsizetype value)
    {
        assign(m_unlistedModelCount, value, &LocalAIService::unlistedModelCountChanged);
    }
    // Why the latest answer of the server was refused, on one line; empty
    // when it was read or none came.
    const QString& modelListRefusal() const { return m_modelListRefusal; }
    void setModelListRefusal(QString value)
    {
        assign(m_modelListRefusal, std::move(value), &LocalAIService::modelListRefusalChanged);
    }
    OllamaStatus status() const { return m_status; }
    void setStatus(OllamaStatus value) { assign(m_status, value, &LocalAIService::statusChanged); }
    bool demoMode() const { return m_demoMode; }
    void setDemoMode(bool value) { assign(m_demoMode, value, &LocalAIService::demoModeChanged); }
    bool compileAutoSuspendEnabled() const { return m_compileAutoSuspendEnabled; }
    void setCompileAutoSuspendEnabled(bool value)
    {
        assign(m_compileAutoSuspendEnabled, value, &LocalAIService::compileAutoSuspendEnabledChanged);
    }
    const QList<qint32>& suspendedPIDs() const { return m_suspendedPIDs; }
    void setSuspendedPIDs(QList<qint32> value) { assign(m_suspendedPIDs, std::move(value), &LocalAIService::suspendedPIDsChanged); }
    const QList<VectorDatabaseInfo>& activeVectorDBs() const { return m_activeVectorDBs; }
    void setActiveVectorDBs(QList<VectorDatabaseInfo> value)
    {
        assign(m_activeVectorDBs, std::move(value), &LocalAIService::activeVectorDBsChanged);
    }
    const QList<OrphanedCompanionInfo>& orphanedAICompanions() const { return m_orphanedAICompanions; }
    void setOrphanedAICompanions(QList<OrphanedCompanionInfo> value)
    {
        assign(m_orphanedAICompanions, std::move(value), &LocalAIService::orphanedAICompanionsChanged);
    }
    const QList<LocalPortInfo>& activeLocalPorts() const { return m_activeLocalPorts; }
    void setActiveLocalPorts(QList<LocalPortInfo> value)
    {
        assign(m_activeLocalPorts, std::move(value), &LocalAIService::activeLocalPortsChanged);
    }
    const QList<ModelCacheFile>& cachedModelFiles() const { return m_cachedModelFiles; }
    void setCachedModelFiles(QList<ModelCacheFile> value)
    {
        assign(m_cachedModelFiles, std::move(value), &LocalAIService::cachedModelFilesChanged);
    }
    bool vmAutoSleepEnabled() const { return m_vmAutoSleepEnabled; }
    void setVmAutoSleepEnabled(bool value) { assign(m_vmAutoSleepEnabled, value, &LocalAIService::vmAutoSleepEnabledChanged); }
    bool buildTurboEnabled() const { return m_buildTurboEnabled; }
    void setBuildTurboEnabled(bool value) { assign(m_buildTurboEnabled, value, &LocalAIService::buildTurboEnabledChanged); }
    bool batteryShieldEnabled() const { return m_batteryShieldEnabled; }
    void setBatteryShieldEnabled(bool value)
    {
        assign(m_batteryShieldEnabled, value, &LocalAIService::batteryShieldEnabledChanged);
    }

signals:
    void activeModelsChanged();
    void unlistedModelCountChanged();
    void modelListRefusalChanged();
    void statusChanged();
    void demoModeChanged();
    void compileAutoSuspendEnabledChanged();
    void suspendedPIDsChanged();
    void activeVectorDBsChanged();
    void orphanedAICompanionsChanged();
    void activeLocalPortsChanged();
    void cachedModelFilesChanged();
    void vmAutoSleepEnabledChanged();
    void buildTurboEnabledChanged();
    void batteryShieldEnabledChanged();
    // After every watcher pass that ran to its end.
    void passEnded();

private:
    // The scanned start time of `pid` when a live kill may reach it: the
    // latest port scan listed it and it still runs under that name and start
    // time. Nothing otherwise.
    std::optional<quint64> liveKillStartTime(qint32 pid) const;
    // The processes with any of these names, name by name.
    QCoro::Task<QList<ProcessEntry>> getPIDs(QStringList names);
    void suspendProcess(qint32 pid, quint64 startTime);
    void notePausedContainer(const QString& id);
    void forgetPausedContainer(const QString& id);
    // Whether `id` was taken over from a run that ended whose pause of it
    // may still land.
    bool deadRunsPauseMayLand(const QString& id) const;
    // One such found running: not asked to unpause again until a scan
    // lists it paused or that time is over.
    bool awaitsLatePause(const QString& id) const;
    void resumeSuspendedProcesses();
    QCoro::Task<> ejectModelsForShield();
    bool batteryShieldActive() const;
    // Every container engine call goes through here, one at a time.
    QCoro::Task<CommandResult> runEngine(ToolCommand command, std::chrono::milliseconds timeout);
    // The container scan, unless one is still waiting for the engine.
    QCoro::Task<> refreshContainers();
    // Pauses the live running containers while the shield holds, else
    // unpauses those it paused; one pass at a time. A container stays ours
    // until it is given back or gone; an engine that is down or silent ends
    // the pass and is asked again by the next.
    QCoro::Task<> shieldContainers();
    // At quit: the containers the shield paused, unpaused with a short
    // bounded wait; those not given back are named in a printed line.
    void giveBackContainers();
    void setContainerStatus(const QString& containerId, const QString& status);
    // Shows why the latest list answer was refused (empty: none was), and
    // prints a refusal when it starts and a line when an answer is read again.
    void reportModelListRefusal(const QString& refusal, bool read);

    Deps m_deps;
    QTimer* m_timer = nullptr;
    bool m_tickInFlight = false;
    bool m_shieldEjectInFlight = false;
    // The last line printed for a build check that gave no answer; cleared
    // by an answer, so each change of failure is told once, not every tick.
    QString m_buildCheckFailure;
    // The refusal last printed, until an answer is read again.
    QString m_printedRefusal;
    // Start times of the processes we froze, so a thaw never reaches a
    // process that took over a pid.
    QHash<qint32, quint64> m_suspendedStartTimes;
    // Model servers whose freeze was refused during the current build, by
    // start time: not asked again until the build ends or they are replaced.
    QHash<qint32, quint64> m_freezeRefusedThisBuild;
    struct FreezeRefusal {
        quint64 startTime = 0;
        QString reason;
        bool operator==(const FreezeRefusal&) const = default;
    };
    // The freeze refusals already said, kept while the process is found.
    QHash<qint32, FreezeRefusal> m_freezeRefusalsSaid;
    // Processes whose thaw the system refused, with the reason already said.
    QHash<qint32, int> m_resumeRefusalsSaid;
    std::shared_ptr<ListeningPortScanner> m_portScanner;
    // The model folders as last measured; used on the file worker only.
    std::shared_ptr<TreeSizeCache> m_modelSizes;
    // What the latest live scans found: the only targets of live actions.
    QHash<qint32, ListeningPortScanner::Owner> m_scannedPortOwners;
    QSet<QString> m_scannedContainerIds;
    SerialGate m_engineTurns;
    bool m_containerScanInFlight = false;
    bool m_containerShieldInFlight = false;
    // Containers the shield paused and has not given back: the only ones it
    // ever unpauses.
    QSet<QString> m_shieldPausedIds;
    // Those taken over from a run that ended, until a pause of that run can
    // no longer land; true once one was found not paused in that time.
    struct Adopted {
        QDeadlineTimer pauseMayLand;
        bool foundRunning = false;
    };
    QHash<QString, Adopted> m_adopted;
    // The shield's last printed failure; cleared once the engine answers.
    QString m_shieldFailure;
    // Read on the file worker only, one job at a time.
    std::shared_ptr<ProcessTable> m_processTable;

    QList<LocalAIModel> m_activeModels;
    qsizetype m_unlistedModelCount = 0;
    QString m_modelListRefusal;
    OllamaStatus m_status = OllamaStatus::offline;
    bool m_demoMode = true;
    bool m_compileAutoSuspendEnabled = false;
    QList<qint32> m_suspendedPIDs;
    QList<VectorDatabaseInfo> m_activeVectorDBs;
    QList<OrphanedCompanionInfo> m_orphanedAICompanions;
    QList<LocalPortInfo> m_activeLocalPorts;
    QList<ModelCacheFile> m_cachedModelFiles;
    bool m_vmAutoSleepEnabled = false;
    bool m_buildTurboEnabled = false;
    bool m_batteryShieldEnabled = false;
};
